// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <utility>

namespace mt {

// The program that holds a serial device, as far as the system tells.
struct PortHolder {
    qint64 pid = 0;   // process id; 0 when nothing tells who holds the device
    QString program;  // the program's name, when known
    QString host;     // the computer it runs on, when a lock file says so

    bool known() const { return pid > 0; }
    friend bool operator==(const PortHolder&, const PortHolder&) = default;
};

// What went wrong in a call on the serial component. One result type for every
// failure, so that the port panel can show one warning for all of them, and
// PortOpenAdvice() can tell the user why and what to do.
struct PortError {
    enum class Kind {
        NoSuchPort,     // no device behind the port number, or it cannot be found
        PortInUse,      // held by another program (or by another opening of ours)
        NoPermission,   // the user may not open the device (not in its group)
        BadSettings,    // the settings text is not "baud,parity,data,stop", or
                        // its stop bits do not go with its data bits
        BadPortNumber,  // port number 0 or negative
        AlreadyOpen,    // the port number cannot change while the port is open
        NotOpen,        // write on a closed port
        DeviceLost,     // the device went away while open
        Other,          // any other refusal of the operating system
    };
    // The part of the settings text that cannot be used (BadSettings).
    enum class Setting { None, Format, Baud, Parity, DataBits, StopBits };

    PortError() = default;
    PortError(Kind kind, QString detail) : kind(kind), detail(std::move(detail)) {}

    Kind kind = Kind::Other;
    QString detail;  // the operating system's words, for tooltips and logs
    Setting setting = Setting::None;
    PortHolder holder;  // PortInUse: who holds the device, when known
};

// The result of a call that can fail: empty on success.
class PortResult {
public:
    PortResult() = default;
    PortResult(PortError error) : error_(std::move(error)), failed_(true) {}  // NOLINT: implicit

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const PortError& error() const { return error_; }

private:
    PortError error_;
    bool failed_ = false;
};

// The kind of communication event behind a notification. The component
// reports arrivals of data only; the screens' handlers look at the kind.
enum class CommEvent {
    Receive,  // data arrived
};

// Where the connection behind an open port stands. A serial port is
// Connected from the moment it opens; a network port is Connecting until
// its gateway accepts the connection. Lost: the device or the connection went
// away and the port tries to get it back (自动重连); the port counts as open
// meanwhile, but nothing can be written.
enum class LinkState { Closed, Connecting, Connected, Lost };

// What a transport did with bytes it received that the screens never see.
enum class TransportNote {
    StaleAnswer,   // an answer to another request than the outstanding one, dropped
    UnitMismatch,  // an answer from another unit (meter address) than asked
    BadFraming,    // bytes that cannot be the protocol's frames, dropped
};

// The size of a port's input and output buffers, set at every opening.
inline constexpr int kPortBufferBytes = 1024;

// The serial-port component of a monitor screen: an abstract port with the
// operations the screens use. Production uses the QSerialPort adapter; tests
// use a fake that records every call.
//
// Configuration (port number, settings text and the buffer properties) is
// stored until open() and applied then; the settings text is checked as soon
// as it is set.
class SerialPort : public QObject {
    Q_OBJECT

public:
    explicit SerialPort(QObject* parent = nullptr) : QObject(parent) {}
    ~SerialPort() override = default;

    // Port number, counted from 1. Fails with BadPortNumber for 0 or less and
    // with AlreadyOpen while the port is open.
    virtual PortResult setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;

    // "baud,parity,data,stop", e.g. "9600,N,8,1": parity N, E, O, M or S (either
    // case), data bits 5 to 8, stop bits 1, 1.5 or 2. Anything else fails with
    // BadSettings and keeps the previous settings.
    virtual PortResult setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;

    // 0: a read takes everything that is waiting; n > 0: at most n bytes.
    virtual void setInputLength(int length) = 0;
    // A receive notification once at least this many bytes wait (1: every byte).
    virtual void setReceiveThreshold(int bytes) = 0;
    virtual void setInBufferSize(int bytes) = 0;
    virtual void setOutBufferSize(int bytes) = 0;

    // Opens the device mapped to the port number with an exclusive lock.
    virtual PortResult open() = 0;
    virtual PortResult close() = 0;
    virtual bool isOpen() const = 0;

    // Drop everything waiting in the input / output buffer.
    virtual void clearInput() = 0;
    virtual void clearOutput() = 0;

    // Writes all bytes at once. Fails with NotOpen on a closed port and never
    // touches a device that was reported lost.
    virtual PortResult write(const QByteArray& bytes) = 0;
    // Takes the waiting input (everything, or at most the input length),
    // removing it from the port.
    virtual QByteArray readAll() = 0;
    virtual int bytesWaiting() const = 0;

    // The device the current port number stands for ("" when none), for the
    // user's information.
    virtual QString deviceName() const = 0;

    // When bytes last arrived at the open device, on the steady clock in
    // nanoseconds (see SteadyNowNs()); 0 when the component cannot tell. The
    // bytes may be read much later, after a pause.
    virtual std::int64_t lastArrivalNs() const { return 0; }

    // Where the connection stands (see LinkState).
    virtual LinkState linkState() const {
        return isOpen() ? LinkState::Connected : LinkState::Closed;
    }
    // Whether the settings text reaches the line. False where the line's baud
    // rate and parity are set elsewhere (in a network gateway): the settings
    // are then kept but change nothing, and cannot be searched for.
    virtual bool lineSettingsApply() const { return true; }
    // Opens again after a loss, the same device where it can be told apart
    // from others (its stable identity), else as open() does.
    virtual PortResult reopenLost() { return open(); }

signals:
    // A communication event, delivered on the user-interface thread.
    void commEvent(mt::CommEvent kind);
    // The open device went away (converter unplugged, other end of a
    // pseudo-terminal closed). The port is already closed when this arrives,
    // and it is emitted once per loss.
    void deviceLost(const QString& detail);
    // The connection changed its state; `detail` says why when it was lost
    // or failed, naming the device or host and port.
    void linkStateChanged(mt::LinkState state, const QString& detail);
    // Received bytes the transport dropped or found odd (network gateways).
    void transportNote(mt::TransportNote note);
};

}  // namespace mt
