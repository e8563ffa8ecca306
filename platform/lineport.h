// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "platform/serialport.h"

class QTimer;

namespace mt {

// What port number N stands for, for the user: its device, or its gateway
// with the note that the line's settings live there; empty when nothing.
QString PortDescription(int number);
// Whether the line settings of port N reach its line (not so behind a
// gateway on the network, which holds them).
bool LineSettingsApplyToPort(int number);

// The serial component the program's windows use: a port number stands for
// a serial device, or for a gateway on the network when it is mapped to one
// (NetworkEndpointForPort(); the mapping takes precedence). Nothing above it
// knows which: the same operations reach either.
//
// Lost devices and connections: with 自动重连 on for the port number
// (AutoReconnectForPort()), a device that goes away or a connection that
// fails leaves the port open but Lost: nothing can be written, and it tries
// to get it back after 1 s, then 2, 4, 8, 16 and every 30 s, a serial device
// by its stable identity (reopenLost()). When it is back the port is
// Connected again and polling goes on. With 自动重连 off the loss is passed
// on as deviceLost(), as the serial component always did.
class LinePort : public SerialPort {
    Q_OBJECT

public:
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 30000;

    using PortMaker = std::function<std::unique_ptr<SerialPort>()>;

    // Production: QtSerialPort for serial devices, TcpLinePort for gateways.
    explicit LinePort(QObject* parent = nullptr);
    // Tests: their own components; `makeNetwork` gets the endpoint set by
    // this port (through TcpLinePort, when it is one).
    LinePort(PortMaker makeSerial, PortMaker makeNetwork, QObject* parent = nullptr);
    ~LinePort() override;

    PortResult setPortNumber(int number) override;
    int portNumber() const override { return portNumber_; }
    PortResult setSettings(const QString& settings) override;
    QString settings() const override { return settingsText_; }
    void setInputLength(int length) override;
    void setReceiveThreshold(int bytes) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    PortResult open() override;
    PortResult close() override;
    bool isOpen() const override { return open_; }
    void clearInput() override;
    void clearOutput() override;
    PortResult write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int bytesWaiting() const override;
    QString deviceName() const override;
    std::int64_t lastArrivalNs() const override;
    LinkState linkState() const override { return state_; }
    bool lineSettingsApply() const override;

    // Since when the device or connection is lost (Lost only).
    QDateTime lostSince() const { return lostSince_; }
    // The wait before the next attempt to get it back (Lost only).
    int retryMs() const { return retryMs_; }
    // Retries sooner, in tests.
    void setRetryMs(int first, int longest);

private:
    SerialPort& serialPort();
    SerialPort& networkPort();
    void configure(SerialPort& port);
    void attach(SerialPort& port);
    void onInnerLost(SerialPort* inner, const QString& detail);
    void onInnerState(SerialPort* inner, LinkState state, const QString& detail);
    void retry();
    void setState(LinkState state, const QString& detail = {});

    PortMaker makeSerial_;
    PortMaker makeNetwork_;
    std::unique_ptr<SerialPort> serial_;
    std::unique_ptr<SerialPort> network_;
    SerialPort* active_ = nullptr;  // the component of the present opening

    int portNumber_ = 0;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    int inputLength_ = 0;
    int receiveThreshold_ = 1;
    int inBufferSize_ = kPortBufferBytes;
    int outBufferSize_ = kPortBufferBytes;

    bool open_ = false;
    bool reconnect_ = false;  // 自动重连 for the present opening
    LinkState state_ = LinkState::Closed;
    QDateTime lostSince_;
    QTimer* retryTimer_ = nullptr;
    int firstRetryMs_ = kFirstRetryMs;
    int longestRetryMs_ = kLongestRetryMs;
    int retryMs_ = kFirstRetryMs;
};

}  // namespace mt
