// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "accuracy/accuracyrun.h"

namespace mt {

// What the test record of one position says besides the results.
struct RecordHeader {
    QString operatorName;
    QString temperature;    // as typed, e.g. "23 ℃"
    QString humidity;       // as typed, e.g. "45 %"
    QString referenceText;  // "基准表：地址 1 …" or "手动输入的标准值"
    QString portText;       // "com3，9600,N,8,1"
    QDateTime madeAt;
};

// The text of a number as the record writes it: `decimals` after the point,
// or "—" for nothing.
QString RecordNumber(std::optional<double> value, int decimals);

// The record's heading and one row per judged quantity (or register test) of
// every point, for the position `position`.
QStringList RecordCsvHeader();
QList<QStringList> RecordCsvRows(const AccuracyRun& run, int position);

// The position's overall verdict over every point done: 不合格 if any
// quantity failed, 合格 if everything judged passed, otherwise what kept it
// from a verdict (e.g. 分辨率不足); nothing when no point was done.
std::optional<AccuracyVerdict> OverallVerdict(const AccuracyRun& run, int position);

// The record as HTML (for the PDF), in the interface language.
QString RecordHtml(const AccuracyRun& run, int position, const RecordHeader& header);

// Writes the record as an A4 PDF with its fonts embedded; false and the
// reason when it cannot (the file is then not left half-written).
bool WriteRecordPdf(const QString& path, const AccuracyRun& run, int position,
                    const RecordHeader& header, QString* error);

// A file name for a position's record: "表位03_地址5_1#进线" without the
// characters file systems refuse.
QString RecordBaseName(const TestPosition& position, int index);

}  // namespace mt
