// SPDX-License-Identifier: GPL-3.0-or-later
#include "steadyclock.h"

#include <chrono>

namespace mt {

std::int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace mt
