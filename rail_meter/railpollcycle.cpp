#include "railpollcycle.h"

#include <algorithm>
#include <span>

#include "link/answer.h"
#include "railschedule.h"

namespace mt {

namespace {

AnswerBytes BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

}  // namespace

RailPollCycle::RailPollCycle(SerialPort& port, Services services, RequestParameters& request,
                             std::function<QString()> addressText, QObject* parent)
    : QObject(parent),
      port_(port),
      services_(std::move(services)),
      request_(request),
      addressText_(std::move(addressText)) {
    setObjectName(QStringLiteral("RailPollCycle"));
    connect(&port_, &SerialPort::commEvent, this, &RailPollCycle::OnCommEvent);
}

void RailPollCycle::Tick() {
    // A tick that is still pumping events keeps its address and its reads;
    // a second one would interleave its requests with them.
    if (ticking_) {
        return;
    }
    request_.MeterAddress = addressText_().toStdString();
    const bool addressValid = MeterAddressByte(request_.MeterAddress).has_value();
    emit addressChecked(addressValid);
    if (!port_.isOpen() || !addressValid) {
        return;
    }

    ticking_ = true;
    for (const RailPollStep& step : RailPollSchedule) {
        // The port may have been closed (or lost) while the last pause ran
        // the event loop: the rest of the tick is abandoned.
        if (!port_.isOpen()) {
            break;
        }
        request_.RegisterCount = step.registerCount;
        request_.StartRegister = step.startRegister;
        port_.clearInput();
        AnswerBuffer.clear();
        if (step.blockTag) {
            BlockTag = *step.blockTag;
        }
        if (BuildReadRequest(request_, kReadInputRegisters) != RequestStatus::Built) {
            break;
        }
        const QByteArray frame(reinterpret_cast<const char*>(request_.RequestFrame.data()),
                               static_cast<qsizetype>(request_.RequestFrame.size()));
        if (!port_.write(frame)) {
            break;
        }
        services_.pause(kPauseMs);
    }
    ticking_ = false;
}

qsizetype RailPollCycle::answerLimit() const {
    return static_cast<qsizetype>(
        std::max(RegisterAnswerLength(request_.RegisterCount), kBitAnswerLength));
}

void RailPollCycle::OnCommEvent(CommEvent kind) {
    if (kind != CommEvent::Receive) {
        return;
    }
    port_.setInputLength(0);
    const QByteArray received = port_.readAll();

    // A buffer longer than any acceptable answer stays unacceptable however
    // many bytes follow, so it is not grown (noise on an idle line would
    // otherwise be kept, and tested whole, without bound).
    const qsizetype limit = answerLimit();
    if (AnswerBuffer.size() > limit) {
        return;
    }
    AnswerBuffer += received;
    if (AnswerBuffer.size() > limit) {
        AnswerBuffer.truncate(limit + 1);
        return;
    }
    if (AnswerBuffer.size() < 3 || !AcceptAnswer(BytesOf(AnswerBuffer), request_.RegisterCount)) {
        return;
    }
    const QByteArray answer = AnswerBuffer;
    emit answerAccepted(answer);
    // Whatever arrived while the answer was shown is dropped; AnswerBuffer
    // itself is emptied by the next request.
    port_.clearInput();
}

}  // namespace mt
