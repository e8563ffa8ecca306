// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "diagnostics/trafficmodel.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;

namespace mt {

// The traffic monitor window of one monitor (查看→通信监视): every frame on
// the line with its time, direction, bytes, outcome and response time. It
// follows the newest frame unless the user has scrolled up; it can pause,
// be cleared, copy the selected rows and save everything as text or CSV.
class TrafficWindow : public QWidget {
    Q_OBJECT

public:
    // Asks for a file name to save to (empty: cancelled); tests answer it.
    using SaveDialog = std::function<QString(QWidget* parent, QString* selectedFilter)>;
    static QString textFilter() { return tr("文本文件 (*.txt)"); }
    static QString csvFilter() { return tr("CSV 文件 (*.csv)"); }

    TrafficWindow(const QString& meterName, QWidget* parent = nullptr);

    TrafficModel& model() { return model_; }
    QTableView* view() const { return view_; }
    void setSaveDialog(SaveDialog dialog) { saveDialog_ = std::move(dialog); }

    // A frame for the monitor; held back while paused (counted only). Frames
    // reach the list in the next round of event processing, all at once, so
    // that a burst costs the list one update.
    void addFrame(TrafficFrame frame);
    // Shows the frames added so far now.
    void flush();
    // While held, frames wait and the list does not change: a monitor holds
    // them during its ticks, so that redrawing the list never lengthens the
    // pauses in which the line is read.
    void holdUpdates(bool hold);
    bool paused() const { return paused_; }
    void setPaused(bool paused);
    void clear();
    // The selected rows as tab-separated lines, oldest first.
    QString selectedText() const;
    void copySelection() const;
    // Saves every row held, as text (tab-separated) or CSV by the file's
    // ending; false, with the reason, when it cannot be written.
    bool saveTo(const QString& path, QString* failure = nullptr);

private:
    void buildButtons();
    void onSaveClicked();
    void showCounts();

    TrafficModel model_;
    QTableView* view_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QLabel* countsLine_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    SaveDialog saveDialog_;
    std::vector<TrafficFrame> pending_;
    bool flushQueued_ = false;
    bool held_ = false;
    bool paused_ = false;
    qint64 missedWhilePaused_ = 0;
    QString lastSaveNote_;
};

}  // namespace mt
