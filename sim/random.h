// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace mt {

// SplitMix64: a small, well-mixed hash. Every random choice of the simulator
// (meter parameters, fault decisions, garbage bytes) is a pure function of
// the seed and a few indices, so a run can be repeated exactly.
constexpr std::uint64_t Mix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Hash of a seed and up to three indices.
constexpr std::uint64_t HashOf(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0,
                               std::uint64_t c = 0) {
    return Mix64(Mix64(Mix64(Mix64(seed) ^ a) ^ b) ^ c);
}

// Uniform number in [0, 1) from a hash (53 significant bits).
constexpr double UnitOf(std::uint64_t hash) {
    return static_cast<double>(hash >> 11) * (1.0 / 9007199254740992.0);
}

// A sequence of random numbers drawn from one seed.
class Rng {
public:
    explicit constexpr Rng(std::uint64_t seed) : state_(seed) {}

    constexpr std::uint64_t Next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        return Mix64(state_);
    }
    // Uniform in [low, high).
    constexpr double Uniform(double low, double high) {
        return low + (high - low) * UnitOf(Next());
    }

private:
    std::uint64_t state_;
};

}  // namespace mt
