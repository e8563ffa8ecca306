// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvread.h"

#include <QFile>

namespace mt::drive {

namespace {

bool Fail(QString* failure, const QString& why) {
    if (failure != nullptr) {
        *failure = why;
    }
    return false;
}

// Reads one record starting at `pos`; leaves `pos` after its CRLF.
bool ReadRecord(const QByteArray& bytes, qsizetype& pos, QList<QByteArray>& fields,
                QString* failure) {
    fields.clear();
    QByteArray field;
    const qsizetype size = bytes.size();
    for (;;) {
        field.clear();
        if (pos < size && bytes[pos] == '"') {
            ++pos;
            for (;;) {
                if (pos >= size) {
                    return Fail(failure, QStringLiteral("a quoted field is not closed"));
                }
                const char c = bytes[pos++];
                if (c != '"') {
                    field += c;
                } else if (pos < size && bytes[pos] == '"') {
                    field += '"';
                    ++pos;
                } else {
                    break;
                }
            }
        } else {
            while (pos < size && bytes[pos] != ',' && bytes[pos] != '\r' && bytes[pos] != '\n') {
                if (bytes[pos] == '"') {
                    return Fail(failure, QStringLiteral("a quote inside an unquoted field at "
                                                        "byte %1")
                                             .arg(pos));
                }
                field += bytes[pos++];
            }
        }
        fields << field;
        if (pos < size && bytes[pos] == ',') {
            ++pos;
            continue;
        }
        if (pos + 1 < size && bytes[pos] == '\r' && bytes[pos + 1] == '\n') {
            pos += 2;
            return true;
        }
        return Fail(failure, QStringLiteral("a record does not end in CRLF at byte %1").arg(pos));
    }
}

}  // namespace

std::optional<CsvTable> ReadCsv(const QByteArray& bytes, QString* failure) {
    static const QByteArray kBom("\xEF\xBB\xBF");
    if (!bytes.startsWith(kBom)) {
        Fail(failure, QStringLiteral("no UTF-8 byte-order mark"));
        return std::nullopt;
    }
    CsvTable table;
    qsizetype pos = kBom.size();
    QList<QByteArray> fields;
    bool first = true;
    while (pos < bytes.size()) {
        if (!ReadRecord(bytes, pos, fields, failure)) {
            return std::nullopt;
        }
        QStringList texts;
        for (const QByteArray& field : fields) {
            const QString text = QString::fromUtf8(field);
            if (text.toUtf8() != field) {
                Fail(failure, QStringLiteral("a field is not valid UTF-8"));
                return std::nullopt;
            }
            texts << text;
        }
        if (first) {
            table.header = texts;
            first = false;
        } else if (texts.size() != table.header.size()) {
            Fail(failure, QStringLiteral("row %1 has %2 fields, the header %3")
                              .arg(table.rows.size() + 1)
                              .arg(texts.size())
                              .arg(table.header.size()));
            return std::nullopt;
        } else {
            table.rows << texts;
        }
    }
    if (first) {
        Fail(failure, QStringLiteral("no header"));
        return std::nullopt;
    }
    return table;
}

std::optional<CsvTable> ReadCsvFile(const QString& path, QString* failure) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(failure, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return ReadCsv(file.readAll(), failure);
}

}  // namespace mt::drive
