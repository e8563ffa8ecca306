#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "link/request.h"
#include "paneldecoder.h"
#include "platform/serialport.h"
#include "platform/services.h"

class QTimer;

namespace mt {

// One read of a polling schedule.
struct PollStep {
    std::int16_t function;
    std::int16_t start;
    std::int16_t count;
};

// Primary data: registers 10-33, 34-55 and 56-57 as float pairs, then the
// four coils and the four discrete inputs.
inline constexpr std::array<PollStep, 5> kPrimarySchedule = {{
    {kReadInputRegisters, 10, 24},
    {kReadInputRegisters, 34, 22},
    {kReadInputRegisters, 56, 2},
    {kReadCoils, 0, 4},
    {kReadDiscreteInputs, 0, 4},
}};

// Secondary data: registers 70-92 and 93-100 as scaled integers, then the
// coils and inputs.
inline constexpr std::array<PollStep, 4> kSecondarySchedule = {{
    {kReadInputRegisters, 70, 23},
    {kReadInputRegisters, 93, 8},
    {kReadCoils, 0, 4},
    {kReadDiscreteInputs, 0, 4},
}};

// The pause after every read of a tick but the last, in which its answer
// comes in.
inline constexpr int kStepPauseMs = 500;

// The acquisition of the panel-mount monitor without its widgets: the run
// state of the two acquisition buttons, the polling timer and its ticks, the
// receive handling that collects an answer and hands it to the decoder of the
// running mode, and the end of the program. The screen shows the state and
// forwards clicks; everything here can be driven by a test directly.
class PanelPoller : public QObject {
    Q_OBJECT

public:
    // Which acquisition runs. Idle: both buttons enabled. Primary: the
    // secondary button is disabled. Secondary: the primary button is disabled.
    enum class Mode { Idle, Primary, Secondary };

    // What the poller needs from its screen.
    struct Hooks {
        // The address list's text, copied into MeterAddress at every tick.
        std::function<QString()> addressText;
        // Closes the port and opens it again; on failure the port is left
        // closed, shown closed and the user was told. Returns success.
        std::function<bool()> reopenPort;
        // Marks the address as one that cannot be sent, or clears the mark.
        std::function<void(bool invalid)> showAddressInvalid;
        // Shows what an accepted answer carries.
        std::function<void(const DecodedAnswer&)> show;
    };

    static inline const QString kPortNotOpen = QStringLiteral("串口没有打开");

    PanelPoller(SerialPort& port, Services services, RequestParameters& request, Hooks hooks,
                int timerIntervalMs, QObject* parent = nullptr);

    Mode mode() const { return mode_; }
    QTimer* timer() const { return timer_; }
    bool tickRunning() const { return tickRunning_; }
    bool ended() const { return ended_; }
    // The bytes collected so far for the answer to the request last sent.
    const QByteArray& answerBuffer() const { return answer_; }
    // The longest answer that can still be accepted for the request last
    // sent; the collected bytes never grow beyond one byte more.
    qsizetype longestAcceptableAnswer() const;

    // A click on the acquisition button of `mode` (Primary: "一次数据采集",
    // Secondary: "二次数据采集"): starts that acquisition when idle, stops it
    // when it runs; nothing while the other one runs (its button is disabled).
    void toggle(Mode mode);
    // One tick of the polling timer: one pass of the running mode's schedule.
    void tick();
    // The serial component's notification.
    void onCommEvent(mt::CommEvent kind);
    // The port panel closed the port with its button, or the device went
    // away: acquisition stops and both buttons return to idle.
    void onPortClosed();
    // Another port was picked while open: the run state stays, ticks send
    // nothing until the port is open again.
    void onPortSwitched();
    // The exit button or the window's close: closes the port, stops the
    // timer and ends the program, once.
    void end();

signals:
    void modeChanged(mt::PanelPoller::Mode mode);

private:
    void setMode(Mode mode);
    void markAddressInvalid(bool invalid);
    template <std::size_t N>
    void runSchedule(const std::array<PollStep, N>& schedule);

    SerialPort& port_;
    Services services_;
    RequestParameters& request_;
    Hooks hooks_;
    QTimer* timer_ = nullptr;
    Mode mode_ = Mode::Idle;
    QByteArray answer_;
    bool tickRunning_ = false;
    bool ended_ = false;
    bool addressMarked_ = false;
    // Counts every closing of the port that the poller hears of; a tick that
    // sees it change during a pause writes nothing more.
    quint64 portEpoch_ = 0;
};

}  // namespace mt
