// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <limits>
#include <vector>

#include "acquisition/readings.h"

namespace mt {

// What a series is: the screen's reading it follows, its name and unit as
// the screen heads it ("相电压Uan (V)" gives "相电压Uan" and "V"), its group
// on the screen, and whether it is a 0/1 switch state (drawn as steps).
struct TrendSeries {
    QString key;
    QString name;
    QString unit;
    QString group;
    bool isSwitch = false;
};

// Whether a reading can be a series: every field with a number and every
// switch channel; the time-stamp fields ("...TimeT") hold none.
bool IsTrendable(const QString& key);

// The series a monitor's readings give, in the screen's order: every numeric
// field and every switch channel. Readings that hold no number (time stamps)
// give none.
QList<TrendSeries> TrendSeriesOf(const QList<Reading>& readings);

// The history of a monitor's ticks: for each tick its time and, per series,
// the accepted value or a gap (NaN) where the tick did not refresh it. It is
// bounded: once `capacity` ticks are held, each new tick pushes out the
// oldest. Values are kept as float (7 significant digits, as the screens show
// at most); times as milliseconds since the epoch.
class TrendStore {
public:
    static constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

    TrendStore(QList<TrendSeries> series, int capacity);

    const QList<TrendSeries>& series() const { return series_; }
    int indexOf(const QString& key) const { return index_.value(key, -1); }
    int capacity() const { return capacity_; }
    int size() const { return size_; }
    // Ticks ever added, pushed-out ones included.
    std::int64_t added() const { return added_; }

    // Adds one tick: its time and the texts accepted answers put into the
    // readings during it. A text that is no number (or "闭合"/"断开" for a
    // switch: 1/0) is a gap.
    void addTick(std::int64_t msecsSinceEpoch, const QHash<QString, QString>& texts);
    void clear();

    // The k-th tick held, 0 the oldest.
    std::int64_t timeAt(int k) const { return times_[slot(k)]; }
    float valueAt(int series, int k) const {
        return values_[static_cast<std::size_t>(series)][slot(k)];
    }
    // The first tick held at or after `msecs` (size() if none).
    int lowerBound(std::int64_t msecs) const;

    // Bytes held for the ticks (times and values), for the benchmarks.
    std::size_t bytesHeld() const;

private:
    std::size_t slot(int k) const { return static_cast<std::size_t>((head_ + k) % capacity_); }

    QList<TrendSeries> series_;
    QHash<QString, int> index_;
    int capacity_;
    int head_ = 0;  // slot of the oldest tick
    int size_ = 0;
    std::int64_t added_ = 0;
    std::vector<std::int64_t> times_;
    std::vector<std::vector<float>> values_;
};

// The value of a reading's text as a trend point: its number, 1 for "闭合",
// 0 for "断开", a gap for anything else.
float TrendValueOf(const QString& text, bool isSwitch);

}  // namespace mt
