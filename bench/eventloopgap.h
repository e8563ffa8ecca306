// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The longest time the event loop did not come round while events ran for
// `seconds`: a 5 ms timer notes every round.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

#include "drive/livemonitor.h"

namespace mt::bench {

inline qint64 LongestEventLoopGap(int seconds) {
    qint64 longest = 0;
    QElapsedTimer since;
    since.start();
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout,
                     [&] { longest = std::max(longest, since.restart()); });
    beat.start(5);
    drive::RunEventsFor(seconds * 1000);
    return longest;
}

}  // namespace mt::bench
