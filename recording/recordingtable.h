// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "acquisition/readings.h"

namespace mt {

// The columns of a recording: the tick's local time, the acquisition mode
// (only on a screen with two modes), one column per reading in screen
// order, then the tick's requests sent and requests answered correctly.
class RecordingTable {
public:
    static inline const QString kTimeHeading = QStringLiteral("时间");
    static inline const QString kModeHeading = QStringLiteral("采集方式");
    static inline const QString kSentHeading = QStringLiteral("发送请求数");
    static inline const QString kAcceptedHeading = QStringLiteral("正确应答数");

    RecordingTable(QList<Reading> readings, bool withMode)
        : readings_(std::move(readings)), withMode_(withMode) {}

    QStringList header() const;
    // One row for a tick. A reading no accepted answer refreshed during the
    // tick gets an empty cell: its value on screen is older than the tick.
    QStringList row(const TickReadings& tick) const;

private:
    QList<Reading> readings_;
    bool withMode_;
};

// A recording's default file name: "<meter type>-<yyyyMMdd-HHmmss>.csv".
QString RecordingFileName(const QString& meterName, const QDateTime& now);

}  // namespace mt
