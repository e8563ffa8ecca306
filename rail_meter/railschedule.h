#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace mt {

// One read of the DIN-rail polling cycle (always function code 4).
struct RailPollStep {
    std::int16_t startRegister;
    std::int16_t registerCount;
    // The block tag that tells the decoder which of several equally long
    // answers it is looking at; the first three reads leave it as it was.
    std::optional<std::int16_t> blockTag;
};

// The eleven reads of one polling tick, in sending order: measurements,
// power factor and phase angles, last energy-clearing time, voltage and
// current demand (tags 6 and 7), then the six energy blocks (tags 0 to 5).
inline constexpr std::array<RailPollStep, 11> RailPollSchedule{{
    {70, 23, std::nullopt},
    {93, 6, std::nullopt},
    {1024, 3, std::nullopt},
    {1040, 4, 6},
    {1056, 4, 7},
    {8192, 10, 0},
    {8448, 10, 1},
    {8704, 10, 2},
    {8960, 10, 3},
    {9216, 10, 4},
    {9472, 10, 5},
}};

// The longest answer any read of the cycle can get: 23 registers.
inline constexpr std::size_t kLongestRailAnswer = 2 * 23 + 5;

}  // namespace mt
