// SPDX-License-Identifier: GPL-3.0-or-later
#include "trafficmodel.h"

#include <algorithm>
#include <utility>

#include "acquisition/outcomes.h"

namespace mt {

TrafficModel::TrafficModel(int capacity, QObject* parent)
    : QAbstractTableModel(parent), ring_(static_cast<std::size_t>(std::max(1, capacity))) {}

void TrafficModel::append(TrafficFrame frame) {
    const int capacity = this->capacity();
    if (size_ == capacity) {
        beginRemoveRows({}, 0, 0);
        first_ = (first_ + 1) % capacity;
        --size_;
        ++dropped_;
        endRemoveRows();
    }
    beginInsertRows({}, size_, size_);
    ring_[static_cast<std::size_t>((first_ + size_) % capacity)] = std::move(frame);
    ++size_;
    endInsertRows();
}

void TrafficModel::append(std::vector<TrafficFrame> frames) {
    const int capacity = this->capacity();
    if (frames.size() > static_cast<std::size_t>(capacity)) {
        dropped_ += static_cast<qint64>(frames.size()) - capacity;
        frames.erase(frames.begin(), frames.end() - capacity);
    }
    const int incoming = static_cast<int>(frames.size());
    if (incoming == 0) {
        return;
    }
    const int leaving = std::max(0, size_ + incoming - capacity);
    if (leaving > 0) {
        beginRemoveRows({}, 0, leaving - 1);
        first_ = (first_ + leaving) % capacity;
        size_ -= leaving;
        dropped_ += leaving;
        endRemoveRows();
    }
    beginInsertRows({}, size_, size_ + incoming - 1);
    for (TrafficFrame& frame : frames) {
        ring_[static_cast<std::size_t>((first_ + size_) % capacity)] = std::move(frame);
        ++size_;
    }
    endInsertRows();
}

void TrafficModel::clear() {
    beginResetModel();
    for (TrafficFrame& frame : ring_) {
        frame = TrafficFrame{};
    }
    first_ = 0;
    size_ = 0;
    dropped_ = 0;
    endResetModel();
}

const TrafficFrame& TrafficModel::frame(int row) const {
    return ring_[static_cast<std::size_t>((first_ + row) % capacity())];
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size_;
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString TrafficModel::cellText(int row, int column) const {
    const TrafficFrame& f = frame(row);
    const bool sent = f.direction == TrafficFrame::Direction::Sent;
    switch (column) {
        case TimeColumn:
            return f.time.toString(QStringLiteral("HH:mm:ss.zzz"));
        case DirectionColumn:
            return sent ? tr("发送") : tr("接收");
        case BytesColumn:
            return f.bytes.isEmpty() ? tr("（无）")
                                     : QString::fromLatin1(f.bytes.toHex(' ').toUpper());
        case OutcomeColumn:
            return f.outcome;
        case ResponseColumn:
            return f.responseMs < 0 ? QString() : QString::number(f.responseMs);
        default:
            return {};
    }
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size_) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return cellText(index.row(), index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() == ResponseColumn) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case TimeColumn:
            return tr("时间");
        case DirectionColumn:
            return tr("方向");
        case BytesColumn:
            return tr("数据（十六进制）");
        case OutcomeColumn:
            return tr("结果");
        case ResponseColumn:
            return tr("响应时间 (ms)");
        default:
            return {};
    }
}

QStringList TrafficModel::rowCells(int row) const {
    QStringList cells;
    for (int column = 0; column < kColumns; ++column) {
        cells << cellText(row, column);
    }
    return cells;
}

TrafficFrame SentFrame(const RequestRecord& record) {
    return {record.sentAt, TrafficFrame::Direction::Sent, record.sent, {}, -1};
}

TrafficFrame ReceivedFrame(const RequestRecord& record) {
    QString outcome = OutcomeName(record.check.outcome);
    if (record.check.outcome == AnswerOutcome::Exception) {
        outcome += QStringLiteral(" %1 %2").arg(QString::number(record.check.exceptionCode, 16)
                                                    .rightJustified(2, QLatin1Char('0'))
                                                    .toUpper(),
                                                ExceptionMeaning(record.check.exceptionCode));
    }
    if (record.cutShort) {
        outcome += TrafficModel::tr("（串口已关闭）");
    }
    const QDateTime time =
        record.lastByteAt.isValid() ? record.lastByteAt : QDateTime::currentDateTime();
    return {time, TrafficFrame::Direction::Received, record.received, outcome, record.responseMs};
}

}  // namespace mt
