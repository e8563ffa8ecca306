// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace mt {

struct MeterValues;

// How the simulated meter is connected, healthy by default. A fault changes
// what the meter measures the way a real meter would measure that wiring:
// voltages, currents, powers, power factors, line voltages and the angles
// between the phase voltages all follow from the phasors at its terminals.
// Phases are indexed a, b, c (bit 0, 1, 2).
struct Wiring {
    std::uint8_t reversedCts = 0;    // these phases' CTs are connected the wrong way round
    std::uint8_t missingPhases = 0;  // these phases' voltage leads are missing
    bool negativeSequence = false;   // the supply runs a-c-b instead of a-b-c
    // The current leads of these two phases are swapped.
    std::optional<std::pair<int, int>> swappedCurrents;
    // A three-wire supply on a meter set for four wires: phase b sits on the
    // meter's neutral terminal and phase b's CT is absent (V connection).
    bool threeWire = false;
    // The meter reports currents this many times too large; powers stay right.
    double currentScale = 1;

    bool healthy() const {
        return reversedCts == 0 && missingPhases == 0 && !negativeSequence && !swappedCurrents &&
               !threeWire && currentScale == 1;
    }
    bool operator==(const Wiring&) const = default;
};

// Adds one or more comma-separated wiring faults to `wiring`:
//   reverse-ct=PHASES     e.g. reverse-ct=b, reverse-ct=abc
//   missing-phase=PHASES  e.g. missing-phase=c
//   negative-sequence
//   swap-currents=XY      e.g. swap-currents=ab
//   three-wire
//   current-scale=X       0.01 to 100
//   healthy               clears everything before it
// Gives false (and leaves `wiring` as it was) for anything else.
bool AddWiringFaults(std::string_view text, Wiring& wiring);

// The faults as AddWiringFaults reads them; "healthy" when there are none.
std::string WiringText(const Wiring& wiring);

// Turns what the meter would measure with healthy wiring into what it
// measures with `wiring`. Energy counters and switch states are left alone.
void ApplyWiring(const Wiring& wiring, MeterValues& values);

}  // namespace mt
