// SPDX-License-Identifier: GPL-3.0-or-later
#include "accuracyrecord.h"

#include <QCoreApplication>
#include <QTextDocument>

#include "analysis/report.h"
#include "bus/buslist.h"

namespace mt {

namespace {

struct RecordTexts {
    Q_DECLARE_TR_FUNCTIONS(mt::RecordTexts)
};

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

}  // namespace

QString RecordHtml(const AccuracyRun& run, int position, const RecordHeader& header) {
    const TestPosition& p = run.positions().at(position);
    QString html;
    html += QStringLiteral("<html><body>");
    html += QStringLiteral("<h2 align=\"center\">%1</h2>")
                .arg(Escaped(RecordTexts::tr("电能表准确度试验记录")));
    html +=
        QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\">");
    auto info = [&html](const QString& a, const QString& av, const QString& b, const QString& bv) {
        html +=
            QStringLiteral("<tr><td><b>%1</b></td><td>%2</td><td><b>%3</b></td><td>%4</td></tr>")
                .arg(Escaped(a), Escaped(av), Escaped(b), Escaped(bv));
    };
    info(RecordTexts::tr("仪表类型"), BusFamilyShown(p.meter.kind), RecordTexts::tr("地址"),
         QString::number(p.meter.address));
    info(RecordTexts::tr("名称"), p.meter.name.isEmpty() ? QStringLiteral("—") : p.meter.name,
         RecordTexts::tr("准确度等级"),
         RecordTexts::tr("有功 %1 级，电压电流 %2 级")
             .arg(ActiveClassText(p.activeClass), QString::number(p.valueClass, 'g', 3)));
    info(RecordTexts::tr("基准"), header.referenceText, RecordTexts::tr("线路"), header.portText);
    info(RecordTexts::tr("试验方案"), run.plan().name, RecordTexts::tr("额定值"),
         RecordTexts::tr("Un %1 V，%2 %3 A，Imax %4 A，%5")
             .arg(QString::number(run.plan().un, 'g', 6),
                  run.plan().connection == Connection::Direct ? QStringLiteral("Ib")
                                                              : QStringLiteral("In"),
                  QString::number(run.plan().in, 'g', 6), QString::number(run.plan().imax, 'g', 6),
                  run.plan().connection == Connection::Direct ? RecordTexts::tr("直接接入")
                                                              : RecordTexts::tr("经互感器接入")));
    info(RecordTexts::tr("试验员"), header.operatorName, RecordTexts::tr("日期"),
         header.madeAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    info(RecordTexts::tr("温度"), header.temperature, RecordTexts::tr("湿度"), header.humidity);
    html += QStringLiteral("</table><p></p>");

    html += QStringLiteral(
        "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" border=\"1\"><tr>");
    for (const QString& h : RecordCsvHeader()) {
        html += QStringLiteral("<th>%1</th>").arg(Escaped(h));
    }
    html += QStringLiteral("</tr>");
    for (const QStringList& row : RecordCsvRows(run, position)) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row) {
            html += QStringLiteral("<td>%1</td>").arg(Escaped(cell));
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    const std::optional<AccuracyVerdict> overall = OverallVerdict(run, position);
    html += QStringLiteral("<h3>%1%2</h3>")
                .arg(Escaped(RecordTexts::tr("结论：")),
                     Escaped(overall ? VerdictText(*overall) : RecordTexts::tr("未完成")));
    html += QStringLiteral(
                "<p></p><table width=\"100%\" cellpadding=\"8\"><tr>"
                "<td>%1 ____________</td><td>%2 ____________</td><td>%3 ____________</td>"
                "</tr></table>")
                .arg(Escaped(RecordTexts::tr("试验员：")), Escaped(RecordTexts::tr("核验员：")),
                     Escaped(RecordTexts::tr("日期：")));
    html += QStringLiteral("</body></html>");
    return html;
}

bool WriteRecordPdf(const QString& path, const AccuracyRun& run, int position,
                    const RecordHeader& header, QString* error) {
    return WriteDocumentPdf(
        path, RecordTexts::tr("电能表准确度试验记录"), 7.5,
        [&](QTextDocument& document, const QFont&) {
            document.setHtml(RecordHtml(run, position, header));
        },
        error);
}

}  // namespace mt
