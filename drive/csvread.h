// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mt::drive {

// A recording read back the way a strict spreadsheet import reads it, with
// nothing shared with the code that wrote it: UTF-8 after a byte-order mark,
// records ending in CRLF (also the last), fields separated by commas, a
// field in double quotes when it holds a comma, a quote or a line break,
// quotes inside doubled. Every record must have as many fields as the first.
struct CsvTable {
    QStringList header;
    QList<QStringList> rows;
};

// The table, or nothing and why not.
std::optional<CsvTable> ReadCsv(const QByteArray& bytes, QString* failure = nullptr);
std::optional<CsvTable> ReadCsvFile(const QString& path, QString* failure = nullptr);

}  // namespace mt::drive
