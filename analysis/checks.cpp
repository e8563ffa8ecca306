// SPDX-License-Identifier: GPL-3.0-or-later
#include "checks.h"

#include <QCoreApplication>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace mt {

namespace {
struct CheckTexts {
    Q_DECLARE_TR_FUNCTIONS(CheckTexts)
};
}  // namespace

namespace {

constexpr double kRadian = 180.0 / std::numbers::pi;
const char* const kPhase[3] = {"A", "B", "C"};
const char* const kLine[3] = {"ab", "bc", "ca"};
const char* const kLetter[3] = {"a", "b", "c"};

bool All(const PhaseValues& v) {
    return v[0] && v[1] && v[2];
}

QString Num(double value) {
    // Up to six significant digits, no exponent for ordinary meter values.
    return QString::number(value, 'g', 6);
}

QString Percent(double share) {
    return QString::number(share * 100, 'f', 1) + QStringLiteral(" %");
}

QString Degrees(double degrees) {
    return QString::number(degrees, 'f', 1) + QStringLiteral("°");
}

QString PhaseList(const std::vector<int>& phases) {
    QStringList names;
    for (const int k : phases) {
        names << QLatin1String(kPhase[k]);
    }
    return names.join(CheckTexts::tr("、"));
}

// Angle between two directions, 0 to 180 degrees.
double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

double CircularMean(const std::vector<double>& degrees) {
    double x = 0;
    double y = 0;
    for (const double d : degrees) {
        x += std::cos(d / kRadian);
        y += std::sin(d / kRadian);
    }
    return std::atan2(y, x) * kRadian;
}

// The largest deviation from the mean, over the mean; absent for a mean of 0.
MaybeValue Unbalance(const PhaseValues& v) {
    const double mean = (*v[0] + *v[1] + *v[2]) / 3;
    if (mean <= 0) {
        return std::nullopt;
    }
    double worst = 0;
    for (const auto& x : v) {
        worst = std::max(worst, std::fabs(*x - mean));
    }
    return worst / mean;
}

QString PhaseFigures(const char* symbol, const PhaseValues& v, const QString& unit) {
    QStringList parts;
    for (int k = 0; k < 3; ++k) {
        parts << QStringLiteral("%1%2=%3").arg(
            QLatin1String(symbol), QLatin1String(kLetter[k]),
            v[k] ? Num(*v[k]) + QStringLiteral(" ") + unit : QStringLiteral("—"));
    }
    return parts.join(QStringLiteral(", "));
}

Verdict Grade(double value, double attention, double fault) {
    if (value >= fault) {
        return Verdict::Fault;
    }
    return value >= attention ? Verdict::Attention : Verdict::Normal;
}

CheckResult Missing(const char* id, const QString& name, const QString& what) {
    return {id, name, Verdict::NoData, QString(), CheckTexts::tr("本次采集没有%1的数据").arg(what)};
}

// The phases' power angles and, for those with load, how far each lies from
// what the phases that draw power agree on.
struct AngleView {
    PhaseValues phi;
    PhaseValues deviation;
};

AngleView ViewAngles(const PhaseReadings& r, const Thresholds& t) {
    AngleView view;
    view.phi = PowerAngles(r, t);
    std::vector<int> loaded;
    std::vector<int> drawing;  // loaded phases with P > 0
    for (int k = 0; k < 3; ++k) {
        if (view.phi[k]) {
            loaded.push_back(k);
            if (*r.p[k] > 0) {
                drawing.push_back(k);
            }
        }
    }
    if (loaded.size() < 2) {
        return view;
    }
    // The reference: the phases drawing power when they agree, else the one
    // of them that looks most like a load (smallest |φ|); all phases when
    // none draws power.
    std::vector<double> reference;
    const std::vector<int>& base = drawing.empty() ? loaded : drawing;
    bool agree = true;
    for (const int x : base) {
        for (const int y : base) {
            agree = agree && AngleBetween(*view.phi[x], *view.phi[y]) < t.powerAngleAttention;
        }
    }
    if (agree) {
        for (const int k : base) {
            reference.push_back(*view.phi[k]);
        }
    } else {
        const int best = *std::min_element(base.begin(), base.end(), [&](int x, int y) {
            return std::fabs(*view.phi[x]) < std::fabs(*view.phi[y]);
        });
        reference.push_back(*view.phi[best]);
    }
    const double ref = CircularMean(reference);
    for (const int k : loaded) {
        view.deviation[k] = AngleBetween(*view.phi[k], ref);
    }
    return view;
}

bool NearReversed(double deviation, const Thresholds& t) {
    return std::fabs(deviation - 180) <= t.sequenceTolerance;
}

bool NearWrongPhase(double deviation, const Thresholds& t) {
    return std::fabs(deviation - 120) <= t.sequenceTolerance;
}

// One phase at (nearly) no voltage while the other two read about the line
// voltage: a three-wire supply on a four-wire setting.
bool LooksThreeWire(const PhaseReadings& r, const Thresholds& t) {
    if (!All(r.u) || !All(r.uLine)) {
        return false;
    }
    const double line = (*r.uLine[0] + *r.uLine[1] + *r.uLine[2]) / 3;
    int zero = 0;
    bool othersAtLine = true;
    for (int k = 0; k < 3; ++k) {
        if (*r.u[k] < t.voltageAbsent) {
            ++zero;
        } else {
            othersAtLine = othersAtLine && std::fabs(*r.u[k] / line - 1) < 0.1;
        }
    }
    return zero <= 1 && othersAtLine && line > t.voltageAbsent;
}

CheckResult VoltagePresence(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("相电压缺失或偏低");
    if (!All(r.u)) {
        return Missing("voltage-presence", name, CheckTexts::tr("全部相电压"));
    }
    CheckResult c{"voltage-presence", name, Verdict::Normal,
                  PhaseFigures("U", r.u, QStringLiteral("V")), QString()};
    const double highest = std::max({*r.u[0], *r.u[1], *r.u[2]});
    if (highest < t.voltageAbsent) {
        c.verdict = Verdict::Fault;
        c.advice = CheckTexts::tr("三相电压均接近零：电压没有接入，或电压回路的熔断器、开关断开。");
        return c;
    }
    std::vector<int> missing;
    std::vector<int> low;
    double lowest = 1;
    for (int k = 0; k < 3; ++k) {
        const double others = (*r.u[(k + 1) % 3] + *r.u[(k + 2) % 3]) / 2;
        const double share = others > 0 ? *r.u[k] / others : 1;
        if (share < t.voltageMissing) {
            missing.push_back(k);
        } else if (share < t.voltageLow) {
            low.push_back(k);
            lowest = std::min(lowest, share);
        }
    }
    if (!missing.empty()) {
        c.verdict = Verdict::Fault;
        if (missing.size() == 1 && LooksThreeWire(r, t)) {
            c.advice =
                CheckTexts::tr(
                    "%1相电压为零而另两相电压接近线电压：三线制（V 形）接线接在了按三相四线设置的"
                    "仪表上，%1相接在了中性线端子上；检查仪表的接线方式设置和电压接线。")
                    .arg(PhaseList(missing));
        } else {
            c.advice = CheckTexts::tr("%1相电压缺失：检查该相电压线、熔断器和端子是否断开或松脱。")
                           .arg(PhaseList(missing));
        }
    } else if (!low.empty()) {
        c.verdict = Verdict::Attention;
        c.advice =
            CheckTexts::tr("%1相电压比其他两相低 %2：检查该相电压端子的接触，或供电本身是否偏低。")
                .arg(PhaseList(low), Percent(1 - lowest));
    } else {
        c.advice = CheckTexts::tr("三相电压都在，彼此相近。");
    }
    return c;
}

CheckResult UnbalanceCheck(const char* id, const QString& name, const char* symbol,
                           const PhaseValues& v, const QString& unit, double attention,
                           double fault, const QString& normal, const QString& problem) {
    if (!All(v)) {
        return Missing(id, name, name.left(2));
    }
    const MaybeValue unbalance = Unbalance(v);
    CheckResult c{id, name, Verdict::NoData, PhaseFigures(symbol, v, unit), QString()};
    if (!unbalance) {
        c.advice = CheckTexts::tr("三相均为零，无法计算不平衡度。");
        return c;
    }
    c.figures += CheckTexts::tr("；不平衡度 %1").arg(Percent(*unbalance));
    c.verdict = Grade(*unbalance, attention, fault);
    c.advice = c.verdict == Verdict::Normal ? normal : problem;
    return c;
}

CheckResult LineAgainstPhase(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("线电压与相电压");
    if (!All(r.u) || !All(r.uLine)) {
        return Missing("line-voltage", name, CheckTexts::tr("全部相电压和线电压"));
    }
    CheckResult c{"line-voltage", name, Verdict::Normal, QString(), QString()};
    QStringList figures;
    double worst = 0;
    for (int k = 0; k < 3; ++k) {
        const double u1 = *r.u[k];
        const double u2 = *r.u[(k + 1) % 3];
        // The line voltage of two phase voltages 120° apart.
        const double expected = std::sqrt(u1 * u1 + u2 * u2 + u1 * u2);
        figures << CheckTexts::tr("U%1=%2 V（按 120° 应为 %3 V）")
                       .arg(QLatin1String(kLine[k]), Num(*r.uLine[k]),
                            Num(std::round(expected * 10) / 10));
        if (expected > t.voltageAbsent) {
            worst = std::max(worst, std::fabs(*r.uLine[k] / expected - 1));
        }
    }
    c.figures =
        figures.join(QStringLiteral(", ")) + CheckTexts::tr("；最大偏差 %1").arg(Percent(worst));
    c.verdict = Grade(worst, t.lineVoltageAttention, t.lineVoltageFault);
    if (c.verdict == Verdict::Normal) {
        c.advice = CheckTexts::tr("线电压与相电压相符（约为相电压的 √3 倍）。");
    } else if (LooksThreeWire(r, t)) {
        c.advice = CheckTexts::tr(
            "相电压与线电压相当：三线制接线接在了按三相四线设置的仪表上，或仪表的中性线没有接；"
            "检查接线方式设置和中性线。");
    } else {
        c.advice = CheckTexts::tr(
            "线电压不等于 √3 倍相电压：中性线断开或没有接（中性点偏移），或三线制接线按四线制设置；"
            "检查中性线和接线方式。");
    }
    return c;
}

CheckResult PhaseSequence(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("相序");
    if (r.kind != MeterKind::DinRail) {
        return {"phase-sequence", name, Verdict::NoData, QString(),
                CheckTexts::tr("本仪表不报告电压相角，相序无法判断。")};
    }
    if (!All(r.angle) || !All(r.u)) {
        return Missing("phase-sequence", name, CheckTexts::tr("全部相角和相电压"));
    }
    CheckResult c{"phase-sequence", name, Verdict::Normal, QString(), QString()};
    c.figures = QStringLiteral("AB=%1, BC=%2, CA=%3")
                    .arg(Degrees(*r.angle[0]), Degrees(*r.angle[1]), Degrees(*r.angle[2]));
    const double highest = std::max({*r.u[0], *r.u[1], *r.u[2]});
    for (const auto& u : r.u) {
        if (*u < t.voltageMissing * highest) {
            c.verdict = Verdict::NoData;
            c.advice = CheckTexts::tr("有一相电压缺失，相序无法判断。");
            return c;
        }
    }
    auto near = [&](double target) {
        return std::all_of(r.angle.begin(), r.angle.end(), [&](const MaybeValue& a) {
            return AngleBetween(*a, target) <= t.sequenceTolerance;
        });
    };
    if (near(120)) {
        c.advice = CheckTexts::tr("正相序（A-B-C）。");
    } else if (near(240)) {
        c.verdict = Verdict::Fault;
        c.advice = CheckTexts::tr(
            "逆相序（A-C-B）：交换任意两相的电压线（连同对应的电流线），或检查供电的相序。");
    } else {
        c.verdict = Verdict::Attention;
        c.advice = CheckTexts::tr("相间角度与 120° 相差较多：检查电压接线，或相角寄存器的读法。");
    }
    return c;
}

CheckResult Frequency(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("频率");
    if (!r.frequency) {
        return Missing("frequency", name, CheckTexts::tr("频率"));
    }
    const double deviation = std::fabs(*r.frequency - t.nominalFrequency);
    CheckResult c{
        "frequency", name, Grade(deviation, t.frequencyAttention, t.frequencyFault),
        CheckTexts::tr("f=%1 Hz，额定 %2 Hz，偏差 %3 Hz")
            .arg(Num(*r.frequency), Num(t.nominalFrequency), QString::number(deviation, 'f', 2)),
        QString()};
    c.advice = c.verdict == Verdict::Normal
                   ? CheckTexts::tr("频率正常。")
                   : CheckTexts::tr("频率偏离额定值：确认额定频率（50/60 Hz）选得对，或检查电源。");
    return c;
}

CheckResult PowerDirection(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("有功功率方向");
    if (!All(r.p)) {
        return Missing("power-direction", name, CheckTexts::tr("全部分相有功功率"));
    }
    CheckResult c{"power-direction", name, Verdict::Normal,
                  PhaseFigures("P", r.p, ActivePowerUnit(r)), QString()};
    const AngleView view = ViewAngles(r, t);
    std::vector<int> negative;
    int loaded = 0;
    for (int k = 0; k < 3; ++k) {
        const bool hasLoad =
            All(r.q) ? view.phi[k].has_value() : std::fabs(*r.p[k]) > r.resolution.power;
        if (hasLoad) {
            ++loaded;
            if (*r.p[k] < 0) {
                negative.push_back(k);
            }
        }
    }
    if (loaded == 0) {
        c.verdict = Verdict::NoData;
        c.advice = CheckTexts::tr("三相都没有负荷，功率方向无法判断。");
    } else if (negative.empty()) {
        c.advice = CheckTexts::tr("各相有功功率均为正（从电网取电）。");
    } else if (static_cast<int>(negative.size()) == loaded && loaded > 1) {
        c.verdict = Verdict::Attention;
        c.advice = CheckTexts::tr(
            "各相有功功率均为负：或者三相电流互感器（CT）都接反了，或者负载确实在向电网送电"
            "（发电、反送电）；两种情况都要在现场确认。");
    } else {
        c.verdict = Verdict::Fault;
        std::vector<int> reversed;
        std::vector<int> wrongPhase;
        for (const int k : negative) {
            const bool swapped = view.deviation[k] && NearWrongPhase(*view.deviation[k], t);
            (swapped ? wrongPhase : reversed).push_back(k);
        }
        QStringList advice;
        if (!reversed.empty()) {
            advice
                << CheckTexts::tr(
                       "%1相有功功率为负而其他相为正：%1相电流互感器（CT）极性接反，检查该相 CT 的 "
                       "S1/S2 接线方向。")
                       .arg(PhaseList(reversed));
        }
        if (!wrongPhase.empty()) {
            advice << CheckTexts::tr(
                          "%1相有功功率为负，功率角与其他相相差约 "
                          "120°：%1相的电流接错了相（电流线与电压线"
                          "不同相，例如两相电流线对调），检查电流线的相别。")
                          .arg(PhaseList(wrongPhase));
        }
        c.advice = advice.join(QString());
    }
    return c;
}

CheckResult PowerAngle(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("功率角一致性");
    if (!All(r.p) || !All(r.q)) {
        return Missing("power-angle", name, CheckTexts::tr("全部分相有功和无功功率"));
    }
    const AngleView view = ViewAngles(r, t);
    CheckResult c{"power-angle", name, Verdict::Normal, QString(), QString()};
    QStringList figures;
    double worst = 0;
    int counted = 0;
    for (int k = 0; k < 3; ++k) {
        figures << QStringLiteral("φ%1=%2").arg(
            QLatin1String(kLetter[k]),
            view.phi[k] ? Degrees(*view.phi[k]) : CheckTexts::tr("无负荷"));
        if (view.deviation[k]) {
            ++counted;
            worst = std::max(worst, *view.deviation[k]);
        }
    }
    c.figures = figures.join(QStringLiteral(", "));
    if (counted < 2) {
        c.verdict = Verdict::NoData;
        c.advice = CheckTexts::tr("有负荷的相少于两相，无法比较功率角。");
        return c;
    }
    c.figures += CheckTexts::tr("；最大偏离 %1").arg(Degrees(worst));
    c.verdict = Grade(worst, t.powerAngleAttention, t.powerAngleFault);
    if (c.verdict == Verdict::Normal) {
        c.advice = CheckTexts::tr("各相功率角相近，电流与各自的电压同相。");
        return c;
    }
    std::vector<int> reversed;
    std::vector<int> wrongPhase;
    std::vector<int> other;
    for (int k = 0; k < 3; ++k) {
        if (view.deviation[k] && *view.deviation[k] >= t.powerAngleAttention) {
            const double d = *view.deviation[k];
            (NearReversed(d, t)     ? reversed
             : NearWrongPhase(d, t) ? wrongPhase
                                    : other)
                .push_back(k);
        }
    }
    QStringList advice;
    if (!reversed.empty()) {
        advice << CheckTexts::tr("%1相功率角与其他相相差约 180°：该相 CT 极性接反。")
                      .arg(PhaseList(reversed));
    }
    if (!wrongPhase.empty()) {
        advice << CheckTexts::tr(
                      "%1相功率角与其他相相差约 120°：该相电流接在了别的相上，检查电流线相别。")
                      .arg(PhaseList(wrongPhase));
    }
    if (!other.empty()) {
        advice
            << CheckTexts::tr(
                   "%1相功率角与其他相相差较大：检查该相电流是否与电压同相，或该相负载本身不同。")
                   .arg(PhaseList(other));
    }
    c.advice = advice.join(QString());
    return c;
}

const QString kMeterFault =
    CheckTexts::tr("问题在仪表本身、它的倍率设置或寄存器映射（读错了寄存器）。");

QString ScaleNote(const PhaseReadings& r) {
    return r.kind == MeterKind::DinRail
               ? CheckTexts::tr("（无功功率按与有功功率相同的倍率计，即 kvar）")
               : QString();
}

CheckResult SumCheck(const char* id, const QString& name, const char* symbol,
                     const PhaseValues& phases, const MaybeValue& total, const QString& unit,
                     const PhaseReadings& r, const Thresholds& t, const QString& note) {
    if (!All(phases) || !total) {
        return Missing(id, name, CheckTexts::tr("全部分相值和总值"));
    }
    const double sum = *phases[0] + *phases[1] + *phases[2];
    const double magnitude = std::fabs(*phases[0]) + std::fabs(*phases[1]) + std::fabs(*phases[2]);
    const double allowed = 4 * r.resolution.power + t.sumTolerance * magnitude;
    const double difference = std::fabs(sum - *total);
    CheckResult c{id, name, difference <= allowed ? Verdict::Normal : Verdict::Fault,
                  CheckTexts::tr("Σ%1=%2 %3，总量 %4 %3，差 %5（允许 %6）%7")
                      .arg(QLatin1String(symbol), Num(sum), unit, Num(*total), Num(difference),
                           Num(allowed), note),
                  QString()};
    c.advice = c.verdict == Verdict::Normal ? CheckTexts::tr("分相之和与总量相符。")
                                            : CheckTexts::tr("分相之和与总量不符：") + kMeterFault;
    return c;
}

CheckResult ApparentPower(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("视在功率与 P、Q");
    if (!r.pTotal || !r.qTotal || !r.sTotal) {
        return Missing("apparent-power", name, CheckTexts::tr("总有功、总无功和视在功率"));
    }
    const double vector = std::hypot(*r.pTotal, *r.qTotal);
    // Meters give S either as √(P² + Q²) or as the sum of the phases' S;
    // anything between the two holds together.
    double arithmetic = vector;
    bool phasesKnown = true;
    double phaseSum = 0;
    for (int k = 0; k < 3; ++k) {
        if (r.s[k]) {
            phaseSum += *r.s[k];
        } else if (r.p[k] && r.q[k]) {
            phaseSum += std::hypot(*r.p[k], *r.q[k]);
        } else {
            phasesKnown = false;
        }
    }
    if (phasesKnown) {
        arithmetic = std::max(vector, phaseSum);
    }
    const double allowed =
        4 * r.resolution.power + t.sumTolerance * std::max(*r.sTotal, arithmetic);
    const bool holds = *r.sTotal >= vector - allowed && *r.sTotal <= arithmetic + allowed;
    const QString unit = ApparentPowerUnit(r);
    CheckResult c{
        "apparent-power", name, holds ? Verdict::Normal : Verdict::Fault,
        CheckTexts::tr("S=%1 %2，√(P²+Q²)=%3 %2%4（允许 %5）%6")
            .arg(Num(*r.sTotal), unit, Num(vector),
                 phasesKnown ? CheckTexts::tr("，各相 S 之和=%1 %2").arg(Num(phaseSum), unit)
                             : QString(),
                 Num(allowed), ScaleNote(r)),
        QString()};
    c.advice = holds ? CheckTexts::tr("视在功率与有功、无功功率相符。")
                     : CheckTexts::tr("视在功率与有功、无功功率不符：") + kMeterFault;
    return c;
}

CheckResult PowerAgainstUI(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("P 与 U·I·cosφ");
    CheckResult c{"power-ui", name, Verdict::Normal, QString(), QString()};
    QStringList figures;
    std::vector<int> wrong;
    double worstRatio = 1;
    int counted = 0;
    for (int k = 0; k < 3; ++k) {
        if (!r.u[k] || !r.i[k] || !r.p[k] || !r.q[k]) {
            continue;
        }
        ++counted;
        const double u = *r.u[k];
        const double i = *r.i[k];
        const double ui = u * i / r.powerScale;
        const double s = std::hypot(*r.p[k], *r.q[k]);
        const double cosPhi = s > 0 ? *r.p[k] / s : 1.0;
        const double allowed = 2 * r.resolution.power + r.resolution.voltage * i / r.powerScale +
                               r.resolution.current * u / r.powerScale +
                               t.sumTolerance * std::max(ui, s);
        figures << QStringLiteral("P%1=%2, U%1·I%1·cosφ%1=%3")
                       .arg(QLatin1String(kLetter[k]), Num(*r.p[k]),
                            Num(std::round(ui * cosPhi * 1000) / 1000));
        if (std::fabs(ui - s) > allowed) {
            wrong.push_back(k);
            if (s > 0) {
                worstRatio = ui / s;
            }
        }
    }
    if (counted == 0) {
        return Missing("power-ui", name, CheckTexts::tr("任何一相的电压、电流和功率"));
    }
    c.figures = figures.join(QStringLiteral(", ")) + QStringLiteral(" %1").arg(ActivePowerUnit(r)) +
                ScaleNote(r);
    if (wrong.empty()) {
        c.advice = CheckTexts::tr("各相功率与电压、电流相符。");
    } else {
        c.verdict = Verdict::Fault;
        c.advice = CheckTexts::tr(
                       "%1相 U·I 与功率不符（约 %2 倍）：电流或电压的倍率（CT、PT 变比）设置有误，"
                       "或读错了寄存器；检查仪表的变比设置。")
                       .arg(PhaseList(wrong), QString::number(worstRatio, 'f', 2));
    }
    return c;
}

CheckResult PowerFactor(const PhaseReadings& r, const Thresholds& t) {
    const QString name = CheckTexts::tr("功率因数与 P/S");
    if (!r.powerFactor || !r.pTotal || !r.sTotal) {
        return Missing("power-factor", name, CheckTexts::tr("功率因数、总有功和视在功率"));
    }
    if (*r.sTotal <= r.resolution.power) {
        return {"power-factor", name, Verdict::NoData, QStringLiteral("S=%1").arg(Num(*r.sTotal)),
                CheckTexts::tr("视在功率为零，功率因数无从比较。")};
    }
    const double expected = std::fabs(*r.pTotal) / *r.sTotal;
    const double allowed = 2 * r.resolution.powerFactor + t.sumTolerance;
    const double difference = std::fabs(std::fabs(*r.powerFactor) - expected);
    CheckResult c{"power-factor", name, difference <= allowed ? Verdict::Normal : Verdict::Fault,
                  CheckTexts::tr("PF=%1，|P|/S=%2（允许差 %3）")
                      .arg(Num(*r.powerFactor), QString::number(expected, 'f', 3), Num(allowed)),
                  QString()};
    c.advice = c.verdict == Verdict::Normal
                   ? CheckTexts::tr("功率因数与 P/S 相符（不比较正负号）。")
                   : CheckTexts::tr("功率因数与 P/S 不符：") + kMeterFault;
    return c;
}

}  // namespace

QString VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Normal:
            return CheckTexts::tr("正常");
        case Verdict::Attention:
            return CheckTexts::tr("注意");
        case Verdict::Fault:
            return CheckTexts::tr("异常");
        case Verdict::NoData:
            break;
    }
    return CheckTexts::tr("无数据");
}

std::span<const ThresholdInfo> ThresholdTable() {
    const QString engineering = CheckTexts::tr("工程默认值");
    static const ThresholdInfo table[] = {
        {&Thresholds::voltageLow, "voltage-low", CheckTexts::tr("相电压偏低（占其余两相平均）"),
         QStringLiteral("%"), 100,
         CheckTexts::tr("工程默认值；GB/T 12325-2008 允许 220 V 偏差 +7 %/−10 %")},
        {&Thresholds::voltageMissing, "voltage-missing",
         CheckTexts::tr("相电压缺失（占其余两相平均）"), QStringLiteral("%"), 100, engineering},
        {&Thresholds::voltageAbsent, "voltage-absent", CheckTexts::tr("无电压"),
         QStringLiteral("V"), 1, engineering},
        {&Thresholds::voltageUnbalanceAttention, "voltage-unbalance-attention",
         CheckTexts::tr("电压不平衡度 注意"), QStringLiteral("%"), 100,
         CheckTexts::tr("GB/T 15543-2008 正常限值 2 %（此处按最大偏差/平均值计）")},
        {&Thresholds::voltageUnbalanceFault, "voltage-unbalance-fault",
         CheckTexts::tr("电压不平衡度 异常"), QStringLiteral("%"), 100,
         CheckTexts::tr("GB/T 15543-2008 短时限值 4 %")},
        {&Thresholds::currentUnbalanceAttention, "current-unbalance-attention",
         CheckTexts::tr("电流不平衡度 注意"), QStringLiteral("%"), 100,
         CheckTexts::tr("工程默认值（配电运维常用的 15 % 负荷不平衡限值）")},
        {&Thresholds::currentUnbalanceFault, "current-unbalance-fault",
         CheckTexts::tr("电流不平衡度 异常"), QStringLiteral("%"), 100, engineering},
        {&Thresholds::noLoadShare, "no-load", CheckTexts::tr("无负荷（占最大一相 S）"),
         QStringLiteral("%"), 100, engineering},
        {&Thresholds::powerAngleAttention, "power-angle-attention",
         CheckTexts::tr("功率角偏离 注意"), QStringLiteral("°"), 1, engineering},
        {&Thresholds::powerAngleFault, "power-angle-fault", CheckTexts::tr("功率角偏离 异常"),
         QStringLiteral("°"), 1, engineering},
        {&Thresholds::sequenceTolerance, "angle-tolerance",
         CheckTexts::tr("相角容差（120°/180°/240° 附近）"), QStringLiteral("°"), 1, engineering},
        {&Thresholds::lineVoltageAttention, "line-voltage-attention",
         CheckTexts::tr("线电压与 √3 倍相电压 注意"), QStringLiteral("%"), 100, engineering},
        {&Thresholds::lineVoltageFault, "line-voltage-fault",
         CheckTexts::tr("线电压与 √3 倍相电压 异常"), QStringLiteral("%"), 100, engineering},
        {&Thresholds::sumTolerance, "sum-tolerance",
         CheckTexts::tr("计算一致性容差（另加显示分辨率）"), QStringLiteral("%"), 100,
         CheckTexts::tr("工程默认值（1 级仪表的准确度）")},
        {&Thresholds::frequencyAttention, "frequency-attention", CheckTexts::tr("频率偏差 注意"),
         QStringLiteral("Hz"), 1, CheckTexts::tr("GB/T 15945-2008 正常限值 ±0.2 Hz")},
        {&Thresholds::frequencyFault, "frequency-fault", CheckTexts::tr("频率偏差 异常"),
         QStringLiteral("Hz"), 1, CheckTexts::tr("GB/T 15945-2008 小容量系统限值 ±0.5 Hz")},
    };
    return table;
}

PhaseValues PowerAngles(const PhaseReadings& r, const Thresholds& t) {
    PhaseValues phi;
    if (!All(r.p) || !All(r.q)) {
        return phi;
    }
    double largest = 0;
    for (int k = 0; k < 3; ++k) {
        largest = std::max(largest, std::hypot(*r.p[k], *r.q[k]));
    }
    for (int k = 0; k < 3; ++k) {
        const double s = std::hypot(*r.p[k], *r.q[k]);
        if (s > r.resolution.power && s > t.noLoadShare * largest) {
            phi[k] = std::atan2(*r.q[k], *r.p[k]) * kRadian;
        }
    }
    return phi;
}

std::vector<CheckResult> RunChecks(const PhaseReadings& r, const Thresholds& t) {
    std::vector<CheckResult> results;
    results.reserve(13);
    results.push_back(VoltagePresence(r, t));
    results.push_back(UnbalanceCheck(
        "voltage-unbalance", CheckTexts::tr("电压不平衡度"), "U", r.u, QStringLiteral("V"),
        t.voltageUnbalanceAttention, t.voltageUnbalanceFault, CheckTexts::tr("三相电压平衡。"),
        CheckTexts::tr("三相电压不平衡：检查电压接线和端子；若接线无误，是供电侧的不平衡。")));
    results.push_back(LineAgainstPhase(r, t));
    results.push_back(PhaseSequence(r, t));
    results.push_back(Frequency(r, t));
    results.push_back(UnbalanceCheck(
        "current-unbalance", CheckTexts::tr("电流不平衡度"), "I", r.i, QStringLiteral("A"),
        t.currentUnbalanceAttention, t.currentUnbalanceFault, CheckTexts::tr("三相电流平衡。"),
        CheckTexts::tr("三相电流不平衡：多为各相负荷不均；若某相电流明显偏小，检查该相 CT 和电流线"
                       "是否开路或短接。")));
    results.push_back(PowerDirection(r, t));
    results.push_back(PowerAngle(r, t));
    results.push_back(SumCheck("sum-p", CheckTexts::tr("ΣP 与总有功功率"), "P", r.p, r.pTotal,
                               ActivePowerUnit(r), r, t, QString()));
    results.push_back(SumCheck("sum-q", CheckTexts::tr("ΣQ 与总无功功率"), "Q", r.q, r.qTotal,
                               ReactivePowerUnit(r), r, t, ScaleNote(r)));
    results.push_back(ApparentPower(r, t));
    results.push_back(PowerAgainstUI(r, t));
    results.push_back(PowerFactor(r, t));
    return results;
}

QString Conclusion(const std::vector<CheckResult>& results) {
    for (const Verdict wanted : {Verdict::Fault, Verdict::Attention}) {
        for (const CheckResult& c : results) {
            if (c.verdict == wanted) {
                return VerdictText(wanted) + CheckTexts::tr("：") + c.advice;
            }
        }
    }
    const bool any = std::any_of(results.begin(), results.end(),
                                 [](const CheckResult& c) { return c.verdict != Verdict::NoData; });
    return any ? CheckTexts::tr("正常：接线与读数相符。")
               : CheckTexts::tr("无数据：本次采集没有可分析的数值。");
}

}  // namespace mt
