// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/steadyclock.h"

namespace mt {

// Notes when bytes arrive at an open serial device. The user-interface
// thread sleeps through most of a request's answer window and reads the
// bytes only afterwards, so the time it reads them says little about when
// the meter answered. A thread of its own sleeps until the device reports
// new input (without reading it) and remembers when that happened.
//
// The thread wakes only when bytes arrive and when it is stopped: it waits
// edge-triggered, so bytes that lie unread do not wake it again, while every
// new burst does, read or not.
//
// Linux only (epoll); elsewhere the time stays unknown and callers fall back
// to the time they read the bytes.
class ArrivalWatch {
public:
    ArrivalWatch() = default;
    ~ArrivalWatch();
    ArrivalWatch(const ArrivalWatch&) = delete;
    ArrivalWatch& operator=(const ArrivalWatch&) = delete;

    // Watches the open descriptor; a watch already running stops first. The
    // descriptor must stay open until stop(). Returns false when the device
    // cannot be watched (the time then stays unknown).
    bool start(int descriptor);
    void stop();
    bool running() const { return thread_.joinable(); }

    // When input last arrived (SteadyNowNs()), 0 when unknown.
    std::int64_t lastArrivalNs() const { return lastArrival_.load(); }
    // How often the watch thread has woken since start(), for the benchmarks
    // and the tests: once per burst of input and once to stop.
    std::uint64_t wakeups() const { return wakeups_.load(); }

private:
    void watch();
    void closeHandles();

    std::thread thread_;
    int poller_ = -1;     // the epoll instance
    int stopEvent_ = -1;  // an eventfd written to stop the thread
    std::atomic<std::int64_t> lastArrival_{0};
    std::atomic<std::uint64_t> wakeups_{0};
};

}  // namespace mt
