// SPDX-License-Identifier: GPL-3.0-or-later
#include "arrivalwatch.h"

#if defined(__linux__)
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace mt {

ArrivalWatch::~ArrivalWatch() {
    stop();
}

#if defined(__linux__)

namespace {

// The two handles are told apart by the data the poller hands back.
constexpr std::uint64_t kDevice = 1;
constexpr std::uint64_t kStop = 2;

}  // namespace

bool ArrivalWatch::start(int descriptor) {
    stop();
    lastArrival_ = 0;
    wakeups_ = 0;
    poller_ = ::epoll_create1(EPOLL_CLOEXEC);
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (poller_ < 0 || stopEvent_ < 0) {
        closeHandles();
        return false;
    }
    // Edge-triggered: reported when new input comes, not while it waits.
    // A hang-up or an error is reported once too; the owner notices the loss
    // on its own side.
    epoll_event device{};
    device.events = EPOLLIN | EPOLLET;
    device.data.u64 = kDevice;
    epoll_event stopping{};
    stopping.events = EPOLLIN;
    stopping.data.u64 = kStop;
    if (::epoll_ctl(poller_, EPOLL_CTL_ADD, descriptor, &device) != 0 ||
        ::epoll_ctl(poller_, EPOLL_CTL_ADD, stopEvent_, &stopping) != 0) {
        closeHandles();
        return false;
    }
    // Bytes already waiting are reported once as the device is added; they
    // came before the watch and are no arrival of its.
    epoll_event waiting[2];
    while (::epoll_wait(poller_, waiting, 2, 0) < 0 && errno == EINTR) {
    }
    thread_ = std::thread([this] { watch(); });
    // The name shows in ps, top and /proc/<pid>/task/*/comm.
    ::pthread_setname_np(thread_.native_handle(), "arrival");
    return true;
}

void ArrivalWatch::stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        ssize_t written;
        do {
            written = ::write(stopEvent_, &one, sizeof one);
        } while (written < 0 && errno == EINTR);
        thread_.join();
    }
    closeHandles();
}

void ArrivalWatch::closeHandles() {
    if (poller_ >= 0) {
        ::close(poller_);
        poller_ = -1;
    }
    if (stopEvent_ >= 0) {
        ::close(stopEvent_);
        stopEvent_ = -1;
    }
}

void ArrivalWatch::watch() {
    for (;;) {
        epoll_event events[2];
        const int ready = ::epoll_wait(poller_, events, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // the poller itself failed: the time stays as it is
        }
        const std::int64_t now = SteadyNowNs();
        wakeups_.fetch_add(1, std::memory_order_relaxed);
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.u64 == kStop) {
                return;
            }
            if ((events[i].events & EPOLLIN) != 0) {
                lastArrival_ = now;
            }
        }
    }
}

#else

bool ArrivalWatch::start(int descriptor) {
    (void)descriptor;
    lastArrival_ = 0;
    return false;
}

void ArrivalWatch::stop() {}

void ArrivalWatch::closeHandles() {}

void ArrivalWatch::watch() {}

#endif

}  // namespace mt
