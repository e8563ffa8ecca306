// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/meterkind.h"
#include "random.h"
#include "source.h"
#include "wiring.h"

namespace mt {

// A wall-clock date and time of the simulated meter (no time zone).
struct CalendarTime {
    int year = 2024;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// A time stamp as the meter keeps it in three registers: year - 2000, month,
// day, hour, minute, second, one byte each, in this order.
using TimeStamp = std::array<std::uint8_t, 6>;

// The time-of-use tariffs in the order the meter stores them after the total.
enum class Tariff { Sharp, Peak, Flat, Valley };
inline constexpr std::size_t kTariffCount = 4;

// The tariff in force at an hour of the day (0..23).
Tariff TariffAtHour(int hour);

// An energy counter with its four tariff counters; total is their sum.
struct TariffEnergy {
    std::int64_t total = 0;
    std::array<std::int64_t, kTariffCount> tariffs{};
};

// The DIN-rail meter's six energy blocks, in register order (8192, 8448, ...).
enum RailEnergyBlock : std::size_t {
    kCombinedActive,  // forward + reverse active energy
    kForwardActive,
    kReverseActive,
    kCombinedReactive,  // forward + reverse reactive energy
    kForwardReactive,
    kReverseReactive,
    kRailEnergyBlocks
};

// Everything the simulated meter measures at one moment. Phase quantities are
// indexed a, b, c; line voltages and angles ab, bc, ca. On the panel-mount
// meter these are the values at the meter's terminals (secondary side); the
// primary side is these times the transformer ratios.
struct MeterValues {
    std::array<double, 3> u{};      // phase voltage, V
    std::array<double, 3> uLine{};  // line voltage, V
    std::array<double, 3> i{};      // current, A
    std::array<double, 3> p{};      // active power, W
    std::array<double, 3> q{};      // reactive power, var
    std::array<double, 3> s{};      // apparent power, VA
    std::array<double, 3> pf{};     // power factor
    std::array<double, 3> angle{};  // angle between the phase voltages, degrees
    double pTotal = 0;
    double qTotal = 0;
    double sTotal = 0;
    double pfTotal = 0;
    double frequency = 0;  // Hz

    // Panel-mount meter: transformer ratios and the four energy counters at
    // the terminals in Wh / varh (the register unit 0.001 kWh).
    double voltageRatio = 1;
    double currentRatio = 1;
    std::int64_t wpp = 0;  // positive active
    std::int64_t wpn = 0;  // negative active
    std::int64_t wqp = 0;  // positive reactive
    std::int64_t wqn = 0;  // negative reactive

    // DIN-rail meter: energy blocks in 0.01 kWh / kvarh, maximum demands
    // (voltage V, current A) with the moments they occurred, and the moment
    // the energy counters were last cleared.
    std::array<TariffEnergy, kRailEnergyBlocks> railEnergy{};
    double voltageDemand = 0;
    double currentDemand = 0;
    TimeStamp voltageDemandTime{};
    TimeStamp currentDemandTime{};
    TimeStamp clearedTime{};

    // Panel-mount meter: relay outputs (coils) and switch inputs, bit k = channel k.
    std::uint8_t coils = 0;
    std::uint8_t inputs = 0;
};

// How a quantity sits in the registers.
enum class Encoding {
    Float32,  // IEEE single over two registers, most significant half first
    Int16,    // signed, one register
    Int32,    // signed, two registers, high word first
    Stamp,    // TimeStamp over three registers
};

int RegisterWidth(Encoding encoding);

// One quantity of a register map. `stored` gives the number the registers
// hold (already multiplied by the meter's scale); that number divided by
// `divisor` is the value in `unit`. Stamps come from `stamp` instead.
struct RegisterField {
    std::uint16_t first;
    Encoding encoding;
    double divisor;
    std::string_view name;
    std::string_view unit;
    double (*stored)(const MeterValues&) = nullptr;
    TimeStamp (*stamp)(const MeterValues&) = nullptr;
};

// A run of consecutive registers that a read may cover in one piece.
struct RegisterRange {
    std::uint16_t first;
    std::uint16_t last;
};

// Registers that lie inside a range but hold no quantity read as 0.
std::span<const RegisterRange> RegisterRanges(MeterKind kind);
std::span<const RegisterField> RegisterFields(MeterKind kind);
// Coils and discrete inputs that exist (the panel-mount meter has four of each).
std::uint16_t BitPointCount(MeterKind kind);

// A simulated meter: plausible, slowly varying values that are a pure
// function of the seed, the start time and the time since the start, so a
// run can be repeated and a test can ask what any moment looked like.
class MeterModel {
public:
    MeterModel(MeterKind kind, std::uint64_t seed, CalendarTime start, Wiring wiring = {});

    MeterKind Kind() const { return kind_; }
    const Wiring& WiringOf() const { return wiring_; }
    CalendarTime Start() const { return start_; }

    MeterValues ValuesAt(std::int64_t ms) const;

    // Makes the meter measure what a test bench's source gives instead of
    // its own load, with its own measuring error. The transformer ratios
    // are then 1: the meter shows what the source sets. `source` outlives
    // the model.
    void FollowSource(SimSource* source, const MeterError& error);
    const MeterError& Error() const { return error_; }

    // The contents of `count` registers from `first` (function 3 and 4 read
    // the same registers). Nothing when any of them lies outside the map or
    // the registers span two ranges.
    std::optional<std::vector<std::uint16_t>> ReadRegisters(std::uint16_t first,
                                                            std::uint16_t count,
                                                            std::int64_t ms) const;

    // Coil (kReadCoils) or discrete-input (kReadDiscreteInputs) states from `first`.
    // Nothing when any point does not exist.
    std::optional<std::vector<bool>> ReadBits(std::uint8_t function, std::uint16_t first,
                                              std::uint16_t count, std::int64_t ms) const;

    // The whole register image of one range at a moment.
    std::vector<std::uint16_t> RangeImage(const RegisterRange& range,
                                          const MeterValues& values) const;

private:
    // value(t) = mean * (1 + a1 sin(w1 t + p1) + a2 sin(w2 t + p2)), t in seconds.
    struct Wave {
        double mean = 0;
        double a1 = 0, w1 = 1, p1 = 0;
        double a2 = 0, w2 = 1, p2 = 0;
        double At(double t) const;
        double Integral(double t) const;  // from 0 to t
    };
    struct Demand {
        std::int64_t sample = -1;  // last demand sample included
        double voltage = 0;
        double current = 0;
        std::int64_t voltageSample = 0;
        std::int64_t currentSample = 0;
    };

    static Wave MakeWave(Rng& rng, double mean, double depth);
    void Fill(MeterValues& v, double t) const;
    void FillFromSource(MeterValues& v, double t) const;
    // The active energy the meter has counted (W·s) and its reactive
    // energy's positive or negative part (var·s) up to t.
    double CountedActive(double t) const;
    double CountedReactive(double t, bool negative) const;
    void FillPanelEnergy(MeterValues& v, double t) const;
    void FillRailEnergy(MeterValues& v, double t) const;
    void FillDemand(MeterValues& v, std::int64_t ms) const;
    TimeStamp StampAt(std::int64_t secondsFromStart) const;

    MeterKind kind_;
    std::uint64_t seed_;
    Wiring wiring_;
    CalendarTime start_;
    std::int64_t startEpochSeconds_;

    std::array<Wave, 3> voltage_;
    std::array<Wave, 3> power_;
    std::array<Wave, 3> reactive_;
    std::array<Wave, 2> angle_;
    Wave frequency_;
    double voltageRatio_ = 1;
    double currentRatio_ = 1;
    // Counters at the start: panel-mount wpp, wpn, wqp, wqn (Wh);
    // DIN-rail forward/reverse active/reactive per tariff (kWh).
    std::array<double, 4> panelEnergy0_{};
    std::array<std::array<double, kTariffCount>, 4> railEnergy0_{};
    std::int64_t clearedSecondsBeforeStart_ = 0;
    mutable Demand demand_;
    SimSource* source_ = nullptr;
    MeterError error_;
};

// Every register of the map at `ms` after the start, one line each:
// register, name, the register contents in hexadecimal, the value with its
// unit; then the coils and discrete inputs. For tests and benches that check
// what a screen shows against what was served.
std::string RegisterDump(const MeterModel& model, std::int64_t ms);

// Days since 1970-01-01 of a calendar date, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
CalendarTime CalendarFromEpochSeconds(std::int64_t seconds);
std::int64_t EpochSeconds(const CalendarTime& time);

}  // namespace mt
