// SPDX-License-Identifier: GPL-3.0-or-later
#include "buslist.h"

#include <QCoreApplication>

#include <QSet>
#include <QStringList>
#include <algorithm>

#include "acquisition/meterfamily.h"
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

// One line's cells: commas split, double quotes group (a doubled quote is
// one quote). An unclosed quote runs to the end of the line.
QStringList CsvCells(const QString& line) {
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << cell;
    return cells;
}

std::optional<bool> EnabledOf(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty() || t == QStringLiteral("是") || t == QStringLiteral("1") ||
        t == QStringLiteral("yes") || t == QStringLiteral("true")) {
        return true;
    }
    if (t == QStringLiteral("否") || t == QStringLiteral("0") || t == QStringLiteral("no") ||
        t == QStringLiteral("false")) {
        return false;
    }
    return std::nullopt;
}

bool IsHeading(const QStringList& cells) {
    const QString first = cells.value(0).trimmed().toLower();
    return first == QStringLiteral("地址") || first == BusListTexts::tr("地址") ||
           first == QStringLiteral("address");
}

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
    BusListImport result;
    QByteArray bytes = file;
    if (bytes.startsWith(CsvByteOrderMark())) {
        bytes.remove(0, CsvByteOrderMark().size());
    }
    QSet<int> taken;
    for (const BusMeter& meter : existing) {
        taken.insert(meter.address);
    }
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        const QStringList cells = CsvCells(line);
        const int number = static_cast<int>(i) + 1;
        if (IsHeading(cells)) {
            continue;
        }
        const auto problem = [&](const QString& reason) {
            result.problems.append(BusListProblem{number, line, reason});
        };
        bool numeric = false;
        const int address = cells.value(0).trimmed().toInt(&numeric);
        if (!numeric || address < 1 || address > kMaxMeterAddress) {
            problem(BusListTexts::tr("地址须为 1 到 %1").arg(kMaxMeterAddress));
            continue;
        }
        const std::optional<MeterKind> kind = BusFamilyOf(cells.value(2));
        if (!kind) {
            problem(BusListTexts::tr("未知的仪表类型“%1”").arg(cells.value(2).trimmed()));
            continue;
        }
        const std::optional<bool> enabled = EnabledOf(cells.value(3));
        if (!enabled) {
            problem(BusListTexts::tr("启用须为“是”或“否”"));
            continue;
        }
        if (cells.size() > 4) {
            problem(BusListTexts::tr("列数多于 4"));
            continue;
        }
        if (taken.contains(address)) {
            problem(BusListTexts::tr("地址 %1 重复").arg(address));
            continue;
        }
        taken.insert(address);
        result.meters.append(BusMeter{address, *kind, cells.value(1).trimmed(), *enabled});
    }
    return result;
}

}  // namespace mt
