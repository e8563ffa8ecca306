// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <vector>

#include "acquisition/readings.h"
#include "analysis/checks.h"
#include "analysis/phasors.h"
#include "link/meterkind.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace mt {

class PhasorView;

// 三相分析: the phasor diagram and the wiring and plausibility checks of the
// monitor's last tick, refreshed once per tick after it ended. A value the
// tick did not refresh is missing here, never an older one. The window only
// observes: it never touches the monitor's screen or the line.
class AnalysisWindow : public QWidget {
    Q_OBJECT

public:
    AnalysisWindow(MeterKind kind, QWidget* parent);

    // One tick's values; the window shows them and runs the checks.
    void showTick(const TickReadings& tick);

    const Thresholds& thresholds() const { return thresholds_; }
    const PhaseReadings& readings() const { return readings_; }
    const std::vector<CheckResult>& results() const { return results_; }
    PhasorDiagram diagram() const;
    QString conclusion() const;

private:
    void rerun();
    void fillChecks();
    void fillThresholds();
    void thresholdEdited(int row, int column);
    void copyPicture();
    void savePicture();
    void say(const QString& text);

    MeterKind kind_;
    Thresholds thresholds_;
    TickReadings tick_;
    PhaseReadings readings_;
    std::vector<CheckResult> results_;
    bool filling_ = false;

    QLabel* conclusionLine = nullptr;
    QLabel* tickLine = nullptr;
    QLabel* messageLine = nullptr;
    PhasorView* phasorView = nullptr;
    QTabWidget* tabs = nullptr;
    QTableWidget* checkTable = nullptr;
    QTableWidget* thresholdTable = nullptr;
    QComboBox* nominalFrequencyList = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* saveButton = nullptr;
};

}  // namespace mt
