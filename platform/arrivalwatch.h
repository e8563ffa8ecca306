// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace mt {

// Steady-clock time in nanoseconds (the clock of std::chrono::steady_clock).
std::int64_t SteadyNowNs();

// Notes when bytes arrive at an open serial device. The user-interface
// thread sleeps through most of a request's answer window and reads the
// bytes only afterwards, so the time it reads them says little about when
// the meter answered. A thread of its own watches the device's input queue
// (without reading it) and remembers when it last grew.
//
// Linux only (the input queue's length comes from FIONREAD); elsewhere the
// time stays unknown.
class ArrivalWatch {
public:
    ArrivalWatch() = default;
    ~ArrivalWatch();
    ArrivalWatch(const ArrivalWatch&) = delete;
    ArrivalWatch& operator=(const ArrivalWatch&) = delete;

    // Watches the open descriptor; a watch already running stops first. The
    // descriptor must stay open until stop().
    void start(int descriptor);
    void stop();

    // When the input queue last grew (SteadyNowNs()), 0 when unknown.
    std::int64_t lastArrivalNs() const { return lastArrival_.load(); }

private:
    void watch(int descriptor);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> lastArrival_{0};
};

}  // namespace mt
