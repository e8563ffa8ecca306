#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "link/request.h"
#include "platform/serialport.h"
#include "platform/services.h"

namespace mt {

// The polling cycle of the DIN-rail monitor, apart from any window: the
// eleven reads of one tick, the block tag that tells equally long answers
// apart, and the receive handler that collects answer bytes in AnswerBuffer
// until they form an acceptable answer.
//
// Answers are tied to requests by time alone: the request parameters and the
// block tag keep their values from the moment a request is written until the
// pause after it has run, and the receive events of its answer are handled
// inside that pause. An answer that comes in after the next request went out
// is therefore judged against that next request.
class RailPollCycle : public QObject {
    Q_OBJECT

public:
    // The wait after each request: the whole answer window.
    static constexpr int kPauseMs = 200;

    // `addressText` gives the address list's text, copied at every tick.
    RailPollCycle(SerialPort& port, Services services, RequestParameters& request,
                  std::function<QString()> addressText, QObject* parent = nullptr);

    // One polling tick: copies the address, and with the port open and the
    // address sendable writes the eleven requests, pausing after each. A tick
    // that finds the port closed after a pause abandons its remaining reads;
    // a tick asked for while one is still running is skipped.
    void Tick();

    // The receive handler: takes every waiting byte, appends it to
    // AnswerBuffer and hands the whole buffer on once it is an acceptable
    // answer to the request last built.
    void OnCommEvent(CommEvent kind);

    bool isTicking() const { return ticking_; }

    // The longest AnswerBuffer that the current request could still accept.
    // Beyond it the buffer stops growing: no later byte can make it acceptable.
    qsizetype answerLimit() const;

    // Which of several equally long answers is outstanding: 6 and 7 for the
    // two demands, 0 to 5 for the energy blocks. Set from the fourth read of
    // a tick on, so it is 5 after a full tick (0 before the first).
    std::int16_t BlockTag = 0;
    // The bytes received since the last request went out (at most
    // answerLimit() + 1 of them).
    QByteArray AnswerBuffer;

signals:
    // An answer passed the acceptance test; BlockTag still describes the
    // request it was judged against.
    void answerAccepted(const QByteArray& answer);
    // Emitted at every tick: whether the address text gives an address that
    // can be sent (0 to 255). Nothing is sent while it does not.
    void addressChecked(bool valid);

private:
    SerialPort& port_;
    Services services_;
    RequestParameters& request_;
    std::function<QString()> addressText_;
    bool ticking_ = false;
};

}  // namespace mt
