// SPDX-License-Identifier: GPL-3.0-or-later
#include "livemonitor.h"

#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "monitor/portpanel.h"
#include "panel_meter/switchpanelview.h"
#include "simdriver.h"

namespace mt::drive {

Services LiveServices::services() {
    Services s;
    s.pause = [this](int ms) {
        ++pauses;
        SleepThenProcessEvents(ms / std::max(1, pauseDivisor));
    };
    s.message = [this](const QString& text, const QString& title, MessageIcon icon) {
        messages << Message{text, title, icon, MonotonicMs()};
    };
    s.endProgram = [this] { ++endProgramCalls; };
    s.makePort = []() -> std::unique_ptr<SerialPort> { return std::make_unique<QtSerialPort>(); };
    return s;
}

WatchedSerialPort::WatchedSerialPort(QObject* parent) : QtSerialPort(parent) {
    connect(this, &SerialPort::commEvent, this, [this](CommEvent kind) {
        if (kind == CommEvent::Receive) {
            ++receiveEvents;
            lastReceiveMs = MonotonicMs();
        }
    });
    connect(this, &SerialPort::deviceLost, this, [this] {
        ++losses;
        lastLossMs = MonotonicMs();
    });
}

PortResult WatchedSerialPort::write(const QByteArray& bytes) {
    const bool closedAfterLoss = losses > 0 && !isOpen();
    PortResult result = QtSerialPort::write(bytes);
    ++writeCount;
    lastWriteMs = MonotonicMs();
    if (!result) {
        ++failedWrites;
    }
    if (closedAfterLoss) {
        ++writesAfterLoss;
    }
    if (keepWrites) {
        writes << Write{lastWriteMs, bytes, result.ok()};
    }
    return result;
}

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const qint64 deadline = MonotonicMs() + timeoutMs;
    while (!condition()) {
        if (MonotonicMs() >= deadline) {
            return condition();
        }
        RunEventsFor(10);
    }
    return true;
}

TickCounter::TickCounter(QTimer* timer, std::function<bool()> tickRunning, QObject* parent)
    : QObject(parent), timer_(timer), tickRunning_(std::move(tickRunning)) {
    timer_->installEventFilter(this);
    connect(timer_, &QTimer::timeout, this, &TickCounter::onTimeout);
}

bool TickCounter::eventFilter(QObject* watched, QEvent* event) {
    // QTimer acts on its own timer's events only, and so does this.
    if (watched == timer_ && event->type() == QEvent::Timer &&
        static_cast<QTimerEvent*>(event)->timerId() == timer_->timerId()) {
        began_ << MonotonicMs();
    }
    return false;
}

qint64 TickCounter::runningForMs() const {
    return began_.isEmpty() ? 0 : MonotonicMs() - began_.front();
}

void TickCounter::onTimeout() {
    const qint64 began = began_.isEmpty() ? MonotonicMs() : began_.takeLast();
    // A timeout that came while the previous tick was still pumping events
    // was skipped by the monitor; that tick is still under way.
    if (tickRunning_()) {
        return;
    }
    ++completed_;
    longestMs_ = std::max(longestMs_, MonotonicMs() - began);
    if (stopAfter_ > 0 && completed_ >= stopAfter_) {
        timer_->stop();
    }
}

bool TickCounter::waitFor(int ticks, int timeoutMs) {
    return WaitUntil([&] { return completed_ >= ticks; }, timeoutMs);
}

PortPanel& PanelOf(MonitorWindow& window) {
    return ControlOf<PortPanel>(window, "PortPanel");
}

bool OpenPortAsUser(MonitorWindow& window, int com) {
    PortPanel& panel = PanelOf(window);
    panel.pickPort(com);
    panel.onOpenCloseClicked();
    return panel.shownOpen();
}

bool WaitForQuiet(const WatchedSerialPort& port, int quietMs, int timeoutMs) {
    return WaitUntil(
        [&] {
            const qint64 last = std::max(port.lastReceiveMs, port.lastWriteMs);
            return MonotonicMs() - last >= quietMs;
        },
        timeoutMs);
}

bool WaitForAnswers(const SimProcess& sim, const WatchedSerialPort& port, int quietMs,
                    int timeoutMs) {
    const qint64 deadline = MonotonicMs() + timeoutMs;
    const auto left = [&] {
        return static_cast<int>(std::max<qint64>(0, deadline - MonotonicMs()));
    };
    const auto plan = PlanOf(sim.options());
    // The writes since this simulator started, when they are kept.
    qint64 written = port.writeCount - port.failedWrites;
    if (port.keepWrites) {
        written = std::count_if(port.writes.begin(), port.writes.end(), [&](const auto& write) {
            return write.ok && write.atMs >= sim.startedMs();
        });
    }
    if (!WaitUntil([&] { return sim.requests().size() >= written; }, left())) {
        return false;
    }
    const qint64 due = plan ? plan->lineFreeMs(sim.answers()) : MonotonicMs();
    return WaitUntil(
        [&] {
            const qint64 now = MonotonicMs();
            return now >= due && now - std::max(port.lastReceiveMs, port.lastWriteMs) >= quietMs &&
                   now - due >= quietMs;
        },
        left());
}

std::uint8_t SwitchStatusShown(const SwitchPanelView& view) {
    std::uint8_t status = 0;
    for (int channel = 0; channel < kSwitchChannels; ++channel) {
        if (view.model().channelClosed(channel)) {
            status |= static_cast<std::uint8_t>(1U << channel);
        }
    }
    return status;
}

}  // namespace mt::drive
