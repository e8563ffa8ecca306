// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <algorithm>

#include "acquisition/answerbytes.h"
#include "acquisition/outcomes.h"
#include "platform/linesettings.h"
#include "platform/steadyclock.h"

// Every frame on the line at debug level, off unless asked for:
// QT_LOGGING_RULES="metertest.line.debug=true" metertest
Q_LOGGING_CATEGORY(lcLine, "metertest.line", QtInfoMsg)

namespace mt {

namespace {

// The local time at which something happened at a steady-clock moment.
QDateTime LocalTimeOf(std::int64_t steadyNs) {
    const std::int64_t agoMs = (SteadyNowNs() - steadyNs) / 1'000'000;
    return QDateTime::currentDateTime().addMSecs(-agoMs);
}

// When the bytes just read arrived: the port's arrival time when it belongs
// to this request, that is, when it lies between the request's write and now.
// An older one (or none) belongs to bytes before the request, so the port
// did not see these arrive and the time they were read is the best known.
std::int64_t ArrivalOf(std::int64_t noted, std::int64_t written, std::int64_t now) {
    if (noted < written || noted > now) {
        return now;
    }
    return noted;
}

AcquisitionButton Other(AcquisitionButton button) {
    return button == AcquisitionButton::Primary ? AcquisitionButton::Secondary
                                                : AcquisitionButton::Primary;
}

}  // namespace

AcquisitionEngine::AcquisitionEngine(SerialPort& port, Services services,
                                     RequestParameters& request, AcquisitionTiming timing,
                                     CloseReset closeReset, Hooks hooks, QObject* parent)
    : QObject(parent),
      port_(port),
      services_(std::move(services)),
      request_(request),
      timing_(timing),
      closeReset_(closeReset),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("AcquisitionEngine"));
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(timing_.timerIntervalMs);
    // Ticks keep their interval to the millisecond; a coarse timer may shift
    // them by up to 5 %.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &AcquisitionEngine::tick);

    window_ = new QTimer(this);
    window_->setSingleShot(true);
    window_->setTimerType(Qt::PreciseTimer);
    connect(window_, &QTimer::timeout, this, [this] {
        closeRecord(false);
        finishTickIfDone();
    });

    connect(&port_, &SerialPort::commEvent, this, &AcquisitionEngine::onCommEvent);
}

qsizetype AcquisitionEngine::longestAcceptableAnswer() const {
    return static_cast<qsizetype>(
        std::max(RegisterAnswerLength(request_.RegisterCount), kBitAnswerLength));
}

void AcquisitionEngine::setState(const AcquisitionState& state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    emit stateChanged(state_);
}

void AcquisitionEngine::toggle(AcquisitionButton button) {
    if (ended_ || !state_[button].enabled) {
        return;  // a disabled button cannot be clicked
    }
    if (!port_.isOpen()) {
        services_.message(portNotOpenText(), AppTitle(), MessageIcon::Warning);
        return;
    }
    AcquisitionState next = state_;
    if (!state_[button].running) {
        next[button].running = true;
        setState(next);
        // Acquisition starts on a freshly opened port; a tick still pausing
        // abandons the rest of its reads.
        portGone();
        if (!hooks_.reopenPort()) {
            // The device is gone: the port panel shows it closed and has
            // warned; the button goes back to idle rather than running on a
            // closed port.
            timer_->stop();
            next[button].running = false;
            setState(next);
            return;
        }
        next[Other(button)].enabled = false;
        setState(next);
        timer_->start();
    } else {
        next[button].running = false;
        setState(next);
        timer_->stop();
        next[Other(button)].enabled = true;
        setState(next);
    }
    port_.clearInput();
}

bool AcquisitionEngine::stopRunning() {
    bool stopped = false;
    for (const AcquisitionButton button :
         {AcquisitionButton::Primary, AcquisitionButton::Secondary}) {
        if (state_[button].running) {
            AcquisitionState next = state_;
            next[button].running = false;
            setState(next);
            timer_->stop();
            next[Other(button)].enabled = true;
            setState(next);
            stopped = true;
        }
    }
    if (stopped && port_.isOpen()) {
        port_.clearInput();
    }
    return stopped;
}

void AcquisitionEngine::portGone() {
    ++portEpoch_;
    // Answers still on their way to the old line are not looked for.
    unanswered_.clear();
    straddle_.reset();
    stray_.clear();
    if (record_) {
        closeRecord(true);
        finishTickIfDone();
    }
}

void AcquisitionEngine::onPortClosed() {
    timer_->stop();
    portGone();
    AcquisitionState next = state_;
    next.primary = {};
    if (closeReset_ == CloseReset::BothButtons) {
        next.secondary = {};
    }
    setState(next);
}

void AcquisitionEngine::onPortSwitched() {
    portGone();
}

void AcquisitionEngine::end() {
    if (ended_) {
        return;
    }
    ended_ = true;
    timer_->stop();
    portGone();
    if (port_.isOpen()) {
        (void)port_.close();
    }
    services_.endProgram();
}

void AcquisitionEngine::markAddressInvalid(bool invalid) {
    if (invalid != addressMarked_) {
        addressMarked_ = invalid;
        if (hooks_.showAddressInvalid) {
            hooks_.showAddressInvalid(invalid);
        }
    }
}

void AcquisitionEngine::tick() {
    // A tick that fires while the previous one pumps events in a pause does
    // not start: it would change the address and the request under the
    // running tick's feet.
    if (tickRunning_ || ended_) {
        return;
    }
    request_.MeterAddress = hooks_.addressText().toStdString();
    const bool addressValid = MeterAddressByte(request_.MeterAddress).has_value();
    markAddressInvalid(!addressValid);
    if (!port_.isOpen() || !addressValid) {
        return;
    }
    const std::span<const PollStep> schedule = hooks_.schedule();
    if (!schedule.empty()) {
        runTick(schedule);
    }
}

void AcquisitionEngine::runTick(std::span<const PollStep> schedule) {
    QPointer<AcquisitionEngine> alive(this);
    const quint64 epoch = portEpoch_;
    // A last answer still awaited from the tick before ends here at the
    // latest, and that tick with it, before this one counts as running.
    closeRecord(false);
    finishTickIfDone();
    tickRunning_ = true;
    tick_ = TickSummary{++ticks_, QDateTime::currentDateTime(), 0, 0, false};
    emit tickStarted(tick_->number);

    for (std::size_t i = 0; i < schedule.size(); ++i) {
        const PollStep& step = schedule[i];
        request_.RegisterCount = step.count;
        request_.StartRegister = step.start;
        port_.clearInput();
        collected_.clear();
        if (step.blockTag) {
            blockTag_ = *step.blockTag;
        }
        if (BuildReadRequest(request_, step.function) != RequestStatus::Built) {
            markAddressInvalid(true);
            tick_->abandoned = true;
            break;
        }
        const QByteArray frame(reinterpret_cast<const char*>(request_.RequestFrame.data()),
                               static_cast<qsizetype>(request_.RequestFrame.size()));
        // Emptying the input may itself meet the device's loss, which closes
        // the port: nothing is written to a lost device.
        if (!port_.isOpen() || !port_.write(frame)) {
            tick_->abandoned = true;  // the port went away under the tick
            tick_->linkDown = port_.isOpen() && port_.linkState() != LinkState::Connected;
            break;
        }
        openRecord(step, frame);
        const bool last = i + 1 == schedule.size();
        if (last && !timing_.pauseAfterLastStep) {
            // The last answer is handled after the tick, within a window as
            // long as a pause.
            window_->start(timing_.pauseMs);
            break;
        }
        services_.pause(timing_.pauseMs);
        if (!alive) {
            return;
        }
        closeRecord(false);
        // The port was closed (or closed and reopened, or changed) meanwhile,
        // or the program is ending: the rest of this tick is abandoned.
        if (ended_ || epoch != portEpoch_ || !port_.isOpen()) {
            tick_->abandoned = !last;
            break;
        }
    }
    tickRunning_ = false;
    finishTickIfDone();
}

void AcquisitionEngine::openRecord(const PollStep& step, const QByteArray& frame) {
    RequestRecord record;
    record.number = ++requests_;
    record.tick = tick_ ? tick_->number : 0;
    record.step = step;
    record.blockTag = blockTag_;
    record.sent = frame;
    record.sentAt = QDateTime::currentDateTime();
    recordWrittenNs_ = SteadyNowNs();
    recordLastByteNs_ = 0;
    qCDebug(lcLine).noquote() << "发送" << record.number << frame.toHex(' ').toUpper();
    record_ = std::move(record);
    if (tick_) {
        ++tick_->requestsSent;
    }
    emit requestSent(*record_);
}

void AcquisitionEngine::closeRecord(bool cutShort) {
    if (!record_) {
        return;
    }
    window_->stop();
    RequestRecord record = std::move(*record_);
    record_.reset();
    record.cutShort = cutShort;
    const AnswerBytes collected = BytesOf(collected_);
    record.check = CheckAnswer(collected, record.step.function, record.step.count);
    // The start of the answer came in its window, the rest was still on its
    // way when the window ended.
    if (record.check.outcome == AnswerOutcome::Malformed && !cutShort &&
        IsAnswerStart(collected, record.step.function, record.step.count)) {
        record.check.outcome = AnswerOutcome::Late;
    }
    // Whole answers to earlier requests in front: those came late, and only
    // what came behind them is this request's. An answer that was taken
    // (a same-length late answer is taken for this request's own) is not
    // looked into.
    if (!record.accepted()) {
        qsizetype used = 0;
        record.lateAnswers =
            takeLateAnswers(record.received, record.step, recordLastByteNs_, !cutShort, &used);
        if (used > 0) {
            const QByteArray rest = record.received.mid(used);
            const AnswerBytes behind = BytesOf(rest);
            record.check = CheckAnswer(behind, record.step.function, record.step.count);
            // This request's own answer behind a late one: the screen could
            // not take it in its window, which the late one had filled.
            if (record.check.outcome == AnswerOutcome::Accepted ||
                (record.check.outcome == AnswerOutcome::Malformed && !cutShort &&
                 IsAnswerStart(behind, record.step.function, record.step.count))) {
                record.check.outcome = AnswerOutcome::Late;
            }
        }
    }
    if (record.accepted()) {
        // An answer taken while earlier ones were still awaited may have been
        // one of theirs, of the same length: this request's own may then
        // still come, and is looked for so that it is not judged against
        // the next request.
        const bool mayBeEarlier = !unanswered_.isEmpty();
        unanswered_.clear();
        if (mayBeEarlier) {
            unanswered_.append(Unanswered{record.number, record.step, recordWrittenNs_, true});
        }
    } else if (record.check.outcome == AnswerOutcome::NoAnswer && !cutShort) {
        unanswered_.append(Unanswered{record.number, record.step, recordWrittenNs_, false});
        if (unanswered_.size() > kUnansweredKept) {
            unanswered_.removeFirst();
        }
    }
    stray_.clear();
    for (const LateAnswer& late : record.lateAnswers) {
        emit lateAnswer(late);
    }
    if (tick_ && record.tick == tick_->number && record.accepted()) {
        ++tick_->requestsAccepted;
    }
    qCDebug(lcLine).noquote() << "接收" << record.number << record.received.toHex(' ').toUpper()
                              << OutcomeName(record.check.outcome) << record.responseMs << "ms";
    emit requestFinished(record);
}

// Looks at the start of `bytes` for whole answers to the requests still
// waiting for theirs, in their order. An answer belongs to a waiting request
// when its CRC is right, it carries the monitor's address and the request's
// function code, and its length fits that request and not the present one:
// where the lengths are equal the two cannot be told apart, and the bytes
// are left to the present request.
QList<LateAnswer> AcquisitionEngine::takeLateAnswers(const QByteArray& bytes,
                                                     std::optional<PollStep> present,
                                                     std::int64_t lastArrivalNs, bool windowEnded,
                                                     qsizetype* used) {
    QList<LateAnswer> found;
    const std::optional<std::uint8_t> address = MeterAddressByte(request_.MeterAddress);
    qsizetype at = 0;
    // The rest of a late answer whose start ended the window before: taken
    // when the two together make it whole (its CRC right).
    if (straddle_ && !bytes.isEmpty()) {
        const qsizetype needed = static_cast<qsizetype>(straddle_->length) - straddle_->head.size();
        if (bytes.size() < needed && !windowEnded) {
            *used = 0;
            return found;  // more may follow
        }
        const QByteArray whole = straddle_->head + bytes.left(needed);
        if (LeadingAnswerLength(BytesOf(whole), straddle_->step.function, straddle_->step.count) ==
            straddle_->length) {
            at = needed;
        }
        straddle_.reset();
    }
    while (at < bytes.size() && !unanswered_.isEmpty()) {
        const QByteArray rest = bytes.mid(at);
        const AnswerBytes restBytes = BytesOf(rest);
        auto match = unanswered_.end();
        for (auto it = unanswered_.begin(); it != unanswered_.end(); ++it) {
            const std::size_t length = ExpectedAnswerLength(it->step.function, it->step.count);
            if (present && length == ExpectedAnswerLength(present->function, present->count)) {
                continue;
            }
            if (LeadingAnswerLength(restBytes, it->step.function, it->step.count) == length &&
                address && static_cast<std::uint8_t>(rest.at(0)) == *address &&
                static_cast<std::uint8_t>(rest.at(1)) ==
                    static_cast<std::uint8_t>(it->step.function)) {
                match = it;
                break;
            }
        }
        if (match == unanswered_.end()) {
            break;
        }
        const std::size_t length = ExpectedAnswerLength(match->step.function, match->step.count);
        at += static_cast<qsizetype>(length);
        // The bytes after this answer took their line time too.
        const qint64 endMs =
            lastArrivalNs > match->writtenNs
                ? std::max<qint64>(0, (lastArrivalNs - match->writtenNs) / 1'000'000 -
                                          lineTimeMs(bytes.size() - at))
                : -1;
        const qint64 turnaround =
            endMs >= 0 ? std::max<qint64>(0, endMs - lineTimeMs(static_cast<qsizetype>(length)))
                       : -1;
        if (!match->taken) {
            found.append(LateAnswer{match->number, turnaround});
        }
        // Requests before it will not be answered any more: a meter answers in order.
        unanswered_.erase(unanswered_.begin(), match + 1);
    }
    // The window ended in the middle of a late answer: its start, with the
    // byte count of a request still waiting and not of the present one,
    // counts that request late, and its rest is looked for next.
    if (windowEnded && at < bytes.size() && bytes.size() - at >= 3 && address) {
        const QByteArray rest = bytes.mid(at);
        for (auto it = unanswered_.begin(); it != unanswered_.end(); ++it) {
            const std::size_t length = ExpectedAnswerLength(it->step.function, it->step.count);
            if ((present && length == ExpectedAnswerLength(present->function, present->count)) ||
                static_cast<std::uint8_t>(rest.at(0)) != *address ||
                static_cast<std::uint8_t>(rest.at(1)) !=
                    static_cast<std::uint8_t>(it->step.function) ||
                !IsAnswerStart(BytesOf(rest), it->step.function, it->step.count)) {
                continue;
            }
            const qint64 turnaround =
                lastArrivalNs > it->writtenNs
                    ? std::max<qint64>(
                          0, (lastArrivalNs - it->writtenNs) / 1'000'000 - lineTimeMs(rest.size()))
                    : -1;
            if (!it->taken) {
                found.append(LateAnswer{it->number, turnaround});
            }
            straddle_ = Straddle{rest, length, it->step};
            at = bytes.size();
            unanswered_.erase(unanswered_.begin(), it + 1);
            break;
        }
    }
    *used = at;
    return found;
}

void AcquisitionEngine::recogniseStrayAnswers() {
    qsizetype used = 0;
    const QList<LateAnswer> found =
        takeLateAnswers(stray_, std::nullopt, strayLastByteNs_, false, &used);
    stray_.remove(0, used);
    for (const LateAnswer& late : found) {
        emit lateAnswer(late);
    }
}

// How long `bytes` characters take on the line at the port's settings.
qint64 AcquisitionEngine::lineTimeMs(qsizetype bytes) const {
    const std::optional<LineSettings> line = ParseLineSettings(port_.settings().toStdString());
    if (!line || line->baud <= 0 || bytes <= 0) {
        return 0;
    }
    const int bits = 1 + line->dataBits + (line->parity == LineSettings::Parity::None ? 0 : 1) +
                     (line->stopBits == LineSettings::StopBits::One ? 1 : 2);
    return static_cast<qint64>(bytes) * bits * 1000 / line->baud;
}

void AcquisitionEngine::finishTickIfDone() {
    if (!tick_ || tickRunning_ || record_) {
        return;
    }
    const TickSummary summary = *tick_;
    tick_.reset();
    emit tickFinished(summary);
}

void AcquisitionEngine::onCommEvent(CommEvent kind) {
    if (kind != CommEvent::Receive || ended_) {
        return;
    }
    port_.setInputLength(0);
    const QByteArray bytes = port_.readAll();
    if (record_) {
        record_->received.append(bytes.left(RequestRecord::kKeptBytes - record_->received.size()));
        record_->receivedCount += bytes.size();
        if (!bytes.isEmpty()) {
            const std::int64_t arrived =
                ArrivalOf(port_.lastArrivalNs(), recordWrittenNs_, SteadyNowNs());
            record_->lastByteAt = LocalTimeOf(arrived);
            recordLastByteNs_ = arrived;
            record_->responseMs = (arrived - recordWrittenNs_) / 1'000'000;
        }
    }
    const bool outstanding = record_.has_value();

    // An answer may come in several receive events: its bytes are collected
    // until they form an acceptable answer. Collected bytes longer than any
    // acceptable answer can never become one, so they stop growing.
    const qsizetype limit = longestAcceptableAnswer();
    bool accepted = false;
    if (collected_.size() <= limit) {
        collected_.append(bytes.left(limit + 1 - collected_.size()));
        accepted =
            collected_.size() <= limit && AcceptAnswer(BytesOf(collected_), request_.RegisterCount);
    }
    if (accepted) {
        if (hooks_.decode) {
            hooks_.decode(BytesOf(collected_));
        }
        emit answerAccepted(collected_);
        // Whatever arrived while the answer was shown is dropped; the
        // collected bytes themselves are emptied by the next request.
        port_.clearInput();
    }
    if (!outstanding) {
        if (!bytes.isEmpty()) {
            qCDebug(lcLine).noquote() << "接收（无对应请求）" << bytes.toHex(' ').toUpper();
        }
        emit strayBytes(bytes, accepted);
        if (!bytes.isEmpty() && !unanswered_.isEmpty()) {
            stray_.append(bytes.left(RequestRecord::kKeptBytes - stray_.size()));
            strayLastByteNs_ = SteadyNowNs();
            recogniseStrayAnswers();
        }
        return;
    }
    if (accepted) {
        closeRecord(false);
        finishTickIfDone();
    }
}

}  // namespace mt
