// SPDX-License-Identifier: GPL-3.0-or-later
#include "arrivalwatch.h"

#include <chrono>

#if defined(__linux__)
#include <poll.h>
#include <sys/ioctl.h>
#endif

namespace mt {

std::int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ArrivalWatch::~ArrivalWatch() {
    stop();
}

void ArrivalWatch::start(int descriptor) {
    stop();
    lastArrival_ = 0;
#if defined(__linux__)
    stop_ = false;
    thread_ = std::thread([this, descriptor] { watch(descriptor); });
#else
    (void)descriptor;
#endif
}

void ArrivalWatch::stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ArrivalWatch::watch(int descriptor) {
#if defined(__linux__)
    using namespace std::chrono_literals;
    int queued = 0;
    while (!stop_) {
        // Wakes as soon as bytes wait, or now and then to see whether to stop.
        pollfd watched{descriptor, POLLIN, 0};
        const int ready = ::poll(&watched, 1, 20);
        if (ready <= 0) {
            queued = 0;
            continue;
        }
        if ((watched.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            std::this_thread::sleep_for(20ms);  // the owner notices the loss
            continue;
        }
        int waiting = 0;
        if (::ioctl(descriptor, FIONREAD, &waiting) == 0) {
            if (waiting > queued) {
                lastArrival_ = SteadyNowNs();
            }
            queued = waiting;
        }
        // The bytes stay until the program reads them, so the descriptor
        // stays readable: look again shortly instead of spinning.
        std::this_thread::sleep_for(1ms);
    }
#else
    (void)descriptor;
#endif
}

}  // namespace mt
