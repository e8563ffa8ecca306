// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "link/pollstep.h"

namespace mt {

// The block tags of the DIN-rail cycle: which of several equally long
// answers is outstanding. The six energy blocks of 20 data bytes carry 0 to 5,
// the two demands of 8 data bytes 6 and 7.
enum RailBlockTag : std::int16_t {
    kTariffEnergyTag = 0,  // total active energy and its four tariffs
    kForwardActiveEnergyTag = 1,
    kReverseActiveEnergyTag = 2,
    kTotalReactiveEnergyTag = 3,
    kForwardReactiveEnergyTag = 4,
    kReverseReactiveEnergyTag = 5,
    kVoltageDemandTag = 6,
    kCurrentDemandTag = 7,
};

// The eleven reads of one polling tick, in sending order, all function 4:
// measurements, power factor and phase angles, last energy-clearing time
// (these three leave the block tag as it was), voltage and current demand,
// then the six energy blocks.
inline constexpr std::array<PollStep, 11> RailPollSchedule{{
    {kReadInputRegisters, 70, 23, {}},
    {kReadInputRegisters, 93, 6, {}},
    {kReadInputRegisters, 1024, 3, {}},
    {kReadInputRegisters, 1040, 4, kVoltageDemandTag},
    {kReadInputRegisters, 1056, 4, kCurrentDemandTag},
    {kReadInputRegisters, 8192, 10, kTariffEnergyTag},
    {kReadInputRegisters, 8448, 10, kForwardActiveEnergyTag},
    {kReadInputRegisters, 8704, 10, kReverseActiveEnergyTag},
    {kReadInputRegisters, 8960, 10, kTotalReactiveEnergyTag},
    {kReadInputRegisters, 9216, 10, kForwardReactiveEnergyTag},
    {kReadInputRegisters, 9472, 10, kReverseReactiveEnergyTag},
}};

// The byte counts the decoder tells the answers apart by.
inline constexpr std::uint8_t kRailMeasurementBytes = DataBytes(RailPollSchedule[0]);  // 46
inline constexpr std::uint8_t kRailPhaseBytes = DataBytes(RailPollSchedule[1]);        // 12
inline constexpr std::uint8_t kRailClearTimeBytes = DataBytes(RailPollSchedule[2]);    // 6
inline constexpr std::uint8_t kRailDemandBytes = DataBytes(RailPollSchedule[3]);       // 8
inline constexpr std::uint8_t kRailEnergyBytes = DataBytes(RailPollSchedule[5]);       // 20
static_assert(DataBytes(RailPollSchedule[4]) == kRailDemandBytes);
static_assert(DataBytes(RailPollSchedule[10]) == kRailEnergyBytes);

// The wait after each request, the whole answer window, and the interval of
// the polling timer.
inline constexpr int kRailPauseMs = 200;
inline constexpr int kRailTimerIntervalMs = 5000;

}  // namespace mt
