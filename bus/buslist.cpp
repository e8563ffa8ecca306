// SPDX-License-Identifier: GPL-3.0-or-later
#include "buslist.h"

#include <QCoreApplication>

#include <QSet>
#include <QStringList>
#include <algorithm>

#include "acquisition/meterfamily.h"
#include "bus/buslistrows.h"
#include "csv/csvtext.h"
#include "link/request.h"

namespace mt {

namespace {
struct BusListTexts {
    Q_DECLARE_TR_FUNCTIONS(BusListTexts)
};
}  // namespace

namespace {

const QString kPanelWord = QStringLiteral("嵌入式");
const QString kRailWord = QStringLiteral("导轨式");

}  // namespace

QString BusFamilyText(MeterKind kind) {
    return kind == MeterKind::PanelMount ? kPanelWord : kRailWord;
}

QString BusFamilyShown(MeterKind kind) {
    return kind == MeterKind::PanelMount ? BusListTexts::tr("嵌入式") : BusListTexts::tr("导轨式");
}

std::optional<MeterKind> BusFamilyOf(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t == kPanelWord || t == BusFamilyShown(MeterKind::PanelMount) ||
        t == MeterFamilyName(MeterKind::PanelMount) ||
        t.compare(QStringLiteral("panel"), Qt::CaseInsensitive) == 0) {
        return MeterKind::PanelMount;
    }
    if (t == kRailWord || t == BusFamilyShown(MeterKind::DinRail) ||
        t == MeterFamilyName(MeterKind::DinRail) ||
        t.compare(QStringLiteral("rail"), Qt::CaseInsensitive) == 0) {
        return MeterKind::DinRail;
    }
    return std::nullopt;
}

QByteArray BusListCsv(const QList<BusMeter>& meters) {
    QByteArray out = CsvByteOrderMark();
    out += CsvLine({BusListTexts::tr("地址"), BusListTexts::tr("名称"), BusListTexts::tr("类型"),
                    BusListTexts::tr("启用")});
    for (const BusMeter& meter : meters) {
        out += CsvLine({QString::number(meter.address), meter.name, BusFamilyText(meter.kind),
                        meter.enabled ? QStringLiteral("是") : QStringLiteral("否")});
    }
    return out;
}

bool AddBusMeter(QList<BusMeter>& meters, const BusMeter& meter) {
    if (meter.address < 1 || meter.address > kMaxMeterAddress ||
        std::any_of(meters.begin(), meters.end(),
                    [&](const BusMeter& m) { return m.address == meter.address; })) {
        return false;
    }
    meters.append(meter);
    return true;
}

BusListImport ParseBusList(const QByteArray& file, const QList<BusMeter>& existing) {
    // The words of both languages and of the one shown now, in UTF-8.
    BusListWords words;
    const auto add = [](std::vector<std::string>& list, const QString& word) {
        list.push_back(word.toUtf8().toStdString());
    };
    for (const MeterKind kind : {MeterKind::PanelMount, MeterKind::DinRail}) {
        auto& list = kind == MeterKind::PanelMount ? words.panel : words.rail;
        add(list, BusFamilyShown(kind));
        add(list, MeterFamilyName(kind));
    }
    add(words.heading, BusListTexts::tr("地址"));
    std::vector<int> taken;
    for (const BusMeter& meter : existing) {
        taken.push_back(meter.address);
    }

    BusListImport result;
    const auto rows =
        ParseBusListRows(std::string_view(file.constData(), static_cast<std::size_t>(file.size())),
                         words, std::move(taken));
    const auto text = [](std::string_view utf8) {
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    };
    for (const BusListRow& row : rows) {
        QString reason;
        switch (row.problem) {
            case BusRowProblem::None:
                result.meters.append(BusMeter{row.address, row.kind, text(row.name), row.enabled});
                continue;
            case BusRowProblem::Address:
                reason = BusListTexts::tr("地址须为 1 到 %1").arg(kMaxMeterAddress);
                break;
            case BusRowProblem::Family:
                reason = BusListTexts::tr("未知的仪表类型“%1”").arg(text(row.cell));
                break;
            case BusRowProblem::Enabled:
                reason = BusListTexts::tr("启用须为“是”或“否”");
                break;
            case BusRowProblem::Columns:
                reason = BusListTexts::tr("列数多于 4");
                break;
            case BusRowProblem::Duplicate:
                reason = BusListTexts::tr("地址 %1 重复").arg(row.address);
                break;
        }
        result.problems.append(BusListProblem{row.line, text(row.text), reason});
    }
    return result;
}

}  // namespace mt
