// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "link/pollstep.h"

namespace mt {

// Primary data: registers 10-33, 34-55 and 56-57 as float pairs, then the
// four coils and the four discrete inputs.
inline constexpr std::array<PollStep, 5> kPrimarySchedule{{
    {kReadInputRegisters, 10, 24, {}},
    {kReadInputRegisters, 34, 22, {}},
    {kReadInputRegisters, 56, 2, {}},
    {kReadCoils, 0, 4, {}},
    {kReadDiscreteInputs, 0, 4, {}},
}};

// Secondary data: registers 70-92 and 93-100 as scaled integers, then the
// coils and inputs.
inline constexpr std::array<PollStep, 4> kSecondarySchedule{{
    {kReadInputRegisters, 70, 23, {}},
    {kReadInputRegisters, 93, 8, {}},
    {kReadCoils, 0, 4, {}},
    {kReadDiscreteInputs, 0, 4, {}},
}};

// The byte counts the decoders tell the register answers apart by.
inline constexpr std::uint8_t kPrimaryMeasurementBytes = DataBytes(kPrimarySchedule[0]);      // 48
inline constexpr std::uint8_t kPrimaryPowerBytes = DataBytes(kPrimarySchedule[1]);            // 44
inline constexpr std::uint8_t kPrimaryReactiveBytes = DataBytes(kPrimarySchedule[2]);         // 4
inline constexpr std::uint8_t kSecondaryMeasurementBytes = DataBytes(kSecondarySchedule[0]);  // 46
inline constexpr std::uint8_t kSecondaryEnergyBytes = DataBytes(kSecondarySchedule[1]);       // 16

// The pause after every read of a tick but the last, in which its answer
// comes in; the last answer is handled after the tick.
inline constexpr int kPanelPauseMs = 500;
inline constexpr int kPanelTimerIntervalMs = 4000;

}  // namespace mt
