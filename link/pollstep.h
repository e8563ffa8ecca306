// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "request.h"

namespace mt {

// One read of a monitor's polling schedule: the function code, the first
// register (or coil / input) and how many, and for the DIN-rail cycle the
// block tag that tells the decoder which of several equally long answers is
// outstanding (no tag: the tag stays as it was).
struct PollStep {
    std::int16_t function = kReadInputRegisters;
    std::int16_t start = 0;
    std::int16_t count = 0;
    std::optional<std::int16_t> blockTag;
};

// The byte-count byte of the answer to a register read: two bytes per
// register. The decoders switch on these values, derived from their
// schedules, so that a schedule cannot change under a decoder unnoticed.
constexpr std::uint8_t DataBytes(const PollStep& step) {
    return static_cast<std::uint8_t>(2 * step.count);
}

}  // namespace mt
