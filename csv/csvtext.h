// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one way the program writes CSV: UTF-8 with a byte-order mark, cells
// quoted as RFC 4180 asks, lines ending in CRLF, times in ISO 8601.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace mt {

// UTF-8 byte-order mark: spreadsheet programs on Chinese Windows need it to
// read UTF-8 rather than the local code page.
QByteArray CsvByteOrderMark();

// One CSV line in UTF-8 (RFC 4180): the cells joined by ',', ending in CRLF.
// A cell is quoted with '"', inner '"' doubled, when it holds ',', '"', CR or
// LF, or begins or ends with a blank (spreadsheets would trim it otherwise).
// A line of one empty cell is written as "" so that it is not a blank line,
// which readers skip.
QByteArray CsvLine(const QStringList& cells);

// The date and time as the QDateTime itself holds it (local, UTC or a fixed
// offset), with milliseconds and the offset from UTC, in ISO 8601:
// "2026-12-08T21:45:01.234+08:00". A zero offset is "+00:00", never "Z", so
// that every row of a recording has the same shape. Empty when invalid.
QString CsvTimeText(const QDateTime& time);

}  // namespace mt
