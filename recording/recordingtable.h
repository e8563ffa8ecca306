// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "acquisition/readings.h"

namespace mt {

// The columns of a recording: the tick's local time, the acquisition mode
// (only on a screen with two modes), one column per reading in screen
// order, then the tick's requests sent and requests answered correctly, and
// whether the device or connection was lost during the tick (the port stays
// open and is retried with 自动重连: the tick's cells are empty).
class RecordingTable {
    Q_DECLARE_TR_FUNCTIONS(RecordingTable)

public:
    static QString timeHeading() { return tr("时间"); }
    static QString modeHeading() { return tr("采集方式"); }
    static QString sentHeading() { return tr("发送请求数"); }
    static QString acceptedHeading() { return tr("正确应答数"); }
    static QString linkHeading() { return tr("线路"); }
    static QString linkDownText() { return tr("已断开"); }

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
