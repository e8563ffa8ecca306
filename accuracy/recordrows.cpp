// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordrows.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cmath>

namespace mt {

namespace {

struct RecordTexts {
    Q_DECLARE_TR_FUNCTIONS(mt::RecordTexts)
};

QString ErrorUnit(Quantity q) {
    return q == Quantity::PF ? QString() : QStringLiteral("%");
}

QString SetText(const AccuracyRun& run, int point) {
    return run.setPointText(point);
}

// One row per judged quantity, or one for a register test.
struct RecordRow {
    int point = 0;
    QString kind;
    QString set;
    QString quantity;
    QString reference;
    QString reading;
    QString stddev;
    QString error;
    QString limit;
    QString verdict;
    QString count;
};

QList<RecordRow> RowsOf(const AccuracyRun& run, int position) {
    QList<RecordRow> rows;
    const TestPlan& plan = run.plan();
    for (int k = 0; k < run.results().size() && k < plan.points.size(); ++k) {
        const PointResult& result = run.results().at(k);
        const TestPoint& point = plan.points.at(k);
        RecordRow base;
        base.point = k + 1;
        base.kind = PointKindShown(point.kind);
        base.set = SetText(run, k);
        if (result.state == PointState::NotRun) {
            continue;
        }
        const PositionResult* pr =
            position < result.positions.size() ? &result.positions.at(position) : nullptr;
        const QString stateNote =
            result.state == PointState::Done ? QString() : PointStateText(result.state);
        if (point.kind == PointKind::Error) {
            for (const Quantity q : point.judged) {
                RecordRow row = base;
                const auto slot = static_cast<std::size_t>(q);
                row.quantity = QuantityCode(q);
                const QString unit = QuantityUnit(q);
                row.reference = RecordNumber(result.reference[slot], -1);
                const std::optional<Judgement>& j =
                    pr != nullptr ? pr->quantities[slot] : std::optional<Judgement>{};
                if (j) {
                    row.reading = RecordNumber(j->reading.mean, -1);
                    row.stddev = RecordNumber(j->reading.stddev, -1);
                    row.error = RecordNumber(j->error, q == Quantity::PF ? 4 : 3) + ErrorUnit(q);
                    row.limit = j->limit ? QStringLiteral("±") +
                                               RecordNumber(j->limit, q == Quantity::PF ? 4 : 2) +
                                               ErrorUnit(q)
                                         : QStringLiteral("—");
                    row.verdict = VerdictText(j->verdict);
                    row.count = QString::number(j->reading.count);
                } else {
                    row.reading = QStringLiteral("—");
                    row.verdict =
                        pr != nullptr && !pr->note.isEmpty() ? pr->note : RecordTexts::tr("无读数");
                }
                if (!unit.isEmpty()) {
                    row.quantity += QStringLiteral(" (") + unit + QLatin1Char(')');
                }
                if (!stateNote.isEmpty()) {
                    row.verdict += QStringLiteral("（") + stateNote + QStringLiteral("）");
                }
                rows.append(row);
            }
            continue;
        }
        RecordRow row = base;
        row.quantity = RecordTexts::tr("有功电能 (kWh)");
        if (pr != nullptr && pr->startKwh && pr->endKwh) {
            row.reading = RecordNumber(*pr->endKwh - *pr->startKwh, -1);
            row.reference = point.kind == PointKind::Energy
                                ? RecordNumber(result.referenceAdvanceKwh, -1)
                                : QStringLiteral("0");
            row.error = point.kind == PointKind::Energy
                            ? RecordNumber(pr->energyError, 3) + QStringLiteral("%")
                            : QString();
            row.limit =
                point.kind == PointKind::Energy
                    ? (pr->energyLimit ? QStringLiteral("±") + RecordNumber(pr->energyLimit, 2) +
                                             QStringLiteral("%")
                                       : QStringLiteral("—"))
                    : RecordTexts::tr("不走字");
            row.verdict = pr->registerVerdict ? VerdictText(*pr->registerVerdict) : QString();
            row.count = RecordTexts::tr("%1 s").arg(result.elapsedSeconds);
        } else {
            row.reading = QStringLiteral("—");
            row.verdict =
                pr != nullptr && !pr->note.isEmpty() ? pr->note : RecordTexts::tr("无读数");
        }
        if (!stateNote.isEmpty()) {
            row.verdict += QStringLiteral("（") + stateNote + QStringLiteral("）");
        }
        rows.append(row);
    }
    return rows;
}

}  // namespace

QString RecordNumber(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return QStringLiteral("—");
    }
    if (decimals < 0) {
        return QString::number(*value, 'g', 7);
    }
    return QString::number(*value, 'f', decimals);
}

QStringList RecordCsvHeader() {
    return {RecordTexts::tr("点"),     RecordTexts::tr("类型"),    RecordTexts::tr("设定"),
            RecordTexts::tr("量"),     RecordTexts::tr("基准"),    RecordTexts::tr("读数"),
            RecordTexts::tr("标准差"), RecordTexts::tr("误差"),    RecordTexts::tr("限值"),
            RecordTexts::tr("判定"),   RecordTexts::tr("读数次数")};
}

QList<QStringList> RecordCsvRows(const AccuracyRun& run, int position) {
    QList<QStringList> out;
    for (const RecordRow& row : RowsOf(run, position)) {
        out.append({QString::number(row.point), row.kind, row.set, row.quantity, row.reference,
                    row.reading, row.stddev, row.error, row.limit, row.verdict, row.count});
    }
    return out;
}

std::optional<AccuracyVerdict> OverallVerdict(const AccuracyRun& run, int position) {
    std::optional<AccuracyVerdict> other;
    bool passed = false;
    for (const PointResult& result : run.results()) {
        if (result.state == PointState::NotRun || position >= result.positions.size()) {
            continue;
        }
        const std::optional<AccuracyVerdict> v = result.positions.at(position).overall();
        if (!v) {
            continue;
        }
        if (*v == AccuracyVerdict::Fail) {
            return v;
        }
        if (*v == AccuracyVerdict::Pass) {
            passed = true;
        } else if (!other) {
            other = v;
        }
    }
    if (other) {
        return other;
    }
    if (passed) {
        return AccuracyVerdict::Pass;
    }
    return std::nullopt;
}

QString RecordBaseName(const TestPosition& position, int index) {
    QString name = RecordTexts::tr("表位%1_地址%2")
                       .arg(index + 1, 2, 10, QLatin1Char('0'))
                       .arg(position.meter.address);
    if (!position.meter.name.trimmed().isEmpty()) {
        QString own = position.meter.name.trimmed();
        static const QRegularExpression refused(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
        own.replace(refused, QStringLiteral("_"));
        name += QLatin1Char('_') + own.left(40);
    }
    return name;
}

}  // namespace mt
