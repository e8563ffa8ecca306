// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "acquisition/readings.h"
#include "recording/recordingtable.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QWidget;

namespace mt {

class DurableCsvFile;

// A monitor's recording: 文件→开始记录… and 停止记录, one CSV row per tick
// that ended, the status bar's note "记录中：<file>，<rows> 行", and one
// warning that waits for nothing when the recording cannot start or ends by
// a failure. It only observes the ticks: nothing it does reaches the screen
// or the line.
class RecordingController : public QObject {
    Q_OBJECT

public:
    // What the controller needs of its window.
    struct Window {
        // Parents the file dialog and the warning.
        QWidget* widget = nullptr;
        // The meter family's name, for the suggested file name.
        QString meterName;
        // The screen's readings in screen order, and whether the screen has
        // two acquisition modes (then a mode column follows the time), as
        // they stand when a recording starts.
        std::function<QList<Reading>()> readings;
        std::function<bool()> withMode;
        // The widest the status bar's note may grow, in pixels.
        int noteWidth = 400;
    };

    explicit RecordingController(Window window, QObject* parent = nullptr);

    // Puts the two actions into the window's file menu, and the note into
    // its status bar.
    void addToMenu(QMenu& menu);
    void addToStatusBar(QStatusBar& bar);

    // Starting creates (or overwrites) the file and writes its header; a
    // recording that runs is stopped first. A failure then or later ends
    // the recording with one warning.
    bool start(const QString& path);
    void stop();
    bool recording() const;
    // Rows written so far in the recording that runs or ran last.
    qint64 rows() const;
    // Where 文件→开始记录… suggests to save: the documents folder and
    // "<meter type>-<yyyyMMdd-HHmmss>.csv".
    QString suggestedPath() const;
    // One row for a tick that ended, while recording.
    void addTick(const TickReadings& tick);

private:
    void chooseFile();
    void showState();
    void warn(const QString& text);

    Window window_;
    DurableCsvFile* file_ = nullptr;
    std::optional<RecordingTable> table_;
    QAction* startAction_ = nullptr;
    QAction* stopAction_ = nullptr;
    QLabel* note_ = nullptr;
};

}  // namespace mt
