// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mt {

// What a test bench's source puts on every meter of the line: the phase
// voltage and current, the power factor (lagging unless `capacitive`) and the
// frequency, the same on the three phases.
struct SourcePoint {
    double u = 230;  // V
    double i = 0;    // A
    double pf = 1;   // cos φ, 0 to 1
    bool capacitive = false;
    double f = 50;  // Hz

    // Totals of the three phases, W and var (var negative when capacitive).
    double ActivePower() const;
    double ReactivePower() const;
    bool operator==(const SourcePoint&) const = default;
};

// Reads "U=230 I=5 PF=0.5L F=50" (keys in any case and order, separated by
// blanks or commas; a key left out keeps its value in `base`). Nothing for
// anything else.
std::optional<SourcePoint> ParseSourcePoint(std::string_view text, SourcePoint base = {});
std::string SourcePointText(const SourcePoint& point);

// The source over time: the set point changes at moments (ms since start),
// and the energy it has delivered is the sum over its steady stretches. A
// pure function of the changes made, so every meter of the line sees the
// same source.
class SimSource {
public:
    explicit SimSource(SourcePoint first = {});

    // From `ms` on the source gives `point` (a change in the past of the last
    // change counts from the last change).
    void Set(std::int64_t ms, const SourcePoint& point);
    const SourcePoint& At(std::int64_t ms) const;
    // The energy since the start up to `ms`: active W·s, and the reactive
    // energy's positive and negative parts, var·s.
    double ActiveWattSeconds(std::int64_t ms) const;
    double ReactiveVarSeconds(std::int64_t ms, bool negative) const;

    // A check made before the values of `ms` are read (metersim re-reads its
    // control file here).
    void SetFollower(std::function<void(SimSource&, std::int64_t)> follower) {
        follower_ = std::move(follower);
    }
    void Follow(std::int64_t ms);

private:
    struct Change {
        std::int64_t ms;
        SourcePoint point;
    };
    template <typename F>
    double Integral(std::int64_t ms, F rate) const;

    std::vector<Change> changes_;
    std::function<void(SimSource&, std::int64_t)> follower_;
};

// A simulated meter's measuring error: gains in % of the true value, for the
// power factor an absolute difference, offsets in the quantity's unit (per
// phase), and a creep: the active energy register counts this many W more
// than it measures, also with no current.
struct MeterError {
    double u = 0, i = 0, p = 0, q = 0, f = 0;  // %
    double pf = 0;                             // absolute
    double uOffset = 0, iOffset = 0, pOffset = 0, qOffset = 0;
    double creepWatts = 0;

    bool none() const { return *this == MeterError{}; }
    bool operator==(const MeterError&) const = default;
};

// Adds "QUANTITY=PERCENT[:OFFSET],..." (U, I, P, Q, F; PF=DIFFERENCE) to
// `error`; false (and `error` unchanged) for anything else.
bool AddMeterErrors(std::string_view text, MeterError& error);

}  // namespace mt
