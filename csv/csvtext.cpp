// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvtext.h"

namespace mt {

QByteArray CsvByteOrderMark() {
    return QByteArrayLiteral("\xEF\xBB\xBF");
}

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool NeedsQuotes(const QString& cell) {
    if (cell.isEmpty()) {
        return false;
    }
    if (IsBlank(cell.front()) || IsBlank(cell.back())) {
        return true;
    }
    for (const QChar c : cell) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n')) {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray CsvLine(const QStringList& cells) {
    if (cells.size() == 1 && cells.front().isEmpty()) {
        return QByteArrayLiteral("\"\"\r\n");
    }
    QByteArray line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        const QString& cell = cells.at(i);
        if (NeedsQuotes(cell)) {
            QString quoted = cell;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            line += '"';
            line += quoted.toUtf8();
            line += '"';
        } else {
            line += cell.toUtf8();
        }
    }
    line += "\r\n";
    return line;
}

QString CsvTimeText(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    // date() and time() are the fields in the QDateTime's own zone, which
    // offsetFromUtc() describes; QDateTime::toString would write "Z" for UTC.
    const QDate date = time.date();
    const QTime clock = time.time();
    const int offset = time.offsetFromUtc();
    const int offsetMinutes = (offset < 0 ? -offset : offset) / 60;
    const QLatin1Char zero('0');
    return QStringLiteral("%1-%2-%3T%4:%5:%6.%7%8%9:%10")
        .arg(date.year(), 4, 10, zero)
        .arg(date.month(), 2, 10, zero)
        .arg(date.day(), 2, 10, zero)
        .arg(clock.hour(), 2, 10, zero)
        .arg(clock.minute(), 2, 10, zero)
        .arg(clock.second(), 2, 10, zero)
        .arg(clock.msec(), 3, 10, zero)
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(offsetMinutes / 60, 2, 10, zero)
        .arg(offsetMinutes % 60, 2, 10, zero);
}

}  // namespace mt
