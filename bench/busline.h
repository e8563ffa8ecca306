// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The line bench_bus and bench_network poll: 32 meters at 9600,N, panel-mount
// at odd addresses and DIN-rail at even ones, each with a 20 ms turnaround,
// and the line-time limit of one round over them.

#include "link/answercheck.h"
#include "shell/busfamilies.h"

namespace mt::bench {

constexpr int kMeters = 32;
constexpr int kBaud = 9600;
constexpr int kTurnaroundMs = 20;

inline MeterKind KindOf(int address) {
    return address % 2 == 1 ? MeterKind::PanelMount : MeterKind::DinRail;
}

// Per read: the request's and answer's characters at 11 bits, the
// turnaround and the 3.5-character silence.
inline double RoundLimitMs() {
    const double characterMs = 11.0 * 1000 / kBaud;
    double limit = 0;
    const BusFamilies families = MeasurementFamilies();
    for (int address = 1; address <= kMeters; ++address) {
        for (const PollStep& step : families.of(KindOf(address)).reads) {
            const double characters =
                8 + static_cast<double>(ExpectedAnswerLength(step.function, step.count));
            limit += characters * characterMs + kTurnaroundMs + 3.5 * characterMs;
        }
    }
    return limit;
}

}  // namespace mt::bench
