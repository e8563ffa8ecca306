// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <optional>
#include <span>

namespace mt {

// The quantities an accuracy test can judge, in the order the record lists
// them. Powers are in W, var and VA whatever the meter's own unit.
enum class Quantity { Ua, Ub, Uc, Ia, Ib, Ic, Pa, Pb, Pc, P, Q, S, PF, F, Count };
inline constexpr int kQuantityCount = static_cast<int>(Quantity::Count);

// "Ua", "Ia", "P", "PF", "F", ...
QString QuantityCode(Quantity q);
// "V", "A", "W", "var", "VA", "", "Hz".
QString QuantityUnit(Quantity q);
// The screen field (object name) that carries the quantity on both families.
const char* QuantityField(Quantity q);

// The accuracy class of a meter's active energy (and power).
enum class ActiveClass { C02S, C05S, C1, C2 };
QString ActiveClassText(ActiveClass c);  // "0.2S", "0.5S", "1", "2"
std::optional<ActiveClass> ActiveClassOf(const QString& text);

// How a meter is connected: directly (its current is rated as a basic current
// Ib) or through current transformers (rated current In). The class tables
// differ at small currents.
enum class Connection { Direct, Transformer };

// A power factor as a test point states it: 1, 0.5L (inductive, lagging),
// 0.8C (capacitive, leading). `value` is cos φ in 0..1.
struct PowerFactor {
    double value = 1;
    enum Kind { Unity, Inductive, Capacitive } kind = Unity;

    bool operator==(const PowerFactor&) const = default;
    // sin φ with its sign: positive for an inductive load.
    double signedSine() const;
};
std::optional<PowerFactor> PowerFactorOf(const QString& text);
QString PowerFactorText(const PowerFactor& pf);

// The permitted error of active power and energy (%) for a class at a
// current (as a fraction of Ib or In) and power factor, for balanced load;
// nothing below the smallest current the class table covers.
std::optional<double> ActivePowerLimit(ActiveClass cls, Connection connection, double current,
                                       const PowerFactor& pf);

// The limit of a quantity at a test point: active powers follow the class
// table; reactive power the class-2 table of reactive meters; voltages and
// currents their own class in % of the reading; power factor its class
// divided by 100 as an absolute difference; frequency 0.1 of that class in %.
struct LimitInputs {
    ActiveClass activeClass = ActiveClass::C1;
    double valueClass = 0.5;  // voltage and current class, %
    Connection connection = Connection::Direct;
    double current = 1;  // fraction of Ib / In
    PowerFactor pf;
};
std::optional<double> QuantityLimit(Quantity q, const LimitInputs& in);

// The N readings of one quantity: count, mean and sample standard deviation.
struct Statistics {
    int count = 0;
    double mean = 0;
    double stddev = 0;
};
Statistics StatisticsOf(std::span<const double> values);

enum class AccuracyVerdict {
    Pass,         // 合格
    Fail,         // 不合格
    TooCoarse,    // the reading's resolution cannot decide the limit
    NoReference,  // the reference is zero (or missing): no relative error
    NoLimit,      // no limit at this point: shown, not judged
};
QString VerdictText(AccuracyVerdict v);

// One quantity of one position at one point.
struct Judgement {
    Statistics reading;
    double reference = 0;
    std::optional<double> error;  // %; for the power factor the absolute difference
    std::optional<double> limit;
    // The half steps of the reading's and the reference's resolution, in the
    // error's unit: how finely the error can be known.
    double errorResolution = 0;
    AccuracyVerdict verdict = AccuracyVerdict::NoLimit;
};

// γ = (Ax − A0) / A0 × 100 % (for the power factor Ax − A0). The verdict:
// 不合格 when even the resolution cannot bring the error inside the limit; too
// coarse when the resolution exceeds half the limit; else 合格 when |γ| is
// within the limit. `resolution` and `referenceResolution` are the smallest
// steps of the readings in the quantity's unit.
Judgement Judge(Quantity q, std::span<const double> readings, double referenceMean,
                double resolution, double referenceResolution, std::optional<double> limit);

// The smallest step of a number as written: "230.1" → 0.1, "5" → 1, "0.250" →
// 0.001; nothing for no number.
std::optional<double> ResolutionOfText(const QString& text);

// No-load creep: the minimum test time (minutes) for a register that counts
// `countsPerKwh` steps per kWh on `elements` measuring elements at rated
// voltage `un` (V) and maximum current `imax` (A).
double CreepMinutes(ActiveClass cls, double countsPerKwh, int elements, double un, double imax);

// The energy a register check must run for so that the registers' steps
// (kWh) leave the error known to a tenth of the limit.
double EnergyForCheckKwh(double limitPercent, double registerStepKwh, double referenceStepKwh);

// The energy register's error (%) from the two advances; nothing when the
// reference did not advance.
std::optional<double> EnergyError(double meterAdvanceKwh, double referenceAdvanceKwh);

}  // namespace mt
