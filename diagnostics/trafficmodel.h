// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

#include "acquisition/acquisition.h"

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

    // A row's cells as the list shows them.
    QStringList rowCells(int row) const;

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

}  // namespace mt
