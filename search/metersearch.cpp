// SPDX-License-Identifier: GPL-3.0-or-later
#include "metersearch.h"

#include <QTimer>
#include <algorithm>
#include <string>

#include "acquisition/answerbytes.h"
#include "link/request.h"
#include "platform/portsetup.h"

namespace mt {

namespace {

// A wait of `us` microseconds as a timer interval: whole milliseconds,
// rounded up, so that a wait never ends early.
int TimerMs(qint64 us) {
    return static_cast<int>((us + 999) / 1000);
}

}  // namespace

MeterSearch::MeterSearch(SerialPort& port, int portNumber, SearchPlan plan, QObject* parent)
    : QObject(parent), port_(port), portNumber_(portNumber), plan_(std::move(plan)) {
    setObjectName(QStringLiteral("MeterSearch"));
    wait_ = new QTimer(this);
    wait_->setSingleShot(true);
    wait_->setTimerType(Qt::PreciseTimer);
    connect(wait_, &QTimer::timeout, this, &MeterSearch::onWaitOver);
    connect(&port_, &SerialPort::commEvent, this, &MeterSearch::onCommEvent);
    connect(&port_, &SerialPort::linkStateChanged, this, [this](LinkState state, const QString&) {
        if (running_ && phase_ == Phase::LinkWait && state == LinkState::Connected) {
            phase_ = Phase::Idle;
            send(read_);
        }
    });
    connect(&port_, &SerialPort::deviceLost, this, [this](const QString& detail) {
        if (running_) {
            fail(PortError{PortError::Kind::DeviceLost, detail});
        }
    });
    clock_.start();
}

MeterSearch::~MeterSearch() {
    if (running_) {
        wait_->stop();
        running_ = false;
        (void)port_.close();
    }
}

const SearchLine& MeterSearch::line() const {
    // Past the last line once every try is made: that line stays the current one.
    return plan_.lines[std::min(lineIndex_, plan_.lines.size() - 1)];
}

void MeterSearch::start() {
    if (running_) {
        return;
    }
    running_ = true;
    foundMeter_ = false;
    finds_.clear();
    triesDone_ = 0;
    readsSent_ = 0;
    limitOfReadsUs_ = 0;
    failure_.reset();
    lineIndex_ = 0;
    address_ = plan_.firstAddress;
    if (plan_.totalTries() == 0) {
        finish(SearchEnd::Completed);
        return;
    }
    lineOpen_ = false;
    nextTry();
}

void MeterSearch::cancel() {
    if (running_) {
        finish(SearchEnd::Cancelled);
    }
}

MeterSearch::LineOpening MeterSearch::openLine() {
    // Settings are applied before opening: a pseudo-terminal and some
    // drivers refuse a parity change on an open port.
    (void)port_.close();
    PortResult result = OpenConfigured(
        port_, portNumber_,
        QStringLiteral("%1,%2,8,1").arg(line().baud).arg(QLatin1Char(line().parity)));
    if (!result) {
        const PortError::Kind kind = result.error().kind;
        if (kind == PortError::Kind::Other || kind == PortError::Kind::BadSettings) {
            // The device is there but will not take these settings (a
            // converter without that rate, a driver without that parity):
            // only this line is skipped.
            SearchFind refused = SearchFind::At(SearchFind::Kind::LineRefused, 0, line());
            refused.detail = result.error().detail;
            report(refused);
            return LineOpening::Refused;
        }
        fail(result.error());
        return LineOpening::Failed;
    }
    port_.clearInput();
    port_.clearOutput();
    return LineOpening::Open;
}

void MeterSearch::nextTry() {
    while (running_) {
        if (address_ > plan_.lastAddress) {
            ++lineIndex_;
            address_ = plan_.firstAddress;
            lineOpen_ = false;
            if (lineIndex_ >= plan_.lines.size()) {
                finish(SearchEnd::Completed);
                return;
            }
        }
        if (!lineOpen_) {
            const LineOpening opening = openLine();
            if (opening == LineOpening::Failed) {
                return;
            }
            if (opening == LineOpening::Refused) {
                // Its tries count as made.
                triesDone_ += plan_.lastAddress - address_ + 1;
                address_ = plan_.lastAddress + 1;
                continue;
            }
            lineOpen_ = true;
        }
        emit progressed(SearchProgress{triesDone_, plan_.totalTries(), plan_.timeLeftMs(triesDone_),
                                       line(), address_});
        if (running_) {
            send(Read::Common);
        }
        return;
    }
}

void MeterSearch::send(Read read) {
    read_ = read;
    received_.clear();
    port_.clearInput();
    const bool common = read == Read::Common;
    const RequestResult request = MakeReadRequest(std::to_string(address_), kProbeFunction,
                                                  common ? kCommonRegister : kPanelOnlyRegister,
                                                  common ? kCommonCount : kPanelOnlyCount);
    const QByteArray frame(reinterpret_cast<const char*>(request.frame.data()),
                           static_cast<qsizetype>(request.frame.size()));
    // A gateway still connecting, or a lost device or connection being
    // retried: the read waits until it is there again.
    if (port_.isOpen() && port_.linkState() != LinkState::Connected) {
        phase_ = Phase::LinkWait;
        return;
    }
    if (const PortResult written = port_.write(frame); !written) {
        fail(written.error());
        return;
    }
    sentNs_ = clock_.nsecsElapsed();
    ++readsSent_;
    const qint64 limitUs = TryLimitUs(line().baud, plan_.timeoutMsFor(line().baud));
    limitOfReadsUs_ += limitUs;
    phase_ = Phase::Awaiting;
    wait_->start(TimerMs(limitUs));
}

void MeterSearch::onCommEvent(CommEvent kind) {
    if (kind != CommEvent::Receive || !running_) {
        return;
    }
    const QByteArray bytes = port_.readAll();
    if (phase_ != Phase::Awaiting || bytes.isEmpty()) {
        return;  // between reads: noise, or the tail of an answer already judged
    }
    received_.append(bytes);
    lastByteNs_ = clock_.nsecsElapsed();
    if (ProbeAnswerComplete(BytesOf(received_))) {
        endRead();
    }
}

void MeterSearch::onWaitOver() {
    if (!running_) {
        return;
    }
    if (phase_ == Phase::Awaiting) {
        endRead();
        return;
    }
    if (phase_ == Phase::Silence) {
        phase_ = Phase::Idle;
        const std::optional<Read> next = afterSilence_;
        afterSilence_.reset();
        if (next == Read::PanelOnly) {
            send(Read::PanelOnly);
        } else {
            nextTry();
        }
    }
}

void MeterSearch::endRead() {
    wait_->stop();
    phase_ = Phase::Idle;
    const auto address = static_cast<std::uint8_t>(address_);
    const double responseMs =
        received_.isEmpty() ? -1.0 : static_cast<double>(lastByteNs_ - sentNs_) / 1e6;

    if (read_ == Read::PanelOnly) {
        const ProbeVerdict verdict =
            ClassifyProbeAnswer(BytesOf(received_), address, kProbeFunction, kPanelOnlyCount);
        SearchFind find = SearchFind::At(SearchFind::Kind::Meter, address_, line());
        find.family = FamilyFromPanelOnlyRead(verdict);
        find.responseMs = commonResponseMs_;
        foundMeter_ = true;
        report(find);
        endTry();
        return;
    }

    const ProbeVerdict verdict =
        ClassifyProbeAnswer(BytesOf(received_), address, kProbeFunction, kCommonCount);
    SearchFind find = SearchFind::At(SearchFind::Kind::Meter, address_, line());
    find.responseMs = responseMs;
    switch (verdict.outcome) {
        case ProbeOutcome::Data:
            commonResponseMs_ = responseMs;
            afterSilence(Read::PanelOnly);
            return;
        case ProbeOutcome::NoAnswer:
            break;
        case ProbeOutcome::Exception:
            find.kind = SearchFind::Kind::OtherDevice;
            find.exceptionCode = verdict.exceptionCode;
            report(find);
            break;
        case ProbeOutcome::BadCrc:
            find.kind = SearchFind::Kind::BadCrc;
            report(find);
            break;
        case ProbeOutcome::WrongAddress:
            find.kind = SearchFind::Kind::LateAnswer;
            find.address = verdict.address;
            report(find);
            break;
        case ProbeOutcome::Garbled:
            find.kind = SearchFind::Kind::Garbled;
            report(find);
            break;
    }
    endTry();
}

void MeterSearch::endTry() {
    if (!running_) {
        return;
    }
    ++triesDone_;
    ++address_;
    if (foundMeter_ && stopAtFirstMeter_) {
        finish(SearchEnd::FoundMeter);
        return;
    }
    afterSilence(Read::Common);
}

void MeterSearch::afterSilence(Read next) {
    if (!running_) {
        return;
    }
    // Nothing came: the line has been quiet for the whole timeout.
    if (received_.isEmpty()) {
        if (next == Read::PanelOnly) {
            send(next);
        } else {
            nextTry();
        }
        return;
    }
    const qint64 quietUs = (clock_.nsecsElapsed() - lastByteNs_) / 1000;
    const qint64 leftUs = InterFrameSilenceUs(line().baud) - quietUs;
    phase_ = Phase::Silence;
    afterSilence_ = next;
    wait_->start(leftUs > 0 ? TimerMs(leftUs) : 0);
}

void MeterSearch::report(const SearchFind& find) {
    finds_.push_back(find);
    emit found(find);
}

void MeterSearch::fail(const PortError& error) {
    failure_ = error;
    finish(SearchEnd::Failed);
}

void MeterSearch::finish(SearchEnd end) {
    wait_->stop();
    phase_ = Phase::Idle;
    afterSilence_.reset();
    running_ = false;
    lineOpen_ = false;
    (void)port_.close();
    if (end == SearchEnd::Completed || end == SearchEnd::FoundMeter) {
        emit progressed(SearchProgress{triesDone_, plan_.totalTries(), 0,
                                       plan_.lines.empty() ? SearchLine{} : line(), 0});
    }
    emit finished(end);
}

}  // namespace mt
