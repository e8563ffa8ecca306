// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include <QCoreApplication>

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

namespace mt {

namespace {
struct ReportTexts {
    Q_DECLARE_TR_FUNCTIONS(ReportTexts)
};
}  // namespace

namespace {

const QString kPictureUrl = QStringLiteral("phasors.png");

QString Cell(const QString& text) {
    return QStringLiteral("<td>") + text.toHtmlEscaped() + QStringLiteral("</td>");
}

QImage DiagramPicture(const PhasorDiagram& diagram, const QFont& font) {
    const QSize size(900, 900);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont f = font;
    f.setPixelSize(22);
    painter.setFont(f);
    PaintPhasors(painter, QRectF(10, 10, size.width() - 20, size.height() - 20), diagram);
    return image;
}

QString VerdictColour(Verdict verdict) {
    switch (verdict) {
        case Verdict::Fault:
            return QStringLiteral("#c00000");
        case Verdict::Attention:
            return QStringLiteral("#a06000");
        case Verdict::Normal:
            return QStringLiteral("#006000");
        case Verdict::NoData:
            break;
    }
    return QStringLiteral("#606060");
}

}  // namespace

QString ReportHtml(const ReportContent& c) {
    QString html;
    html += ReportTexts::tr("<h2>仪表调试报告</h2><table cellspacing='0' cellpadding='2'>");
    const QList<QPair<QString, QString>> head = {
        {ReportTexts::tr("仪表类型"), c.meterName},
        {ReportTexts::tr("串口设置"), c.portText},
        {ReportTexts::tr("仪表地址"), c.addressText},
        {ReportTexts::tr("报告时间"), c.madeAt.toString(Qt::ISODate)},
        {ReportTexts::tr("数据时间"),
         c.tickAt.isValid() ? c.tickAt.toString(Qt::ISODate) : ReportTexts::tr("还没有采集")},
    };
    for (const auto& [name, value] : head) {
        html += QStringLiteral("<tr>") + Cell(name + ReportTexts::tr("：")) + Cell(value) +
                QStringLiteral("</tr>");
    }
    html += ReportTexts::tr("</table><p><b>结论：</b>") + c.conclusion.toHtmlEscaped() +
            QStringLiteral("</p>");

    html += ReportTexts::tr(
        "<h3>读数</h3><table border='1' cellspacing='0' cellpadding='2' width='100%'>");
    constexpr int kColumns = 3;
    for (int row = 0; row < (c.values.size() + kColumns - 1) / kColumns; ++row) {
        html += QStringLiteral("<tr>");
        for (int col = 0; col < kColumns; ++col) {
            const int index = row * kColumns + col;
            if (index < c.values.size()) {
                const auto& [heading, text] = c.values[index];
                html += Cell(heading) + Cell(text.isEmpty() ? ReportTexts::tr("无数据") : text);
            } else {
                html += QStringLiteral("<td></td><td></td>");
            }
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");

    html += ReportTexts::tr("<h3>相量图</h3><p><img src='%1' width='330' height='330'></p>")
                .arg(kPictureUrl);

    html += ReportTexts::tr(
        "<h3>接线与读数检查</h3><table border='1' cellspacing='0' cellpadding='2' width='100%'>"
        "<tr><th>检查</th><th>结论</th><th>测量值</th><th>可能原因与现场检查</th></tr>");
    for (const CheckResult& check : c.checks) {
        html += QStringLiteral("<tr>") + Cell(check.name) +
                QStringLiteral("<td><font color='%1'><b>%2</b></font></td>")
                    .arg(VerdictColour(check.verdict), VerdictText(check.verdict)) +
                Cell(check.figures) + Cell(check.advice) + QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    html += ReportTexts::tr("<h3>通信计数</h3><p>") + c.lineCounters.toHtmlEscaped() +
            QStringLiteral("</p>");
    return html;
}

bool WriteDocumentPdf(const QString& path, const QString& title, double pointSize,
                      const std::function<void(QTextDocument& document, const QFont& font)>& fill,
                      QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(ReportTexts::tr("仪表测试"));

        QTextDocument document;
        // Latin letters and digits from a Latin face, Chinese from the CJK
        // face: text copied out of the PDF then reads back exactly.
        QFont font;
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
        font.setPointSizeF(pointSize);
        document.setDefaultFont(font);
        fill(document, font);
        document.print(&writer);
    }
    if (!file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

bool WriteReportPdf(const QString& path, const ReportContent& content, QString* error) {
    return WriteDocumentPdf(
        path, ReportTexts::tr("仪表调试报告 - ") + content.meterName, 8.5,
        [&content](QTextDocument& document, const QFont& font) {
            document.addResource(QTextDocument::ImageResource, QUrl(kPictureUrl),
                                 DiagramPicture(content.diagram, font));
            document.setHtml(ReportHtml(content));
        },
        error);
}

}  // namespace mt
