// SPDX-License-Identifier: GPL-3.0-or-later
#include "buspoller.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

#include "acquisition/answerbytes.h"
#include "analysis/readingvalues.h"
#include "bus/busreads.h"
#include "link/request.h"
#include "platform/linesettings.h"
#include "platform/portsetup.h"
#include "platform/steadyclock.h"

namespace mt {

namespace {

// Characters of a read request.
constexpr int kReadRequestChars = 8;

// A wait as a timer interval: whole milliseconds, rounded up, so that it
// never ends early.
int TimerMs(double ms) {
    return std::max(1, static_cast<int>(std::ceil(ms)));
}

// The worst finding of the checks that had their data.
std::optional<Verdict> WiringVerdict(const std::vector<CheckResult>& results) {
    std::optional<Verdict> worst;
    for (const CheckResult& result : results) {
        if (result.verdict == Verdict::NoData) {
            continue;
        }
        if (!worst || static_cast<int>(result.verdict) > static_cast<int>(*worst)) {
            worst = result.verdict;
        }
    }
    return worst;
}

}  // namespace

QString BusStateText(BusState state) {
    switch (state) {
        case BusState::Waiting:
            return BusPoller::tr("等待");
        case BusState::Online:
            return BusPoller::tr("在线");
        case BusState::Offline:
            return BusPoller::tr("离线");
        case BusState::Disabled:
            return BusPoller::tr("停用");
    }
    return {};
}

BusPoller::BusPoller(SerialPort& port, BusFamilies families, QObject* parent)
    : QObject(parent), port_(port), families_(std::move(families)) {
    setObjectName(QStringLiteral("BusPoller"));
    wait_ = new QTimer(this);
    wait_->setSingleShot(true);
    wait_->setTimerType(Qt::PreciseTimer);
    connect(wait_, &QTimer::timeout, this, [this] {
        switch (phase_) {
            case Phase::Reading:
                endRead(true);
                break;
            case Phase::Silence:
                phase_ = Phase::Idle;
                nextRead();
                break;
            case Phase::Interval:
                phase_ = Phase::Idle;
                startRound();
                break;
            case Phase::Idle:
            case Phase::LinkWait:
                break;
        }
    });
    connect(&port_, &SerialPort::commEvent, this, &BusPoller::onCommEvent);
    connect(&port_, &SerialPort::linkStateChanged, this, [this](LinkState state, const QString&) {
        if (running_ && phase_ == Phase::LinkWait && state == LinkState::Connected) {
            phase_ = Phase::Idle;
            nextRead();
        }
    });
    connect(&port_, &SerialPort::deviceLost, this, [this](const QString& detail) {
        if (running_) {
            stop();
            emit failed(detail);
        }
    });
    clock_.start();
}

BusPoller::~BusPoller() {
    if (running_) {
        wait_->stop();
        running_ = false;
        (void)port_.close();
    }
}

void BusPoller::setMeters(const QList<BusMeter>& meters) {
    QList<BusMeterStatus> next;
    std::vector<std::unique_ptr<LineDiagnostics>> diagnostics;
    for (const BusMeter& meter : meters) {
        const auto known =
            std::find_if(status_.begin(), status_.end(), [&](const BusMeterStatus& s) {
                return s.meter.address == meter.address && s.meter.kind == meter.kind;
            });
        BusMeterStatus status;
        std::unique_ptr<LineDiagnostics> diagnosis;
        if (known != status_.end()) {
            status = *known;
            diagnosis = std::move(diagnostics_[static_cast<std::size_t>(known - status_.begin())]);
        } else {
            status.marginMs = -1;  // the first margin until it answers
            diagnosis = std::make_unique<LineDiagnostics>();
        }
        status.meter = meter;
        if (!meter.enabled) {
            status.state = BusState::Disabled;
        } else if (status.state == BusState::Disabled) {
            status.state = BusState::Waiting;
            status.failuresInRow = 0;
        }
        next.append(status);
        diagnostics.push_back(std::move(diagnosis));
    }
    // A meter taken out while its read is under way: the read still ends,
    // and its finding goes nowhere.
    if (phase_ == Phase::Reading && record_) {
        const int address = status_.value(meterIndex_).meter.address;
        const auto same = std::find_if(next.begin(), next.end(), [&](const BusMeterStatus& s) {
            return s.meter.address == address;
        });
        meterIndex_ = same == next.end() ? -1 : static_cast<int>(same - next.begin());
    } else {
        meterIndex_ = std::min(meterIndex_, static_cast<int>(next.size()));
    }
    status_ = next;
    diagnostics_ = std::move(diagnostics);
}

int BusPoller::baud() const {
    const std::optional<LineSettings> line = ParseLineSettings(port_.settings().toStdString());
    return line && line->baud > 0 ? line->baud : 9600;
}

double BusPoller::characterMs() const {
    const std::optional<LineSettings> line = ParseLineSettings(port_.settings().toStdString());
    if (!line || line->baud <= 0) {
        return 11.0 * 1000 / 9600;
    }
    const int bits = 1 + line->dataBits + (line->parity == LineSettings::Parity::None ? 0 : 1) +
                     (line->stopBits == LineSettings::StopBits::One ? 1 : 2);
    return bits * 1000.0 / line->baud;
}

PortResult BusPoller::start(int portNumber, const QString& settings) {
    if (running_) {
        stop();
    }
    PortResult opened = OpenConfigured(port_, portNumber, settings);
    if (!opened) {
        return opened;
    }
    running_ = true;
    round_ = 0;
    finishRound();
    return opened;
}

void BusPoller::stop() {
    if (!running_) {
        return;
    }
    running_ = false;
    phase_ = Phase::Idle;
    record_.reset();
    wait_->stop();
    (void)port_.close();
}

// Ends the round under way (if any) and starts the next one, now or at its
// interval.
void BusPoller::finishRound() {
    const qint64 now = clock_.elapsed();
    if (round_ > 0) {
        lastRoundMs_ = now - roundStartMs_;
        lastRoundLimitMs_ = roundLimitMs_;
        emit roundFinished(round_, lastRoundMs_);
        if (!running_) {
            return;
        }
    }
    if (intervalMs_ > 0 && round_ > 0 && now < roundStartMs_ + intervalMs_) {
        phase_ = Phase::Interval;
        wait_->start(static_cast<int>(roundStartMs_ + intervalMs_ - now));
        return;
    }
    startRound();
}

void BusPoller::startRound() {
    ++round_;
    roundStartMs_ = clock_.elapsed();
    roundLimitMs_ = 0;
    meterIndex_ = 0;
    readIndex_ = 0;
    meterAnswered_ = false;
    nextRead();
}

void BusPoller::nextRead() {
    while (running_) {
        if (meterIndex_ < 0) {
            meterIndex_ = 0;  // the meter under way was taken out of the list
        }
        if (meterIndex_ >= static_cast<int>(status_.size())) {
            finishRound();
            return;
        }
        BusMeterStatus& meter = status_[meterIndex_];
        const std::vector<PollStep>& reads = families_.of(meter.meter.kind).reads;
        const bool skip = !meter.meter.enabled || (meter.state == BusState::Offline &&
                                                   clock_.elapsed() < meter.nextRetryMs);
        if (skip || readIndex_ >= reads.size()) {
            if (!skip && meterAnswered_) {
                const PhaseReadings readings = ReadPhaseValues(
                    meter.meter.kind, families_.of(meter.meter.kind).mode, meter.texts);
                meter.wiring = WiringVerdict(RunChecks(readings, Thresholds{}));
                emit meterChanged(meterIndex_);
            }
            ++meterIndex_;
            readIndex_ = 0;
            meterAnswered_ = false;
            continue;
        }
        send(meterIndex_, reads[readIndex_]);
        return;
    }
}

int BusPoller::timeoutMs(const BusMeterStatus& meter, const PollStep& step) const {
    const double line =
        (kReadRequestChars + static_cast<double>(ExpectedAnswerLength(step.function, step.count))) *
        characterMs();
    return TimerMs(line + (meter.marginMs < 0 ? firstMarginMs_ : meter.marginMs));
}

void BusPoller::send(int index, const PollStep& step) {
    const BusMeterStatus& meter = status_[index];
    RequestParameters request;
    request.MeterAddress = std::to_string(meter.meter.address);
    request.StartRegister = step.start;
    request.RegisterCount = step.count;
    if (BuildReadRequest(request, step.function) != RequestStatus::Built) {
        ++readIndex_;  // cannot happen for a listed address; skip rather than stall
        nextRead();
        return;
    }
    const QByteArray frame(reinterpret_cast<const char*>(request.RequestFrame.data()),
                           static_cast<qsizetype>(request.RequestFrame.size()));
    port_.clearInput();
    collected_.clear();
    RequestRecord record;
    record.number = ++requests_;
    record.tick = round_;
    record.step = step;
    record.sent = frame;
    record.sentAt = QDateTime::currentDateTime();
    // A gateway still connecting, or a lost device or connection being
    // retried: the read waits until it is there again.
    if (port_.isOpen() && port_.linkState() != LinkState::Connected) {
        phase_ = Phase::LinkWait;
        --requests_;
        return;
    }
    if (!port_.isOpen() || !port_.write(frame)) {
        stop();
        emit failed(tr("串口写入失败"));
        return;
    }
    writtenNs_ = SteadyNowNs();
    record_ = std::move(record);
    phase_ = Phase::Reading;
    wait_->start(timeoutMs(meter, step));
}

void BusPoller::onCommEvent(CommEvent kind) {
    if (kind != CommEvent::Receive || !running_) {
        return;
    }
    port_.setInputLength(0);
    const QByteArray bytes = port_.readAll();
    if (phase_ != Phase::Reading || !record_ || bytes.isEmpty()) {
        return;  // between reads: a late answer or noise, dropped
    }
    record_->received.append(bytes.left(RequestRecord::kKeptBytes - record_->received.size()));
    record_->receivedCount += bytes.size();
    const std::int64_t arrived = std::max(port_.lastArrivalNs(), writtenNs_);
    record_->lastByteAt = QDateTime::currentDateTime();
    record_->responseMs = (std::max(arrived, SteadyNowNs()) - writtenNs_) / 1'000'000;
    collected_.append(bytes);
    const PollStep& step = record_->step;
    const std::size_t expected = ExpectedAnswerLength(step.function, step.count);
    const AnswerCheck check = CheckAnswer(BytesOf(collected_), step.function, step.count);
    if (check.outcome == AnswerOutcome::Accepted || check.outcome == AnswerOutcome::Exception ||
        static_cast<std::size_t>(collected_.size()) >= expected) {
        endRead(false);
    }
}

void BusPoller::endRead(bool timedOut) {
    wait_->stop();
    phase_ = Phase::Idle;
    if (!record_) {
        return;
    }
    RequestRecord record = std::move(*record_);
    record_.reset();
    const AnswerBytes collected = BytesOf(collected_);
    record.check = CheckAnswer(collected, record.step.function, record.step.count);
    if (timedOut && record.check.outcome == AnswerOutcome::Malformed &&
        IsAnswerStart(collected, record.step.function, record.step.count)) {
        record.check.outcome = AnswerOutcome::Late;
    }
    const std::size_t answerLength = ExpectedAnswerLength(record.step.function, record.step.count);
    const double charMs = characterMs();

    if (meterIndex_ >= 0 && meterIndex_ < static_cast<int>(status_.size())) {
        BusMeterStatus& meter = status_[meterIndex_];
        LineDiagnostics& diagnosis = *diagnostics_[static_cast<std::size_t>(meterIndex_)];
        diagnosis.add(record);
        meter.counts = diagnosis.counts();
        meter.lastOutcome = record.check.outcome;
        const bool answered = record.check.outcome == AnswerOutcome::Accepted ||
                              record.check.outcome == AnswerOutcome::Exception;
        if (answered) {
            meterAnswered_ = meterAnswered_ || record.accepted();
            meter.failuresInRow = 0;
            meter.state = BusState::Online;
            // Turnaround: the wait minus the line time of request and answer.
            const double measured = std::max(
                0.0, static_cast<double>(record.responseMs) -
                         (kReadRequestChars + static_cast<double>(collected_.size())) * charMs);
            meter.turnaroundMs =
                meter.turnaroundMs < 0 ? measured : 0.7 * meter.turnaroundMs + 0.3 * measured;
            meter.marginMs = std::clamp(TimerMs(2 * meter.turnaroundMs + kMarginSlackMs),
                                        kMinMarginMs, kMaxMarginMs);
            const double modbusCharMs = 11 * 1000.0 / baud();
            roundLimitMs_ +=
                (kReadRequestChars + static_cast<double>(answerLength)) * modbusCharMs +
                meter.turnaroundMs + 3.5 * modbusCharMs;
            if (record.accepted()) {
                for (const FieldText& text : families_.of(meter.meter.kind).decode(collected)) {
                    const QString field = QString::fromLatin1(
                        text.field.data(), static_cast<qsizetype>(text.field.size()));
                    meter.texts.insert(field, QString::fromStdString(text.text));
                    meter.textRounds.insert(field, round_);
                }
            }
        } else {
            ++meter.failuresInRow;
            if (meter.failuresInRow >= kFailuresForOffline || meter.state == BusState::Offline) {
                meter.state = BusState::Offline;
                meter.nextRetryMs = clock_.elapsed() + retryMs_;
                // Its other reads wait for the retry.
                readIndex_ = families_.of(meter.meter.kind).reads.size();
            }
        }
        emit requestFinished(meterIndex_, record);
        emit meterChanged(meterIndex_);
    }
    if (!running_) {
        return;
    }
    ++readIndex_;
    if (record.receivedCount > 0) {
        // The line's silence before the next request.
        phase_ = Phase::Silence;
        wait_->start(TimerMs(3.5 * charMs));
    } else {
        nextRead();
    }
}

}  // namespace mt
