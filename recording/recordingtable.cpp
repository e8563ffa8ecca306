// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordingtable.h"

#include "csv/csvtext.h"

namespace mt {

QStringList RecordingTable::header() const {
    QStringList cells{timeHeading()};
    if (withMode_) {
        cells << modeHeading();
    }
    for (const Reading& reading : readings_) {
        cells << reading.heading;
    }
    cells << sentHeading() << acceptedHeading() << linkHeading();
    return cells;
}

QStringList RecordingTable::row(const TickReadings& tick) const {
    QStringList cells{CsvTimeText(tick.summary.startedAt)};
    if (withMode_) {
        cells << tick.mode;
    }
    for (const Reading& reading : readings_) {
        cells << tick.texts.value(reading.key);
    }
    cells << QString::number(tick.summary.requestsSent)
          << QString::number(tick.summary.requestsAccepted)
          << (tick.summary.linkDown ? linkDownText() : QString());
    return cells;
}

QString RecordingFileName(const QString& meterName, const QDateTime& now) {
    QString name = meterName;
    // Nothing that a file system could take for a folder or reject.
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control) {
            c = u'_';
        }
    }
    return QStringLiteral("%1-%2.csv").arg(name, now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

}  // namespace mt
