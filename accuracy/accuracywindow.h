// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "accuracy/accuracyrecord.h"
#include "accuracy/accuracyrun.h"
#include "platform/serialport.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace mt {

// 工具→准确度试验: the meters under test on the monitor's port, polled with
// the bus overview's poller, judged point by point against a reference meter
// on the line or typed reference values. While it runs it holds the port as
// the bus overview does.
class AccuracyWindow : public QWidget {
    Q_OBJECT

public:
    struct Hooks {
        std::function<int()> portNumber;
        std::function<QString()> lineSettings;  // "9600,N,8,1"
        std::function<bool()> stopAcquisition;
        std::function<bool()> takePort;
        std::function<bool(bool reopen)> givePortBack;
        // The bus overview's list of the port (for 从巡检列表添加).
        std::function<QList<BusMeter>()> busList;
    };

    AccuracyWindow(Hooks hooks, BusFamilies families, SerialPort& monitorPort,
                   std::unique_ptr<SerialPort> ownPort = nullptr, QWidget* parent = nullptr);
    ~AccuracyWindow() override;

    AccuracyRun& run() { return *run_; }

    // The plan: loaded from a file (false and the line's reason shown when
    // refused; the plan in the window stays), saved, or set.
    bool loadPlan(const QString& path);
    bool savePlan(const QString& path, QString* error = nullptr);
    void setPlan(const TestPlan& plan);
    void setPositions(const QList<TestPosition>& positions);
    QList<TestPosition> positions() const { return positions_; }

    bool startTest(int fromPoint = 0);
    void stopTest();
    // Writes every position's CSV and PDF into `folder`; gives the files.
    QStringList exportRecords(const QString& folder, QString* error = nullptr);

    QTabWidget* tabs = nullptr;
    QComboBox* planList = nullptr;
    QPushButton* openPlanButton = nullptr;
    QPushButton* savePlanButton = nullptr;
    QTableWidget* planTable = nullptr;
    QPushButton* addPointButton = nullptr;
    QPushButton* removePointButton = nullptr;
    QComboBox* connectionList = nullptr;
    QDoubleSpinBox* unBox = nullptr;
    QDoubleSpinBox* inBox = nullptr;
    QDoubleSpinBox* imaxBox = nullptr;
    QTableWidget* positionTable = nullptr;
    QSpinBox* addressBox = nullptr;
    QComboBox* familyList = nullptr;
    QLineEdit* nameEdit = nullptr;
    QComboBox* classList = nullptr;
    QPushButton* addPositionButton = nullptr;
    QPushButton* removePositionButton = nullptr;
    QPushButton* fromBusButton = nullptr;
    QRadioButton* meterReference = nullptr;
    QRadioButton* typedReference = nullptr;
    QLineEdit* typedEdit = nullptr;  // "U=230 I=5 P=… Q=… PF=1 F=50"
    QPushButton* setValuesButton = nullptr;
    QLabel* setPointLabel = nullptr;
    QLabel* progressLabel = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* continueButton = nullptr;
    QPushButton* skipButton = nullptr;
    QCheckBox* autoBox = nullptr;
    QSpinBox* fromPointBox = nullptr;
    QTableWidget* resultTable = nullptr;
    QTableWidget* detailTable = nullptr;
    QLineEdit* operatorEdit = nullptr;
    QLineEdit* temperatureEdit = nullptr;
    QLineEdit* humidityEdit = nullptr;
    QPushButton* exportButton = nullptr;
    QLabel* statusLine = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* buildPlanTab();
    QWidget* buildPositionTab();
    QWidget* buildRunTab();
    void fillPlanTable();
    void fillPositionTable();
    void planCellEdited(int row, int column);
    void positionCellEdited(int row, int column);
    void showStatus(const QString& text);
    void showRun();
    void showResults();
    void showDetail(int point);
    void applyTypedValues();
    void showTypedValues();
    void chooseExportFolder();
    RecordHeader recordHeader() const;

    Hooks hooks_;
    SerialPort& port_;
    std::unique_ptr<SerialPort> ownPort_;
    AccuracyRun* run_ = nullptr;
    TestPlan plan_;
    QList<TestPosition> positions_;
    bool filling_ = false;
    bool portWasOpen_ = false;
    bool holdingPort_ = false;
};

}  // namespace mt
