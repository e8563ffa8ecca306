// SPDX-License-Identifier: GPL-3.0-or-later
#include "accuracymath.h"

#include <QCoreApplication>
#include <cmath>

namespace mt {

namespace {

struct AccuracyTexts {
    Q_DECLARE_TR_FUNCTIONS(mt::AccuracyTexts)
};

struct QuantityInfo {
    const char* code;
    const char* unit;
    const char* field;
};

constexpr std::array<QuantityInfo, kQuantityCount> kQuantities{{
    {"Ua", "V", "UanT"},
    {"Ub", "V", "UbnT"},
    {"Uc", "V", "UcnT"},
    {"Ia", "A", "IaT"},
    {"Ib", "A", "IbT"},
    {"Ic", "A", "IcT"},
    {"Pa", "W", "PaT"},
    {"Pb", "W", "PbT"},
    {"Pc", "W", "PcT"},
    {"P", "W", "PsT"},
    {"Q", "var", "QsT"},
    {"S", "VA", "SsT"},
    {"PF", "", "PfsT"},
    {"F", "Hz", "FT"},
}};

const QuantityInfo& InfoOf(Quantity q) {
    return kQuantities.at(static_cast<std::size_t>(q));
}

bool IsActivePower(Quantity q) {
    return q == Quantity::Pa || q == Quantity::Pb || q == Quantity::Pc || q == Quantity::P ||
           q == Quantity::S;
}

}  // namespace

QString QuantityCode(Quantity q) {
    return QString::fromLatin1(InfoOf(q).code);
}

QString QuantityUnit(Quantity q) {
    return QString::fromLatin1(InfoOf(q).unit);
}

const char* QuantityField(Quantity q) {
    return InfoOf(q).field;
}

QString ActiveClassText(ActiveClass c) {
    switch (c) {
        case ActiveClass::C02S:
            return QStringLiteral("0.2S");
        case ActiveClass::C05S:
            return QStringLiteral("0.5S");
        case ActiveClass::C1:
            return QStringLiteral("1");
        case ActiveClass::C2:
            return QStringLiteral("2");
    }
    return {};
}

std::optional<ActiveClass> ActiveClassOf(const QString& text) {
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("0.2S")) {
        return ActiveClass::C02S;
    }
    if (t == QLatin1String("0.5S")) {
        return ActiveClass::C05S;
    }
    if (t == QLatin1String("1") || t == QLatin1String("1.0")) {
        return ActiveClass::C1;
    }
    if (t == QLatin1String("2") || t == QLatin1String("2.0")) {
        return ActiveClass::C2;
    }
    return std::nullopt;
}

double PowerFactor::signedSine() const {
    const double sine = std::sqrt(std::max(0.0, 1 - value * value));
    return kind == Capacitive ? -sine : sine;
}

std::optional<PowerFactor> PowerFactorOf(const QString& text) {
    // cos φ as "1", "0.5", ".8" (digits and one point), then L, C or nothing.
    QStringView t = QStringView(text).trimmed();
    QChar letter;
    if (!t.isEmpty() && QStringLiteral("LlCc").contains(t.back())) {
        letter = t.back().toUpper();
        t.chop(1);
    }
    int points = 0;
    for (const QChar c : t) {
        if (c == QLatin1Char('.')) {
            ++points;
        } else if (!c.isDigit() || c.unicode() > 0x7F) {
            return std::nullopt;
        }
    }
    bool ok = false;
    PowerFactor pf;
    pf.value = t.toDouble(&ok);
    if (!ok || points > 1 || t.isEmpty() || pf.value > 1) {
        return std::nullopt;
    }
    if (pf.value == 1) {
        // cos φ = 1 has no sense of lead or lag.
        pf.kind = PowerFactor::Unity;
        return pf;
    }
    if (letter.isNull()) {
        return std::nullopt;  // 0.5 alone does not say which way the current lags
    }
    pf.kind = letter == QLatin1Char('L') ? PowerFactor::Inductive : PowerFactor::Capacitive;
    return pf;
}

QString PowerFactorText(const PowerFactor& pf) {
    if (pf.kind == PowerFactor::Unity) {
        return QStringLiteral("1");
    }
    return QString::number(pf.value, 'g', 4) +
           (pf.kind == PowerFactor::Inductive ? QLatin1Char('L') : QLatin1Char('C'));
}

std::optional<double> ActivePowerLimit(ActiveClass cls, Connection connection, double current,
                                       const PowerFactor& pf) {
    // Balanced load. Rows: (lowest current, current from which the smaller
    // limit holds, limit below it, limit from it), for PF 1 and for 0.5L /
    // 0.8C. Classes 0.2S and 0.5S: IEC 62053-22:2003 table 4; classes 1 and
    // 2: IEC 62053-21:2003 table 8 (GB/T 17215.322 and .321 alike).
    struct Row {
        double lowest, from, below, limit;
    };
    const bool unity = pf.kind == PowerFactor::Unity || pf.value >= 0.999;
    // Between cos φ 1 and the reduced points the tables say nothing; points
    // there are judged by the reduced rows, the wider ones.
    Row row{};
    switch (cls) {
        case ActiveClass::C02S:
            row = unity ? Row{0.01, 0.05, 0.4, 0.2} : Row{0.02, 0.10, 0.5, 0.3};
            break;
        case ActiveClass::C05S:
            row = unity ? Row{0.01, 0.05, 1.0, 0.5} : Row{0.02, 0.10, 1.0, 0.6};
            break;
        case ActiveClass::C1:
        case ActiveClass::C2: {
            const bool one = cls == ActiveClass::C1;
            const double below = one ? 1.5 : 2.5;
            const double limit = one ? 1.0 : 2.0;
            if (connection == Connection::Direct) {
                row = unity ? Row{0.05, 0.10, below, limit} : Row{0.10, 0.20, below, limit};
            } else {
                row = unity ? Row{0.02, 0.05, below, limit} : Row{0.05, 0.10, below, limit};
            }
            break;
        }
    }
    if (!unity && pf.value < 0.5 - 1e-9) {
        return std::nullopt;  // below cos φ 0.5 the tables set no limit
    }
    if (current < row.lowest - 1e-9) {
        return std::nullopt;
    }
    return current < row.from - 1e-9 ? row.below : row.limit;
}

std::optional<double> QuantityLimit(Quantity q, const LimitInputs& in) {
    if (IsActivePower(q)) {
        return ActivePowerLimit(in.activeClass, in.connection, in.current, in.pf);
    }
    switch (q) {
        case Quantity::Q:
            // Reactive meters of class 2 (IEC 62053-23:2003 table 6), at
            // sin φ 1 and balanced load: 2.5 % from 0.05 (direct: 0.05 Ib,
            // transformer: 0.02 In), 2.0 % from 0.1 (0.05 In).
            if (std::abs(in.pf.signedSine()) < 0.5 - 1e-9) {
                return std::nullopt;
            }
            if (in.connection == Connection::Direct) {
                if (in.current < 0.05 - 1e-9) {
                    return std::nullopt;
                }
                return in.current < 0.10 - 1e-9 ? 2.5 : 2.0;
            }
            if (in.current < 0.02 - 1e-9) {
                return std::nullopt;
            }
            return in.current < 0.05 - 1e-9 ? 2.5 : 2.0;
        case Quantity::PF:
            return in.valueClass / 100;
        case Quantity::F:
            return in.valueClass / 10;
        default:
            return in.valueClass;
    }
}

Statistics StatisticsOf(std::span<const double> values) {
    Statistics s;
    s.count = static_cast<int>(values.size());
    if (values.empty()) {
        return s;
    }
    double sum = 0;
    for (const double v : values) {
        sum += v;
    }
    s.mean = sum / static_cast<double>(values.size());
    if (values.size() > 1) {
        double squares = 0;
        for (const double v : values) {
            squares += (v - s.mean) * (v - s.mean);
        }
        s.stddev = std::sqrt(squares / static_cast<double>(values.size() - 1));
    }
    return s;
}

QString VerdictText(AccuracyVerdict v) {
    switch (v) {
        case AccuracyVerdict::Pass:
            return AccuracyTexts::tr("合格");
        case AccuracyVerdict::Fail:
            return AccuracyTexts::tr("不合格");
        case AccuracyVerdict::TooCoarse:
            return AccuracyTexts::tr("分辨率不足");
        case AccuracyVerdict::NoReference:
            return AccuracyTexts::tr("基准为零");
        case AccuracyVerdict::NoLimit:
            return AccuracyTexts::tr("不判定");
    }
    return {};
}

Judgement Judge(Quantity q, std::span<const double> readings, double referenceMean,
                double resolution, double referenceResolution, std::optional<double> limit) {
    Judgement j;
    j.reading = StatisticsOf(readings);
    j.reference = referenceMean;
    j.limit = limit;
    const double halfSteps = (std::abs(resolution) + std::abs(referenceResolution)) / 2;
    if (j.reading.count == 0) {
        j.verdict = AccuracyVerdict::NoReference;
        return j;
    }
    if (q == Quantity::PF) {
        j.error = j.reading.mean - referenceMean;
        j.errorResolution = halfSteps;
    } else if (referenceMean != 0 && std::isfinite(referenceMean) &&
               std::abs(referenceMean) >= std::abs(referenceResolution) / 2) {
        j.error = (j.reading.mean - referenceMean) / referenceMean * 100;
        j.errorResolution = halfSteps / std::abs(referenceMean) * 100;
    }
    if (!limit) {
        // Shown, not judged (e.g. the reactive power at cos φ 1).
        j.verdict = AccuracyVerdict::NoLimit;
        return j;
    }
    if (!j.error) {
        // A reference that shows 0 (or less than half its own step) gives no
        // relative error: dividing by it would give nonsense, not a verdict.
        j.verdict = AccuracyVerdict::NoReference;
        return j;
    }
    const double size = std::abs(*j.error);
    // A little room for the decimal digits of the figures themselves.
    constexpr double kSlack = 1e-9;
    if (size - j.errorResolution > *limit + kSlack) {
        j.verdict = AccuracyVerdict::Fail;
    } else if (j.errorResolution > *limit / 2 + kSlack) {
        j.verdict = AccuracyVerdict::TooCoarse;
    } else {
        j.verdict = size <= *limit + kSlack ? AccuracyVerdict::Pass : AccuracyVerdict::Fail;
    }
    return j;
}

std::optional<double> ResolutionOfText(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    const qsizetype exponent = t.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    const QString mantissa = exponent < 0 ? t : t.left(exponent);
    const int shift = exponent < 0 ? 0 : t.mid(exponent + 1).toInt();
    const qsizetype dot = mantissa.indexOf(QLatin1Char('.'));
    const int decimals = dot < 0 ? 0 : static_cast<int>(mantissa.size() - dot - 1);
    return std::pow(10.0, shift - decimals);
}

double CreepMinutes(ActiveClass cls, double countsPerKwh, int elements, double un, double imax) {
    // IEC 62053-21:2003 8.3.2 and IEC 62053-22:2003 8.3.2: Δt ≥ C × 10⁶ /
    // (k m Un Imax) minutes, C = 900 for class 0.2S, 600 for 0.5S and 1, 480
    // for 2; k the meter's steps per kWh.
    double c = 600;
    if (cls == ActiveClass::C02S) {
        c = 900;
    } else if (cls == ActiveClass::C2) {
        c = 480;
    }
    const double denominator = countsPerKwh * elements * un * imax;
    return denominator > 0 ? c * 1e6 / denominator : 0;
}

double EnergyForCheckKwh(double limitPercent, double registerStepKwh, double referenceStepKwh) {
    if (limitPercent <= 0) {
        return 0;
    }
    // Each register is read twice: its error is up to one step of each.
    return (std::abs(registerStepKwh) + std::abs(referenceStepKwh)) / (limitPercent / 100 / 10);
}

std::optional<double> EnergyError(double meterAdvanceKwh, double referenceAdvanceKwh) {
    if (referenceAdvanceKwh <= 0 || !std::isfinite(referenceAdvanceKwh)) {
        return std::nullopt;
    }
    return (meterAdvanceKwh - referenceAdvanceKwh) / referenceAdvanceKwh * 100;
}

}  // namespace mt
