// SPDX-License-Identifier: GPL-3.0-or-later
#include "metermodel.h"

#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "link/request.h"

namespace mt {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr std::int64_t kDemandSampleMs = 15000;   // the demand is sampled every 15 s
constexpr std::int64_t kSwitchSegmentMs = 30000;  // a switch may change every 30 s
constexpr double kWattSecondsPerKwh = 3.6e6;

double Deg(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// Magnitude of the difference of two voltage phasors `angle` degrees apart.
double LineVoltage(double u1, double u2, double angle) {
    return std::sqrt(std::max(0.0, u1 * u1 + u2 * u2 - 2 * u1 * u2 * std::cos(Deg(angle))));
}

// --- register maps -------------------------------------------------------

using V = const MeterValues&;

template <std::size_t B, int T>
double RailCounter(V v) {
    if constexpr (T < 0) {
        return static_cast<double>(v.railEnergy[B].total);
    } else {
        return static_cast<double>(v.railEnergy[B].tariffs[T]);
    }
}

// Primary side of the panel-mount meter: the terminal values times the ratios.
double Pri(V v, double x, bool voltage, bool current) {
    return x * (voltage ? v.voltageRatio : 1) * (current ? v.currentRatio : 1);
}

// A total kept in an integer register is the sum of the phase registers, as
// rounded, so that the screen's totals add up exactly.
double SumOfRounded(const std::array<double, 3>& phases, double scale) {
    return std::round(phases[0] * scale) + std::round(phases[1] * scale) +
           std::round(phases[2] * scale);
}

const RegisterRange kPanelRanges[] = {{10, 57}, {70, 100}};

const RegisterRange kRailRanges[] = {
    {70, 98},     {1024, 1026}, {1040, 1043}, {1056, 1059}, {8192, 8201},
    {8448, 8457}, {8704, 8713}, {8960, 8969}, {9216, 9225}, {9472, 9481},
};

const RegisterField kPanelFields[] = {
    // Primary side, IEEE singles.
    {10, Encoding::Float32, 1, "Uan", "V", [](V v) { return Pri(v, v.u[0], true, false); }},
    {12, Encoding::Float32, 1, "Ubn", "V", [](V v) { return Pri(v, v.u[1], true, false); }},
    {14, Encoding::Float32, 1, "Ucn", "V", [](V v) { return Pri(v, v.u[2], true, false); }},
    {16, Encoding::Float32, 1, "Uab", "V", [](V v) { return Pri(v, v.uLine[0], true, false); }},
    {18, Encoding::Float32, 1, "Ubc", "V", [](V v) { return Pri(v, v.uLine[1], true, false); }},
    {20, Encoding::Float32, 1, "Uca", "V", [](V v) { return Pri(v, v.uLine[2], true, false); }},
    {22, Encoding::Float32, 1, "Ia", "A", [](V v) { return Pri(v, v.i[0], false, true); }},
    {24, Encoding::Float32, 1, "Ib", "A", [](V v) { return Pri(v, v.i[1], false, true); }},
    {26, Encoding::Float32, 1, "Ic", "A", [](V v) { return Pri(v, v.i[2], false, true); }},
    {28, Encoding::Float32, 1, "Pa", "W", [](V v) { return Pri(v, v.p[0], true, true); }},
    {30, Encoding::Float32, 1, "Pb", "W", [](V v) { return Pri(v, v.p[1], true, true); }},
    {32, Encoding::Float32, 1, "Pc", "W", [](V v) { return Pri(v, v.p[2], true, true); }},
    {34, Encoding::Float32, 1, "Ps", "W", [](V v) { return Pri(v, v.pTotal, true, true); }},
    {36, Encoding::Float32, 1, "Qa", "var", [](V v) { return Pri(v, v.q[0], true, true); }},
    {38, Encoding::Float32, 1, "Qb", "var", [](V v) { return Pri(v, v.q[1], true, true); }},
    {40, Encoding::Float32, 1, "Qc", "var", [](V v) { return Pri(v, v.q[2], true, true); }},
    {42, Encoding::Float32, 1, "Qs", "var", [](V v) { return Pri(v, v.qTotal, true, true); }},
    {44, Encoding::Float32, 1, "Ss", "VA", [](V v) { return Pri(v, v.sTotal, true, true); }},
    {46, Encoding::Float32, 1000, "PF", "", [](V v) { return v.pfTotal * 1000; }},
    {48, Encoding::Float32, 1, "F", "Hz", [](V v) { return v.frequency; }},
    {50, Encoding::Float32, 1, "WPP", "kWh",
     [](V v) { return Pri(v, static_cast<double>(v.wpp) / 1000, true, true); }},
    {52, Encoding::Float32, 1, "WPN", "kWh",
     [](V v) { return Pri(v, static_cast<double>(v.wpn) / 1000, true, true); }},
    {54, Encoding::Float32, 1, "WQP", "kvarh",
     [](V v) { return Pri(v, static_cast<double>(v.wqp) / 1000, true, true); }},
    {56, Encoding::Float32, 1, "WQN", "kvarh",
     [](V v) { return Pri(v, static_cast<double>(v.wqn) / 1000, true, true); }},
    // Secondary side, scaled integers.
    {70, Encoding::Int16, 10, "Uan", "V", [](V v) { return v.u[0] * 10; }},
    {71, Encoding::Int16, 10, "Ubn", "V", [](V v) { return v.u[1] * 10; }},
    {72, Encoding::Int16, 10, "Ucn", "V", [](V v) { return v.u[2] * 10; }},
    {73, Encoding::Int16, 10, "Uab", "V", [](V v) { return v.uLine[0] * 10; }},
    {74, Encoding::Int16, 10, "Ubc", "V", [](V v) { return v.uLine[1] * 10; }},
    {75, Encoding::Int16, 10, "Uca", "V", [](V v) { return v.uLine[2] * 10; }},
    {76, Encoding::Int16, 1000, "Ia", "A", [](V v) { return v.i[0] * 1000; }},
    {77, Encoding::Int16, 1000, "Ib", "A", [](V v) { return v.i[1] * 1000; }},
    {78, Encoding::Int16, 1000, "Ic", "A", [](V v) { return v.i[2] * 1000; }},
    {79, Encoding::Int16, 1, "Pa", "W", [](V v) { return v.p[0]; }},
    {80, Encoding::Int16, 1, "Pb", "W", [](V v) { return v.p[1]; }},
    {81, Encoding::Int16, 1, "Pc", "W", [](V v) { return v.p[2]; }},
    {82, Encoding::Int16, 1, "Ps", "W", [](V v) { return SumOfRounded(v.p, 1); }},
    {83, Encoding::Int16, 1, "Qa", "var", [](V v) { return v.q[0]; }},
    {84, Encoding::Int16, 1, "Qb", "var", [](V v) { return v.q[1]; }},
    {85, Encoding::Int16, 1, "Qc", "var", [](V v) { return v.q[2]; }},
    {86, Encoding::Int16, 1, "Qs", "var", [](V v) { return SumOfRounded(v.q, 1); }},
    {87, Encoding::Int16, 1, "Sa", "VA", [](V v) { return v.s[0]; }},
    {88, Encoding::Int16, 1, "Sb", "VA", [](V v) { return v.s[1]; }},
    {89, Encoding::Int16, 1, "Sc", "VA", [](V v) { return v.s[2]; }},
    {90, Encoding::Int16, 1, "Ss", "VA", [](V v) { return SumOfRounded(v.s, 1); }},
    {91, Encoding::Int16, 1000, "PF", "", [](V v) { return v.pfTotal * 1000; }},
    {92, Encoding::Int16, 100, "F", "Hz", [](V v) { return v.frequency * 100; }},
    {93, Encoding::Int32, 1000, "WPP", "kWh", [](V v) { return static_cast<double>(v.wpp); }},
    {95, Encoding::Int32, 1000, "WPN", "kWh", [](V v) { return static_cast<double>(v.wpn); }},
    {97, Encoding::Int32, 1000, "WQP", "kvarh", [](V v) { return static_cast<double>(v.wqp); }},
    {99, Encoding::Int32, 1000, "WQN", "kvarh", [](V v) { return static_cast<double>(v.wqn); }},
};

#define MT_RAIL_ENERGY(reg, block, name, unit)                                        \
    {reg, Encoding::Int32, 100, name, unit, RailCounter<block, -1>},                  \
        {reg + 2, Encoding::Int32, 100, name ".sharp", unit, RailCounter<block, 0>},  \
        {reg + 4, Encoding::Int32, 100, name ".peak", unit, RailCounter<block, 1>},   \
        {reg + 6, Encoding::Int32, 100, name ".flat", unit, RailCounter<block, 2>}, { \
        reg + 8, Encoding::Int32, 100, name ".valley", unit, RailCounter<block, 3>    \
    }

const RegisterField kRailFields[] = {
    {70, Encoding::Int16, 10, "Uan", "V", [](V v) { return v.u[0] * 10; }},
    {71, Encoding::Int16, 10, "Ubn", "V", [](V v) { return v.u[1] * 10; }},
    {72, Encoding::Int16, 10, "Ucn", "V", [](V v) { return v.u[2] * 10; }},
    {73, Encoding::Int16, 10, "Uab", "V", [](V v) { return v.uLine[0] * 10; }},
    {74, Encoding::Int16, 10, "Ubc", "V", [](V v) { return v.uLine[1] * 10; }},
    {75, Encoding::Int16, 10, "Uca", "V", [](V v) { return v.uLine[2] * 10; }},
    {76, Encoding::Int16, 100, "Ia", "A", [](V v) { return v.i[0] * 100; }},
    {77, Encoding::Int16, 100, "Ib", "A", [](V v) { return v.i[1] * 100; }},
    {78, Encoding::Int16, 100, "Ic", "A", [](V v) { return v.i[2] * 100; }},
    // Powers in kW, kvar and kVA, two decimals.
    {79, Encoding::Int16, 100, "Pa", "kW", [](V v) { return v.p[0] / 10; }},
    {80, Encoding::Int16, 100, "Pb", "kW", [](V v) { return v.p[1] / 10; }},
    {81, Encoding::Int16, 100, "Pc", "kW", [](V v) { return v.p[2] / 10; }},
    {82, Encoding::Int16, 100, "Ps", "kW", [](V v) { return SumOfRounded(v.p, 0.1); }},
    {83, Encoding::Int16, 100, "Qa", "kvar", [](V v) { return v.q[0] / 10; }},
    {84, Encoding::Int16, 100, "Qb", "kvar", [](V v) { return v.q[1] / 10; }},
    {85, Encoding::Int16, 100, "Qc", "kvar", [](V v) { return v.q[2] / 10; }},
    {86, Encoding::Int16, 100, "Qs", "kvar", [](V v) { return SumOfRounded(v.q, 0.1); }},
    {87, Encoding::Int16, 100, "Sa", "kVA", [](V v) { return v.s[0] / 10; }},
    {88, Encoding::Int16, 100, "Sb", "kVA", [](V v) { return v.s[1] / 10; }},
    {89, Encoding::Int16, 100, "Sc", "kVA", [](V v) { return v.s[2] / 10; }},
    {90, Encoding::Int16, 100, "Ss", "kVA", [](V v) { return SumOfRounded(v.s, 0.1); }},
    // 91 to 93 are reserved and read as 0.
    {94, Encoding::Int16, 1000, "PF", "", [](V v) { return v.pfTotal * 1000; }},
    {95, Encoding::Int16, 100, "F", "Hz", [](V v) { return v.frequency * 100; }},
    {96, Encoding::Int16, 100, "Oab", "deg", [](V v) { return v.angle[0] * 100; }},
    {97, Encoding::Int16, 100, "Obc", "deg", [](V v) { return v.angle[1] * 100; }},
    {98, Encoding::Int16, 100, "Oca", "deg", [](V v) { return v.angle[2] * 100; }},
    {1024, Encoding::Stamp, 1, "EPP0Time", "", nullptr, [](V v) { return v.clearedTime; }},
    {1040, Encoding::Int16, 10, "UMax", "V", [](V v) { return v.voltageDemand * 10; }},
    {1041, Encoding::Stamp, 1, "UMaxTime", "", nullptr, [](V v) { return v.voltageDemandTime; }},
    {1056, Encoding::Int16, 10, "IMax", "A", [](V v) { return v.currentDemand * 10; }},
    {1057, Encoding::Stamp, 1, "IMaxTime", "", nullptr, [](V v) { return v.currentDemandTime; }},
    MT_RAIL_ENERGY(8192, kCombinedActive, "SW", "kWh"),
    MT_RAIL_ENERGY(8448, kForwardActive, "FAE", "kWh"),
    MT_RAIL_ENERGY(8704, kReverseActive, "RAE", "kWh"),
    MT_RAIL_ENERGY(8960, kCombinedReactive, "SRE", "kvarh"),
    MT_RAIL_ENERGY(9216, kForwardReactive, "FRE", "kvarh"),
    MT_RAIL_ENERGY(9472, kReverseReactive, "RRE", "kvarh"),
};

#undef MT_RAIL_ENERGY

template <typename Int>
Int RoundClamped(double x) {
    if (!std::isfinite(x)) {
        return 0;
    }
    const double low = static_cast<double>(std::numeric_limits<Int>::min());
    const double high = static_cast<double>(std::numeric_limits<Int>::max());
    return static_cast<Int>(std::clamp(std::round(x), low, high));
}

void WriteField(const RegisterField& field, const MeterValues& values,
                std::vector<std::uint16_t>& image, std::size_t at) {
    switch (field.encoding) {
        case Encoding::Float32: {
            const auto bits =
                std::bit_cast<std::uint32_t>(static_cast<float>(field.stored(values)));
            image[at] = static_cast<std::uint16_t>(bits >> 16);
            image[at + 1] = static_cast<std::uint16_t>(bits & 0xFFFFU);
            break;
        }
        case Encoding::Int16:
            image[at] =
                static_cast<std::uint16_t>(RoundClamped<std::int16_t>(field.stored(values)));
            break;
        case Encoding::Int32: {
            const auto bits =
                static_cast<std::uint32_t>(RoundClamped<std::int32_t>(field.stored(values)));
            image[at] = static_cast<std::uint16_t>(bits >> 16);
            image[at + 1] = static_cast<std::uint16_t>(bits & 0xFFFFU);
            break;
        }
        case Encoding::Stamp: {
            const TimeStamp stamp = field.stamp(values);
            for (std::size_t k = 0; k < 3; ++k) {
                image[at + k] = static_cast<std::uint16_t>((stamp[2 * k] << 8) | stamp[2 * k + 1]);
            }
            break;
        }
    }
}

}  // namespace

Tariff TariffAtHour(int hour) {
    // A common time-of-use day: valley at night, sharp peaks late morning and
    // early evening, peak around them, flat in between.
    static constexpr Tariff kDay[24] = {
        Tariff::Valley, Tariff::Valley, Tariff::Valley, Tariff::Valley, Tariff::Valley,
        Tariff::Valley, Tariff::Valley, Tariff::Flat,   Tariff::Peak,   Tariff::Peak,
        Tariff::Sharp,  Tariff::Sharp,  Tariff::Flat,   Tariff::Flat,   Tariff::Flat,
        Tariff::Flat,   Tariff::Flat,   Tariff::Peak,   Tariff::Peak,   Tariff::Sharp,
        Tariff::Sharp,  Tariff::Peak,   Tariff::Peak,   Tariff::Valley,
    };
    return kDay[((hour % 24) + 24) % 24];
}

int RegisterWidth(Encoding encoding) {
    switch (encoding) {
        case Encoding::Int16:
            return 1;
        case Encoding::Float32:
        case Encoding::Int32:
            return 2;
        case Encoding::Stamp:
            return 3;
    }
    return 1;
}

std::span<const RegisterRange> RegisterRanges(MeterKind kind) {
    if (kind == MeterKind::PanelMount) {
        return kPanelRanges;
    }
    return kRailRanges;
}

std::span<const RegisterField> RegisterFields(MeterKind kind) {
    if (kind == MeterKind::PanelMount) {
        return kPanelFields;
    }
    return kRailFields;
}

std::uint16_t BitPointCount(MeterKind kind) {
    return kind == MeterKind::PanelMount ? 4 : 0;
}

// --- calendar --------------------------------------------------------------

// Days since 1970-01-01 in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CalendarTime CalendarFromEpochSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    CalendarTime t;
    t.year = static_cast<int>(y);
    t.month = static_cast<int>(m);
    t.day = static_cast<int>(d);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::int64_t EpochSeconds(const CalendarTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
           time.minute * 60 + time.second;
}

// --- the model -------------------------------------------------------------

double MeterModel::Wave::At(double t) const {
    return mean * (1 + a1 * std::sin(w1 * t + p1) + a2 * std::sin(w2 * t + p2));
}

double MeterModel::Wave::Integral(double t) const {
    return mean * (t + a1 / w1 * (std::cos(p1) - std::cos(w1 * t + p1)) +
                   a2 / w2 * (std::cos(p2) - std::cos(w2 * t + p2)));
}

MeterModel::Wave MeterModel::MakeWave(Rng& rng, double mean, double depth) {
    Wave w;
    w.mean = mean;
    w.a1 = depth * rng.Uniform(0.6, 1.0);
    w.w1 = kTwoPi / rng.Uniform(60, 300);
    w.p1 = rng.Uniform(0, kTwoPi);
    w.a2 = depth * rng.Uniform(0.2, 0.5);
    w.w2 = kTwoPi / rng.Uniform(15, 60);
    w.p2 = rng.Uniform(0, kTwoPi);
    return w;
}

MeterModel::MeterModel(MeterKind kind, std::uint64_t seed, CalendarTime start, Wiring wiring)
    : kind_(kind),
      seed_(seed),
      wiring_(wiring),
      start_(start),
      startEpochSeconds_(EpochSeconds(start)) {
    Rng rng(HashOf(seed, kind == MeterKind::PanelMount ? 1 : 2));
    const bool panel = kind == MeterKind::PanelMount;
    // The panel-mount meter sits behind 100/5 A current transformers (about
    // 4 A at its terminals); the DIN-rail meter carries the load directly.
    const double powerLow = panel ? 600 : 2000;
    const double powerHigh = panel ? 950 : 4500;
    // A three-phase load: the phases differ by a few per cent and their
    // active powers rise and fall together, so a healthy meter stays well
    // inside the usual balance limits.
    const double powerMid = (powerLow + powerHigh) / 2;
    for (std::size_t k = 0; k < 3; ++k) {
        voltage_[k] = MakeWave(rng, 220 + 0.4 * rng.Uniform(-2.5, 2.5), 0.006);
        const double p = powerMid + 0.25 * (rng.Uniform(powerLow, powerHigh) - powerMid);
        const double pf = 0.915 + 0.4 * (rng.Uniform(0.86, 0.97) - 0.915);
        power_[k] = MakeWave(rng, p, 0.08);
        reactive_[k] = MakeWave(rng, p * std::tan(std::acos(pf)), 0.10);
    }
    for (std::size_t k = 1; k < 3; ++k) {
        const double mean = power_[k].mean;
        power_[k] = power_[0];
        power_[k].mean = mean;
    }
    for (auto& a : angle_) {
        a = MakeWave(rng, 120, 0.0015);
    }
    frequency_ = MakeWave(rng, 50, 0.0006);
    if (panel) {
        voltageRatio_ = 1;
        currentRatio_ = 20;
        panelEnergy0_ = {rng.Uniform(2e6, 4e7), rng.Uniform(0, 2e4), rng.Uniform(5e5, 1e7),
                         rng.Uniform(0, 5e3)};
    } else {
        const double scale[4] = {1500, 15, 400, 8};  // forward/reverse active/reactive, kWh
        for (std::size_t b = 0; b < 4; ++b) {
            for (auto& e : railEnergy0_[b]) {
                e = rng.Uniform(0.2, 1.0) * scale[b];
            }
        }
        clearedSecondsBeforeStart_ =
            static_cast<std::int64_t>(rng.Uniform(20, 400) * 86400) / 60 * 60;
    }
}

void MeterModel::FollowSource(SimSource* source, const MeterError& error) {
    source_ = source;
    error_ = error;
    voltageRatio_ = 1;
    currentRatio_ = 1;
    demand_ = Demand{};
}

void MeterModel::FillFromSource(MeterValues& v, double t) const {
    const SourcePoint& point = source_->At(static_cast<std::int64_t>(std::llround(t * 1000)));
    const MeterError& e = error_;
    const double sine =
        std::sqrt(std::max(0.0, 1 - point.pf * point.pf)) * (point.capacitive ? -1 : 1);
    const double apparent = point.u * point.i;
    for (std::size_t k = 0; k < 3; ++k) {
        v.u[k] = std::max(0.0, point.u * (1 + e.u / 100) + e.uOffset);
        v.i[k] = std::max(0.0, point.i * (1 + e.i / 100) + e.iOffset);
        v.p[k] = apparent * point.pf * (1 + e.p / 100) + e.pOffset;
        v.q[k] = apparent * sine * (1 + e.q / 100) + e.qOffset;
        v.s[k] = std::hypot(v.p[k], v.q[k]);
        v.pf[k] = v.s[k] > 0 ? v.p[k] / v.s[k] : 1;
        v.angle[k] = 120;
    }
    for (std::size_t k = 0; k < 3; ++k) {
        v.uLine[k] = LineVoltage(v.u[k], v.u[(k + 1) % 3], v.angle[k]);
    }
    v.pTotal = v.p[0] + v.p[1] + v.p[2];
    v.qTotal = v.q[0] + v.q[1] + v.q[2];
    v.sTotal = v.s[0] + v.s[1] + v.s[2];
    // The power factor as the meter reports it: the source's, off by the
    // meter's own error.
    v.pfTotal = std::clamp((point.i > 0 ? point.pf : 1.0) + e.pf, -1.0, 1.0);
    v.frequency = point.f * (1 + e.f / 100);
    v.voltageRatio = 1;
    v.currentRatio = 1;
}

double MeterModel::CountedActive(double t) const {
    if (source_ == nullptr) {
        return power_[0].Integral(t) + power_[1].Integral(t) + power_[2].Integral(t);
    }
    const auto ms = static_cast<std::int64_t>(std::llround(t * 1000));
    return source_->ActiveWattSeconds(ms) * (1 + error_.p / 100) +
           (3 * error_.pOffset + error_.creepWatts) * t;
}

double MeterModel::CountedReactive(double t, bool negative) const {
    if (source_ == nullptr) {
        return negative
                   ? 0
                   : reactive_[0].Integral(t) + reactive_[1].Integral(t) + reactive_[2].Integral(t);
    }
    const auto ms = static_cast<std::int64_t>(std::llround(t * 1000));
    return source_->ReactiveVarSeconds(ms, negative) * (1 + error_.q / 100);
}

void MeterModel::Fill(MeterValues& v, double t) const {
    if (source_ != nullptr) {
        FillFromSource(v, t);
        return;
    }
    for (std::size_t k = 0; k < 3; ++k) {
        v.u[k] = voltage_[k].At(t);
        v.p[k] = power_[k].At(t);
        v.q[k] = reactive_[k].At(t);
        v.s[k] = std::hypot(v.p[k], v.q[k]);
        v.pf[k] = v.p[k] / v.s[k];
        v.i[k] = v.s[k] / v.u[k];
    }
    v.angle[0] = angle_[0].At(t);
    v.angle[1] = angle_[1].At(t);
    v.angle[2] = 360 - v.angle[0] - v.angle[1];
    for (std::size_t k = 0; k < 3; ++k) {
        v.uLine[k] = LineVoltage(v.u[k], v.u[(k + 1) % 3], v.angle[k]);
    }
    v.pTotal = v.p[0] + v.p[1] + v.p[2];
    v.qTotal = v.q[0] + v.q[1] + v.q[2];
    v.sTotal = v.s[0] + v.s[1] + v.s[2];
    v.pfTotal = v.pTotal / v.sTotal;
    v.frequency = frequency_.At(t);
    v.voltageRatio = voltageRatio_;
    v.currentRatio = currentRatio_;
}

void MeterModel::FillPanelEnergy(MeterValues& v, double t) const {
    // Counters in Wh: the load draws active and inductive reactive power, so
    // the negative counters stand still (a source may lead, though).
    v.wpp = static_cast<std::int64_t>(std::floor(panelEnergy0_[0] + CountedActive(t) / 3600));
    v.wpn = static_cast<std::int64_t>(std::floor(panelEnergy0_[1]));
    v.wqp =
        static_cast<std::int64_t>(std::floor(panelEnergy0_[2] + CountedReactive(t, false) / 3600));
    v.wqn =
        static_cast<std::int64_t>(std::floor(panelEnergy0_[3] + CountedReactive(t, true) / 3600));
}

void MeterModel::FillRailEnergy(MeterValues& v, double t) const {
    auto pIntegral = [this](double x) { return CountedActive(x); };
    auto qIntegral = [this](double x) { return CountedReactive(x, false); };
    // Walk the hours since the start: the energy of each hour goes to the
    // tariff of that hour of the day.
    std::array<double, kTariffCount> activeWs{};
    std::array<double, kTariffCount> reactiveWs{};
    const std::int64_t firstBoundary = 3600 - (((startEpochSeconds_ % 3600) + 3600) % 3600);
    double from = 0;
    double pFrom = 0;
    double qFrom = 0;
    std::int64_t hourStart = startEpochSeconds_;
    for (std::int64_t boundary = firstBoundary; from < t; boundary += 3600) {
        const double to = std::min(static_cast<double>(boundary), t);
        const double pTo = pIntegral(to);
        const double qTo = qIntegral(to);
        const std::int64_t hourOfDay = (((hourStart % 86400) + 86400) % 86400) / 3600;
        const auto tariff = static_cast<std::size_t>(TariffAtHour(static_cast<int>(hourOfDay)));
        activeWs[tariff] += pTo - pFrom;
        reactiveWs[tariff] += qTo - qFrom;
        from = to;
        pFrom = pTo;
        qFrom = qTo;
        hourStart = startEpochSeconds_ + boundary;
    }
    auto counter = [](double kwh) { return static_cast<std::int64_t>(std::floor(kwh * 100)); };
    auto& e = v.railEnergy;
    for (std::size_t k = 0; k < kTariffCount; ++k) {
        e[kForwardActive].tariffs[k] =
            counter(railEnergy0_[0][k] + activeWs[k] / kWattSecondsPerKwh);
        e[kReverseActive].tariffs[k] = counter(railEnergy0_[1][k]);
        e[kForwardReactive].tariffs[k] =
            counter(railEnergy0_[2][k] + reactiveWs[k] / kWattSecondsPerKwh);
        e[kReverseReactive].tariffs[k] = counter(railEnergy0_[3][k]);
        e[kCombinedActive].tariffs[k] = e[kForwardActive].tariffs[k] + e[kReverseActive].tariffs[k];
        e[kCombinedReactive].tariffs[k] =
            e[kForwardReactive].tariffs[k] + e[kReverseReactive].tariffs[k];
    }
    for (auto& block : e) {
        block.total = 0;
        for (const std::int64_t c : block.tariffs) {
            block.total += c;
        }
    }
}

TimeStamp MeterModel::StampAt(std::int64_t secondsFromStart) const {
    const CalendarTime c = CalendarFromEpochSeconds(startEpochSeconds_ + secondsFromStart);
    auto byte = [](int x) { return static_cast<std::uint8_t>(std::clamp(x, 0, 255)); };
    return {byte(c.year - 2000), byte(c.month),  byte(c.day),
            byte(c.hour),        byte(c.minute), byte(c.second)};
}

void MeterModel::FillDemand(MeterValues& v, std::int64_t ms) const {
    // The maximum demands are the largest phase voltage and current seen on
    // the sampling grid since the start. The result depends only on `ms`;
    // the cache just spares walking the grid again from the start.
    const std::int64_t last = std::max<std::int64_t>(0, ms) / kDemandSampleMs;
    if (last < demand_.sample) {
        demand_ = Demand{};
    }
    MeterValues sampleValues;
    for (std::int64_t k = demand_.sample + 1; k <= last; ++k) {
        Fill(sampleValues, static_cast<double>(k * kDemandSampleMs) / 1000);
        const double u = *std::max_element(sampleValues.u.begin(), sampleValues.u.end());
        const double i = *std::max_element(sampleValues.i.begin(), sampleValues.i.end());
        if (k == 0 || u > demand_.voltage) {
            demand_.voltage = u;
            demand_.voltageSample = k;
        }
        if (k == 0 || i > demand_.current) {
            demand_.current = i;
            demand_.currentSample = k;
        }
        demand_.sample = k;
    }
    v.voltageDemand = demand_.voltage;
    v.currentDemand = demand_.current;
    v.voltageDemandTime = StampAt(demand_.voltageSample * kDemandSampleMs / 1000);
    v.currentDemandTime = StampAt(demand_.currentSample * kDemandSampleMs / 1000);
}

MeterValues MeterModel::ValuesAt(std::int64_t ms) const {
    MeterValues v;
    const std::int64_t clamped = std::max<std::int64_t>(0, ms);
    const double t = static_cast<double>(clamped) / 1000;
    if (source_ != nullptr) {
        source_->Follow(clamped);
    }
    Fill(v, t);
    ApplyWiring(wiring_, v);
    if (kind_ == MeterKind::PanelMount) {
        FillPanelEnergy(v, t);
        const std::int64_t segment = clamped / kSwitchSegmentMs;
        for (unsigned k = 0; k < 4; ++k) {
            if ((HashOf(seed_, 0xC0, k, static_cast<std::uint64_t>(segment)) & 1U) != 0) {
                v.coils = static_cast<std::uint8_t>(v.coils | (1U << k));
            }
            if ((HashOf(seed_, 0xD1, k, static_cast<std::uint64_t>(segment)) & 1U) != 0) {
                v.inputs = static_cast<std::uint8_t>(v.inputs | (1U << k));
            }
        }
    } else {
        FillRailEnergy(v, t);
        FillDemand(v, clamped);
        v.clearedTime = StampAt(-clearedSecondsBeforeStart_);
    }
    return v;
}

std::vector<std::uint16_t> MeterModel::RangeImage(const RegisterRange& range,
                                                  const MeterValues& values) const {
    std::vector<std::uint16_t> image(static_cast<std::size_t>(range.last - range.first + 1), 0);
    for (const RegisterField& field : RegisterFields(kind_)) {
        const int width = RegisterWidth(field.encoding);
        if (field.first >= range.first && field.first + width - 1 <= range.last) {
            WriteField(field, values, image, field.first - range.first);
        }
    }
    return image;
}

std::optional<std::vector<std::uint16_t>> MeterModel::ReadRegisters(std::uint16_t first,
                                                                    std::uint16_t count,
                                                                    std::int64_t ms) const {
    if (count == 0) {
        return std::nullopt;
    }
    const std::uint32_t last = std::uint32_t{first} + count - 1;
    for (const RegisterRange& range : RegisterRanges(kind_)) {
        if (first >= range.first && last <= range.last) {
            const std::vector<std::uint16_t> image = RangeImage(range, ValuesAt(ms));
            const auto begin = image.begin() + (first - range.first);
            return std::vector<std::uint16_t>(begin, begin + count);
        }
    }
    return std::nullopt;
}

std::optional<std::vector<bool>> MeterModel::ReadBits(std::uint8_t function, std::uint16_t first,
                                                      std::uint16_t count, std::int64_t ms) const {
    if (count == 0 || std::uint32_t{first} + count > BitPointCount(kind_)) {
        return std::nullopt;
    }
    const MeterValues v = ValuesAt(ms);
    const std::uint8_t states = function == kReadCoils ? v.coils : v.inputs;
    std::vector<bool> bits(count);
    for (std::uint16_t k = 0; k < count; ++k) {
        bits[k] = ((states >> (first + k)) & 1U) != 0;
    }
    return bits;
}

std::string RegisterDump(const MeterModel& model, std::int64_t ms) {
    const MeterValues values = model.ValuesAt(ms);
    std::string text;
    char line[160];
    for (const RegisterRange& range : RegisterRanges(model.Kind())) {
        const std::vector<std::uint16_t> image = model.RangeImage(range, values);
        for (const RegisterField& field : RegisterFields(model.Kind())) {
            if (field.first < range.first || field.first > range.last) {
                continue;
            }
            const std::size_t at = field.first - range.first;
            const int width = RegisterWidth(field.encoding);
            std::string hex;
            for (int k = 0; k < width; ++k) {
                std::snprintf(line, sizeof line, "%04X", image[at + static_cast<std::size_t>(k)]);
                hex += line;
            }
            const std::uint32_t high = image[at];
            const std::uint32_t pair = width >= 2 ? (high << 16) | image[at + 1] : high;
            std::string value;
            switch (field.encoding) {
                case Encoding::Float32:
                    std::snprintf(line, sizeof line, "%.7g",
                                  static_cast<double>(std::bit_cast<float>(pair)) / field.divisor);
                    value = line;
                    break;
                case Encoding::Int16:
                    std::snprintf(line, sizeof line, "%.15g",
                                  static_cast<std::int16_t>(high) / field.divisor);
                    value = line;
                    break;
                case Encoding::Int32:
                    std::snprintf(line, sizeof line, "%.15g",
                                  static_cast<std::int32_t>(pair) / field.divisor);
                    value = line;
                    break;
                case Encoding::Stamp:
                    for (int k = 0; k < 3; ++k) {
                        const unsigned word = image[at + static_cast<std::size_t>(k)];
                        std::snprintf(line, sizeof line, "%s%02X,%02X", k == 0 ? "" : ",",
                                      word >> 8, word & 0xFFU);
                        value += line;
                    }
                    break;
            }
            if (!field.unit.empty()) {
                value += " ";
                value += field.unit;
            }
            std::snprintf(line, sizeof line, "%u\t%.*s\t%s\t", unsigned{field.first},
                          static_cast<int>(field.name.size()), field.name.data(), hex.c_str());
            text += line;
            text += value;
            text += "\n";
        }
    }
    for (const auto& [name, states] : {std::pair{"coil", values.coils}, {"input", values.inputs}}) {
        for (unsigned k = 0; k < BitPointCount(model.Kind()); ++k) {
            std::snprintf(line, sizeof line, "%s %u\t%u\n", name, k, (states >> k) & 1U);
            text += line;
        }
    }
    return text;
}

}  // namespace mt
