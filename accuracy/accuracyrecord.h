// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "accuracy/accuracyrun.h"
#include "accuracy/recordrows.h"

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

// The record as HTML (for the PDF), in the interface language.
QString RecordHtml(const AccuracyRun& run, int position, const RecordHeader& header);

// Writes the record as an A4 PDF with its fonts embedded; false and the
// reason when it cannot (the file is then not left half-written).
bool WriteRecordPdf(const QString& path, const AccuracyRun& run, int position,
                    const RecordHeader& header, QString* error);

}  // namespace mt
