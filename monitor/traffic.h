// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "acquisition.h"

class QLabel;
class QPushButton;
class QTableView;

namespace mt {

// One frame on the line as the traffic monitor shows it.
struct TrafficFrame {
    enum class Direction { Sent, Received };

    QDateTime time;
    Direction direction = Direction::Sent;
    QByteArray bytes;
    QString outcome;         // for received bytes: what became of the request
    qint64 responseMs = -1;  // for received bytes; -1 when none
};

// The rows of the traffic monitor: the newest frames, at most `capacity` of
// them, in the order they happened. Held in a ring, so that adding a frame
// costs the same however many are held: when full, the oldest row goes and
// the drop is counted.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, BytesColumn, OutcomeColumn, ResponseColumn };
    static constexpr int kColumns = 5;
    static constexpr int kDefaultCapacity = 10000;

    explicit TrafficModel(int capacity = kDefaultCapacity, QObject* parent = nullptr);

    void append(TrafficFrame frame);
    // Adds frames in one go: the rows that must go leave in one removal, the
    // new ones come in one insertion.
    void append(std::vector<TrafficFrame> frames);
    void clear();
    // The frame of a row; row 0 is the oldest held.
    const TrafficFrame& frame(int row) const;
    int capacity() const { return static_cast<int>(ring_.size()); }
    // Frames that fell out of the ring since the last clear().
    qint64 dropped() const { return dropped_; }

    // A row as text: the cells joined by `separator` (CSV quotes them).
    QString rowText(int row, QChar separator) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cellText(int row, int column) const;

    std::vector<TrafficFrame> ring_;
    int first_ = 0;
    int size_ = 0;
    qint64 dropped_ = 0;
};

// The frames of a request as the traffic monitor shows them: the request
// when it goes out, then what came back (or that nothing did) once the
// request has ended.
TrafficFrame SentFrame(const RequestRecord& record);
TrafficFrame ReceivedFrame(const RequestRecord& record);

// The traffic monitor window of one monitor (查看→通信监视): every frame on
// the line with its time, direction, bytes, outcome and response time. It
// follows the newest frame unless the user has scrolled up; it can pause,
// be cleared, copy the selected rows and save everything as text or CSV.
class TrafficWindow : public QWidget {
    Q_OBJECT

public:
    // Asks for a file name to save to (empty: cancelled); tests answer it.
    using SaveDialog = std::function<QString(QWidget* parent, QString* selectedFilter)>;
    static inline const QString kTextFilter = QStringLiteral("文本文件 (*.txt)");
    static inline const QString kCsvFilter = QStringLiteral("CSV 文件 (*.csv)");

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

signals:
    // A save failed; the reason, for the window's own line.
    void saveFailed(const QString& reason);

private:
    void onSaveClicked();
    void showCounts();

    TrafficModel model_;
    QTableView* view_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QLabel* countsLine_ = nullptr;
    SaveDialog saveDialog_;
    std::vector<TrafficFrame> pending_;
    bool flushQueued_ = false;
    bool held_ = false;
    bool paused_ = false;
    qint64 missedWhilePaused_ = 0;
    QString lastSaveNote_;
};

}  // namespace mt
