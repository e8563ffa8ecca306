// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <vector>

#include "analysis/checks.h"
#include "analysis/phasors.h"

class QFont;
class QTextDocument;

namespace mt {

// What a commissioning report holds.
struct ReportContent {
    QString meterName;
    QString portText;     // "com3，9600,N,8,1"
    QString addressText;  // the address list's text
    QDateTime madeAt;
    QDateTime tickAt;  // when the tick the values come from started (null: none yet)
    // Every reading of the screen in the screen's order: heading and text,
    // the text empty when the tick did not refresh it.
    QList<QPair<QString, QString>> values;
    PhasorDiagram diagram;
    std::vector<CheckResult> checks;
    QString conclusion;
    QString lineCounters;
};

// The report as HTML, with the phasor diagram as the image "phasors.png".
QString ReportHtml(const ReportContent& content);

// Writes an A4 PDF (15 mm margins, fonts embedded, the program as its
// creator) of the document `fill` makes, given the document and the font it
// is set in (a Latin face for Latin letters and digits, the CJK face for
// Chinese, so that text copied out of the PDF reads back exactly). Gives
// false and the reason when the file cannot be written; the file is then not
// left half-written under `path`.
bool WriteDocumentPdf(const QString& path, const QString& title, double pointSize,
                      const std::function<void(QTextDocument& document, const QFont& font)>& fill,
                      QString* error);

// Writes the report as an A4 PDF with its fonts embedded. Gives false and
// the reason when the file cannot be written; the file is then not left
// half-written under `path`.
bool WriteReportPdf(const QString& path, const ReportContent& content, QString* error);

}  // namespace mt
