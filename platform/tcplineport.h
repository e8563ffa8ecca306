// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <optional>

#include "link/mbap.h"
#include "platform/arrivalwatch.h"
#include "platform/netendpoint.h"
#include "platform/serialport.h"

class QTimer;

namespace mt {

// A port that reaches its meters through a serial-to-Ethernet gateway: the
// same operations as a serial port, over one TCP connection.
//
// - RTU over TCP: the request frames go out as they are and the bytes that
//   come back are handed over as they arrive, as a serial line hands them
//   over (the screens collect them into answers).
// - Modbus TCP: each request frame goes out as an MBAP request (its address
//   as the unit id, a transaction id of its own, no CRC); answers are cut
//   from the stream by their MBAP length and handed over as the RTU answer
//   the gateway read from the line (CRC computed again). An answer whose
//   transaction id is not the outstanding request's is dropped and noted
//   (StaleAnswer); one from another unit than asked is handed over and noted
//   (UnitMismatch), as a serial line would hand it over.
//
// Opening starts connecting and returns at once: the port is open and
// Connecting until the gateway accepts (Connected), or the attempt fails or
// takes longer than the connect timeout. A refused, unreachable, timed-out,
// reset or closed connection closes the port and is told once through
// deviceLost() with a sentence that names the host and the port. Writes go
// out at once. The line settings are kept but change nothing: the gateway
// holds the line's baud rate and parity.
class TcpLinePort : public SerialPort {
    Q_OBJECT

public:
    static constexpr int kConnectTimeoutMs = 5000;

    explicit TcpLinePort(QObject* parent = nullptr);
    ~TcpLinePort() override;

    // Where the next opening connects to.
    // Kept while the port is open: its connection is to the endpoint it opened.
    void setEndpoint(const NetworkEndpoint& endpoint) {
        if (!open_) {
            endpoint_ = endpoint;
        }
    }
    const NetworkEndpoint& endpoint() const { return endpoint_; }
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

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
    void clearOutput() override {}
    PortResult write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int bytesWaiting() const override { return static_cast<int>(input_.size()); }
    QString deviceName() const override;
    std::int64_t lastArrivalNs() const override { return arrivals_.lastArrivalNs(); }
    LinkState linkState() const override { return state_; }
    bool lineSettingsApply() const override { return false; }

    // "192.168.1.20:502（Modbus TCP）" and the note that the line's settings
    // live in the gateway.
    static QString describe(const NetworkEndpoint& endpoint);
    // The host and port as the messages name them ("192.168.1.20:502").
    static QString hostAndPort(const NetworkEndpoint& endpoint);

private:
    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void fail(const QString& reason);
    void setState(LinkState state, const QString& detail = {});

    NetworkEndpoint endpoint_;
    int portNumber_ = 0;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    int inputLength_ = 0;
    int connectTimeoutMs_ = kConnectTimeoutMs;
    QTcpSocket socket_;
    QTimer* connectTimer_ = nullptr;
    bool open_ = false;
    LinkState state_ = LinkState::Closed;
    // Counts openings, so that a loss notice of an earlier one is dropped.
    quint64 openings_ = 0;
    QByteArray input_;
    MbapReader reader_;
    std::uint16_t transaction_ = 0;
    // The Modbus TCP request awaiting its answer.
    std::optional<std::uint16_t> outstanding_;
    std::uint8_t outstandingUnit_ = 0;
    ArrivalWatch arrivals_;
};

}  // namespace mt
