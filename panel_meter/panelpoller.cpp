#include "panelpoller.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "link/answer.h"

namespace mt {

PanelPoller::PanelPoller(SerialPort& port, Services services, RequestParameters& request,
                         Hooks hooks, int timerIntervalMs, QObject* parent)
    : QObject(parent),
      port_(port),
      services_(std::move(services)),
      request_(request),
      hooks_(std::move(hooks)) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(timerIntervalMs);
    // Ticks keep their interval to the millisecond; a coarse timer may shift
    // them by up to 5 %.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &PanelPoller::tick);
    connect(&port_, &SerialPort::commEvent, this, &PanelPoller::onCommEvent);
}

qsizetype PanelPoller::longestAcceptableAnswer() const {
    return static_cast<qsizetype>(
        std::max(RegisterAnswerLength(request_.RegisterCount), kBitAnswerLength));
}

void PanelPoller::setMode(Mode mode) {
    mode_ = mode;
    emit modeChanged(mode);
}

void PanelPoller::toggle(Mode mode) {
    if (ended_ || mode == Mode::Idle || (mode_ != Mode::Idle && mode_ != mode)) {
        return;  // the other acquisition runs: this button is disabled
    }
    if (!port_.isOpen()) {
        services_.message(kPortNotOpen, kAppTitle, MessageIcon::Warning);
        return;
    }
    if (mode_ == Mode::Idle) {
        setMode(mode);
        // Acquisition starts on a freshly opened port.
        ++portEpoch_;
        if (!hooks_.reopenPort()) {
            // The device is gone: the port panel shows it closed and has
            // warned; the screen stays idle rather than running on a closed
            // port.
            timer_->stop();
            setMode(Mode::Idle);
            return;
        }
        timer_->start();
    } else {
        setMode(Mode::Idle);
        timer_->stop();
    }
    port_.clearInput();
}

void PanelPoller::onPortClosed() {
    ++portEpoch_;
    timer_->stop();
    if (mode_ != Mode::Idle) {
        setMode(Mode::Idle);
    }
}

void PanelPoller::onPortSwitched() {
    ++portEpoch_;
}

void PanelPoller::end() {
    if (ended_) {
        return;
    }
    ended_ = true;
    ++portEpoch_;
    timer_->stop();
    if (port_.isOpen()) {
        (void)port_.close();
    }
    services_.endProgram();
}

void PanelPoller::markAddressInvalid(bool invalid) {
    if (invalid != addressMarked_) {
        addressMarked_ = invalid;
        if (hooks_.showAddressInvalid) {
            hooks_.showAddressInvalid(invalid);
        }
    }
}

void PanelPoller::tick() {
    // A tick that fires while the previous one pumps events in a pause does
    // not start: it would change the address and the request under the
    // running tick's feet.
    if (tickRunning_ || ended_) {
        return;
    }
    request_.MeterAddress = hooks_.addressText().toStdString();
    if (!port_.isOpen()) {
        return;
    }
    if (!MeterAddressByte(request_.MeterAddress)) {
        markAddressInvalid(true);
        return;
    }
    markAddressInvalid(false);
    // The primary button is enabled unless the secondary acquisition runs.
    if (mode_ == Mode::Secondary) {
        runSchedule(kSecondarySchedule);
    } else {
        runSchedule(kPrimarySchedule);
    }
}

template <std::size_t N>
void PanelPoller::runSchedule(const std::array<PollStep, N>& schedule) {
    QPointer<PanelPoller> alive(this);
    tickRunning_ = true;
    const quint64 epoch = portEpoch_;
    for (std::size_t i = 0; i < N; ++i) {
        const PollStep& step = schedule[i];
        request_.RegisterCount = step.count;
        request_.StartRegister = step.start;
        port_.clearInput();
        answer_.clear();
        if (BuildReadRequest(request_, step.function) != RequestStatus::Built) {
            markAddressInvalid(true);
            break;
        }
        const QByteArray frame(reinterpret_cast<const char*>(request_.RequestFrame.data()),
                               static_cast<qsizetype>(request_.RequestFrame.size()));
        if (!port_.write(frame)) {
            break;  // the port went away under the tick
        }
        if (i + 1 == N) {
            break;  // the last answer is handled after the tick
        }
        services_.pause(kStepPauseMs);
        if (!alive) {
            return;
        }
        // The port was closed (or closed and reopened) meanwhile, or the
        // program is ending: the rest of this tick is abandoned.
        if (ended_ || epoch != portEpoch_ || !port_.isOpen()) {
            break;
        }
    }
    tickRunning_ = false;
}

void PanelPoller::onCommEvent(CommEvent kind) {
    if (kind != CommEvent::Receive || ended_) {
        return;
    }
    port_.setInputLength(0);
    const QByteArray bytes = port_.readAll();
    // An answer may come in several receive events: its bytes are collected
    // until they form an acceptable answer. Collected bytes longer than any
    // acceptable answer can never become one; they are dropped when the next
    // bytes come, and nothing beyond one byte more is ever kept.
    const qsizetype limit = longestAcceptableAnswer();
    if (answer_.size() > limit) {
        answer_.clear();
    }
    answer_.append(bytes.left(limit + 1 - answer_.size()));
    if (answer_.size() > limit) {
        return;
    }
    const AnswerBytes answer(reinterpret_cast<const std::uint8_t*>(answer_.constData()),
                             static_cast<std::size_t>(answer_.size()));
    if (!AcceptAnswer(answer, request_.RegisterCount)) {
        return;
    }
    // The primary button is enabled unless the secondary acquisition runs.
    const DecodedAnswer decoded =
        mode_ == Mode::Secondary ? DecodeSecondaryAnswer(answer) : DecodePrimaryAnswer(answer);
    if (hooks_.show) {
        hooks_.show(decoded);
    }
    port_.clearInput();
}

}  // namespace mt
