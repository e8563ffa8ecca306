// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Monitors on a real serial port, driven the way a user drives them, for the
// end-to-end tests, the soak and the timing bench: production services except
// that messages and the end of the program are recorded, a serial component
// that also records what was written, and waits that keep the event loop
// running.

#include <QByteArray>
#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "link/request.h"
#include "monitor/valuefield.h"
#include "panel_meter/panelmeterwindow.h"
#include "platform/qtserialport.h"
#include "platform/services.h"
#include "rail_meter/railmeterwindow.h"

class QTimer;

namespace mt {
class PortPanel;
class SwitchPanelView;
}  // namespace mt

namespace mt::drive {

// Services as the program has them (the pause really sleeps, then processes
// the pending events), except that a message is recorded instead of shown
// as a modal box and the end of the program is recorded instead of done.
struct LiveServices {
    struct Message {
        QString text;
        QString title;
        MessageIcon icon = MessageIcon::None;
        qint64 atMs = 0;  // MonotonicMs()
    };
    QList<Message> messages;
    int endProgramCalls = 0;
    qint64 pauses = 0;
    // The soak runs on a faster clock: pauses last the given time divided by
    // this (its simulators answer proportionally faster).
    int pauseDivisor = 1;

    Services services();
};

// The production serial component that also counts what goes through it:
// every write with its result, receive events, and device losses.
class WatchedSerialPort : public QtSerialPort {
    Q_OBJECT

public:
    struct Write {
        qint64 atMs = 0;  // MonotonicMs()
        QByteArray bytes;
        bool ok = false;
    };

    explicit WatchedSerialPort(QObject* parent = nullptr);

    PortResult write(const QByteArray& bytes) override;

    // Keeps every write in `writes` (the tests), or only counts them (the
    // soak, whose memory must stay flat).
    bool keepWrites = true;
    QList<Write> writes;
    qint64 writeCount = 0;
    qint64 failedWrites = 0;
    qint64 lastWriteMs = 0;
    qint64 receiveEvents = 0;
    qint64 lastReceiveMs = 0;
    qint64 losses = 0;
    qint64 lastLossMs = 0;
    // Writes attempted after the last device loss while the port was closed.
    qint64 writesAfterLoss = 0;
};

// Runs the event loop until `condition` holds or `timeoutMs` have passed;
// gives the condition's last value. Waits for events rather than spinning.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);
// Runs the event loop for `ms`.
void RunEventsFor(int ms);

// Counts the ticks of a monitor's Timer1 that ran to their end and times
// them. It sees the timer's event before the monitor does (the start of a
// tick) and listens to the timer's timeout after the monitor does (the tick
// has returned); a timeout that found the previous tick still running (and
// was skipped) does not count. With stopAfter() set, it stops the timer
// right after that many ticks, without the stop click's emptying of the
// input, so the answer to the last request of the last tick still comes in.
class TickCounter : public QObject {
    Q_OBJECT

public:
    TickCounter(QTimer* timer, std::function<bool()> tickRunning, QObject* parent = nullptr);

    int completed() const { return completed_; }
    void stopAfter(int ticks) { stopAfter_ = ticks; }
    // Runs the event loop until `ticks` have completed (bounded).
    bool waitFor(int ticks, int timeoutMs);

    // The longest tick so far, and how long the tick under way has run (0
    // when none is).
    qint64 longestMs() const { return longestMs_; }
    qint64 runningForMs() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTimeout();

    QTimer* timer_;
    std::function<bool()> tickRunning_;
    int completed_ = 0;
    int stopAfter_ = 0;
    // When each timer event under way began; they nest when the timer
    // fires during a tick's pause.
    QList<qint64> began_;
    qint64 longestMs_ = 0;
};

// Picks comN in the port list as a click on the list does, then clicks
// "打开串口". True when the port is open and shown open.
bool OpenPortAsUser(MonitorWindow& window, int com);

// A window's controls by their object names, as automation finds them: the
// port panel, and a control of the screen ("Combo3", "Picture1", ...).
PortPanel& PanelOf(MonitorWindow& window);
template <typename T>
T& ControlOf(const MonitorWindow& window, const char* name) {
    return *window.findChild<T*>(QString::fromLatin1(name));
}

// Waits until nothing was written or received on the port for `quietMs`
// (bounded by `timeoutMs`).
bool WaitForQuiet(const WatchedSerialPort& port, int quietMs, int timeoutMs);

class SimProcess;
// Waits (bounded) until the simulator has logged every request written to
// the port, every answer it sent to them is due on the line, and after that
// the port was quiet for `quietMs`: the answers are in and handled. Quiet
// alone is not enough on a busy machine, where the simulator may answer
// later than a quiet spell lasts.
bool WaitForAnswers(const SimProcess& sim, const WatchedSerialPort& port, int quietMs,
                    int timeoutMs);

// A monitor screen (PanelMeterWindow or RailMeterWindow) on a real port with its own request
// parameters, its ticks counted.
template <typename Form>
struct LiveMonitor {
    explicit LiveMonitor(int timerIntervalMs)
        : form(port, live.services(), nullptr, timerIntervalMs, request),
          ticks(form.acquisition().timer(), [this] { return form.acquisition().tickRunning(); }) {}

    WatchedSerialPort port;
    LiveServices live;
    RequestParameters request;
    Form form;
    TickCounter ticks;

    bool open(int com) { return OpenPortAsUser(form, com); }
    // The text of a value field, or a note that there is no such field.
    QString text(const char* field) const {
        const QLineEdit* edit = form.valueField(field);
        return edit != nullptr ? edit->text() : QStringLiteral("<no field %1>").arg(field);
    }
};

using LivePanelMonitor = LiveMonitor<PanelMeterWindow>;
using LiveRailMonitor = LiveMonitor<RailMeterWindow>;

// The four channels of a switch panel as a status byte (bit k: channel k
// closed).
std::uint8_t SwitchStatusShown(const SwitchPanelView& view);

}  // namespace mt::drive
