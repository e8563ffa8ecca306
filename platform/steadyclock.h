// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace mt {

// Steady-clock time in nanoseconds (the clock of std::chrono::steady_clock):
// the one clock for how long things take on the line.
std::int64_t SteadyNowNs();

}  // namespace mt
