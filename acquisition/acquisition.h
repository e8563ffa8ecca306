// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <span>

#include "link/answer.h"
#include "link/answercheck.h"
#include "link/pollstep.h"
#include "link/request.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QTimer;

namespace mt {

// A monitor's two acquisition buttons: Command1 and Command4.
enum class AcquisitionButton { Primary, Secondary };

// The run state of the two acquisition buttons: whether each one runs its
// acquisition and whether it can be clicked. Starting one disables the
// other; stopping it enables the other again.
struct AcquisitionState {
    struct Button {
        bool running = false;
        bool enabled = true;

        bool operator==(const Button&) const = default;
    };
    Button primary;
    Button secondary;

    Button& operator[](AcquisitionButton button) {
        return button == AcquisitionButton::Primary ? primary : secondary;
    }
    const Button& operator[](AcquisitionButton button) const {
        return button == AcquisitionButton::Primary ? primary : secondary;
    }
    bool anyRunning() const { return primary.running || secondary.running; }

    bool operator==(const AcquisitionState&) const = default;
};

// Which buttons go back to idle when the port is closed with the panel's
// button or the device goes away.
enum class CloseReset {
    BothButtons,        // the panel-mount screen
    PrimaryButtonOnly,  // the DIN-rail screen, whose second button stays as it is
};

// How a monitor polls: the timer interval, the pause after each request, and
// whether the last request of a tick gets its pause too (on the panel-mount
// screen its answer is handled after the tick instead).
struct AcquisitionTiming {
    int timerIntervalMs = 4000;
    int pauseMs = 500;
    bool pauseAfterLastStep = false;
};

// The whole answer to an earlier request, which got nothing in its own
// window, recognised in a later window or after it: that request's answer
// was late, not missing.
struct LateAnswer {
    quint64 request = 0;  // the number of the request it answers
    // The meter's turnaround: from the end of that request's write to the
    // start of the answer, as far as the arrival of its bytes tells.
    qint64 turnaroundMs = -1;
};

// What became of one request: what was sent, what came back while it was
// outstanding, and whether it was accepted or why not. A request is
// outstanding from its write until its answer is accepted or its answer
// window (the pause after it) has ended.
struct RequestRecord {
    // Only this many received bytes are kept in the record; the count goes on.
    static constexpr qsizetype kKeptBytes = 512;

    quint64 number = 0;         // 1, 2, ... per monitor
    quint64 tick = 0;           // the tick that sent it
    PollStep step;              // function code, start and count as sent
    std::int16_t blockTag = 0;  // the block tag while it was outstanding
    QByteArray sent;            // the request frame
    QDateTime sentAt;           // local time of the write
    QByteArray received;        // the bytes read while it was outstanding
    qsizetype receivedCount = 0;
    QDateTime lastByteAt;  // local time the last of them arrived (null if none)
    // From the end of the write to the arrival of the last byte; -1 if none.
    qint64 responseMs = -1;
    AnswerCheck check;      // accepted, or why not
    bool cutShort = false;  // the port was closed or changed before its window ended
    // Its bytes began with the whole answers of earlier requests that had got
    // nothing in their own windows: those answers came late. The outcome
    // above then judges only what came behind them.
    QList<LateAnswer> lateAnswers;

    bool accepted() const { return check.outcome == AnswerOutcome::Accepted; }
};

// What one tick did, once its last request is no longer outstanding.
struct TickSummary {
    quint64 number = 0;
    QDateTime startedAt;
    int requestsSent = 0;
    int requestsAccepted = 0;
    bool abandoned = false;  // the port was closed or changed before all reads went out
    // The port was open but its device or connection was not there (lost,
    // or still connecting): nothing could be sent.
    bool linkDown = false;
};

// The acquisition engine both monitors share: the two acquisition buttons'
// run state, the polling timer Timer1 and its ticks, the collection of the
// answer to the request last sent, the acceptance test, the hand-over of
// accepted answers to the screen's decoder, and one record per request.
//
// A tick walks the screen's schedule. For each step it sets RegisterCount
// and StartRegister, empties the port's input and the collected bytes, sets
// BlockTag if the step carries one, builds and writes the request, and
// pauses through the injected pause (a blocking sleep, then one round of
// event processing, in which the answer is normally handled). Answers are
// tied to requests by time alone: the request parameters and the block tag
// keep their values from a request's write until the pause after it has run,
// so an answer that comes after the next request went out is judged against
// that next request.
//
// Received bytes are collected until they form an acceptable answer to the
// request last built. Collected bytes longer than any acceptable answer can
// never become one: they stop growing (at one byte more) until the next
// request empties them.
//
// A tick during whose pause the port was closed, lost or changed (the close
// button, another port picked, acquisition restarted, the device unplugged,
// the end of the program) abandons its remaining steps. Ticks never nest.
class AcquisitionEngine : public QObject {
    Q_OBJECT

public:
    static QString portNotOpenText() { return tr("串口没有打开"); }

    // What the engine needs from its screen.
    struct Hooks {
        // The address list's text, copied into MeterAddress at every tick.
        std::function<QString()> addressText;
        // Closes the port and opens it again; on failure the port is left
        // closed, shown closed and the user was told. Returns success.
        std::function<bool()> reopenPort;
        // Marks the address as one that cannot be sent, or clears the mark.
        std::function<void(bool invalid)> showAddressInvalid;
        // The reads of a tick in the present state; empty for none.
        std::function<std::span<const PollStep>()> schedule;
        // Shows an accepted answer. The engine's state and BlockTag are those
        // at the moment the answer is handled.
        std::function<void(AnswerBytes answer)> decode;
    };

    AcquisitionEngine(SerialPort& port, Services services, RequestParameters& request,
                      AcquisitionTiming timing, CloseReset closeReset, Hooks hooks,
                      QObject* parent = nullptr);

    const AcquisitionState& state() const { return state_; }
    QTimer* timer() const { return timer_; }
    bool tickRunning() const { return tickRunning_; }
    // Whether the request last sent is still outstanding.
    bool requestOutstanding() const { return record_.has_value(); }
    // The bytes collected so far for the answer to the request last sent.
    const QByteArray& AnswerBuffer() const { return collected_; }
    // The longest answer that can still be accepted for the request last
    // built; the collected bytes never grow beyond one byte more.
    qsizetype longestAcceptableAnswer() const;

    // Which of several equally long answers is outstanding; set by the steps
    // that carry a tag and kept by the others (0 before the first).
    std::int16_t BlockTag() const { return blockTag_; }

    // A click on an acquisition button: starts its acquisition when idle
    // (the port is closed and opened again, the other button is disabled and
    // the timer starts; the first tick comes one interval later), stops it
    // when it runs. A disabled button does nothing; with the port closed the
    // warning "串口没有打开" is shown and nothing changes.
    void toggle(AcquisitionButton button);
    // Stops the acquisition that runs, as a click on its button does (no
    // warning when the port is closed meanwhile). Gives whether one ran.
    bool stopRunning();
    // One tick of the polling timer.
    void tick();
    // The serial component's notification.
    void onCommEvent(mt::CommEvent kind);
    // The panel closed the port with its button, or the device went away:
    // the timer stops and the buttons go back to idle as the screen does it.
    void onPortClosed();
    // Another port was picked while open: the run state stays; ticks send
    // nothing until the port is open again.
    void onPortSwitched();
    // The exit button or the window's close: stops the timer, closes the
    // port and ends the program, once.
    void end();

signals:
    void stateChanged(const mt::AcquisitionState& state);
    // An answer passed the acceptance test and was decoded; BlockTag and the
    // request parameters still describe the request it was judged against.
    void answerAccepted(const QByteArray& answer);
    // Emitted when a request went out (with what was sent only).
    void requestSent(const mt::RequestRecord& record);
    // Emitted once per request, when it is no longer outstanding.
    void requestFinished(const mt::RequestRecord& record);
    // Bytes read while no request was outstanding (after its answer was
    // accepted, after its window, or between ticks); `completedAnswer` when
    // they made the collected bytes an acceptable answer after all, which was
    // then decoded.
    void strayBytes(const QByteArray& bytes, bool completedAnswer);
    // An earlier request's whole answer was recognised after its window:
    // emitted before the requestFinished of the request in whose window it
    // came, or when it came between requests.
    void lateAnswer(const mt::LateAnswer& late);
    void tickStarted(quint64 tick);
    // Emitted once per tick that sent anything, when its last request is no
    // longer outstanding.
    void tickFinished(const mt::TickSummary& summary);

private:
    void setState(const AcquisitionState& state);
    void markAddressInvalid(bool invalid);
    void runTick(std::span<const PollStep> schedule);
    void openRecord(const PollStep& step, const QByteArray& frame);
    void closeRecord(bool cutShort);
    void finishTickIfDone();
    void portGone();
    // `windowEnded`: the bytes are all a window got (else more may follow).
    QList<LateAnswer> takeLateAnswers(const QByteArray& bytes, std::optional<PollStep> present,
                                      std::int64_t lastArrivalNs, bool windowEnded,
                                      qsizetype* used);
    void recogniseStrayAnswers();
    qint64 lineTimeMs(qsizetype bytes) const;

    SerialPort& port_;
    Services services_;
    RequestParameters& request_;
    AcquisitionTiming timing_;
    CloseReset closeReset_;
    Hooks hooks_;
    QTimer* timer_ = nullptr;
    // Ends the answer window of a last request that gets no pause.
    QTimer* window_ = nullptr;
    AcquisitionState state_;
    QByteArray collected_;
    bool tickRunning_ = false;
    bool ended_ = false;
    bool addressMarked_ = false;
    // Counts every closing or change of the port the engine hears of; a tick
    // that sees it change during a pause writes nothing more.
    quint64 portEpoch_ = 0;

    std::optional<RequestRecord> record_;
    std::int16_t blockTag_ = 0;
    std::int64_t recordWrittenNs_ = 0;  // SteadyNowNs() at the end of the record's write
    std::int64_t recordLastByteNs_ = 0;
    // Recent requests that got nothing in their windows, oldest first: their
    // answers may still come. A meter answers in order, so an answer taken
    // in its own window ends the wait for all of them.
    struct Unanswered {
        quint64 number = 0;
        PollStep step;
        std::int64_t writtenNs = 0;
        // It was counted answered, with what may have been an earlier
        // request's answer: its own is stripped, not reported late.
        bool taken = false;
    };
    static constexpr qsizetype kUnansweredKept = 4;
    QList<Unanswered> unanswered_;
    // The start of a late answer that a window ended in the middle of: its
    // rest is looked for at the start of the next window.
    struct Straddle {
        QByteArray head;
        std::size_t length = 0;
        PollStep step;
    };
    std::optional<Straddle> straddle_;
    // Bytes read since the last request stopped being outstanding.
    QByteArray stray_;
    std::int64_t strayLastByteNs_ = 0;
    quint64 requests_ = 0;
    std::optional<TickSummary> tick_;  // the tick whose requests are not all finished
    quint64 ticks_ = 0;
};

}  // namespace mt
