// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "platform/serialport.h"

namespace mt::test {

// A serial component for screen tests. It records every call in `calls`
// ("portNumber=1", "settings=9600,N,8,1", "open", ...), every written frame in
// `writes`, and delivers scripted answers as receive events. Deliveries are
// queued, so they arrive during the next event processing (the screens'
// pause), just as bytes from a real line would.
class FakeSerialPort : public SerialPort {
    Q_OBJECT

public:
    explicit FakeSerialPort(QObject* parent = nullptr);

    // One answer to a written request: the chunks in which it arrives (each a
    // separate receive event) and after how many further writes it is
    // delivered (0: during the pause after this request).
    struct Answer {
        QList<QByteArray> chunks;
        int lateByWrites = 0;
    };
    // Called for every write; returns the answer to deliver, or nothing.
    std::function<std::optional<Answer>(const QByteArray& request)> responder;

    // Failure injection: the next calls of that kind fail with this error.
    std::optional<PortError> failOpen;
    std::optional<PortError> failClose;
    std::optional<PortError> failWrite;
    // The device goes away the next time the input is emptied.
    bool loseDeviceOnClearInput = false;
    // Settings texts are checked like the real component does unless this is set.
    std::optional<PortError> failSettings;

    // Puts bytes into the input buffer and queues one receive event for them.
    void deliverLater(const QByteArray& bytes);
    // Puts bytes into the input buffer and emits the receive event right away.
    void deliverNow(const QByteArray& bytes);
    // The device goes away: the port closes and deviceLost is emitted once.
    void loseDevice();

    QStringList calls;
    QList<QByteArray> writes;
    QByteArray input;
    // When the last bytes were delivered (SteadyNowNs()); tests may set it,
    // and keep it by clearing stampArrivals.
    std::int64_t arrivalNs = 0;
    bool stampArrivals = true;

    PortResult setPortNumber(int number) override;
    int portNumber() const override { return portNumber_; }
    PortResult setSettings(const QString& settings) override;
    QString settings() const override { return settings_; }
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
    int bytesWaiting() const override { return static_cast<int>(input.size()); }
    QString deviceName() const override;
    std::int64_t lastArrivalNs() const override { return arrivalNs; }

private:
    void deliverPending();

    struct Pending {
        QList<QByteArray> chunks;
        int writesToWait = 0;
    };
    QList<Pending> pending_;
    int portNumber_ = 0;
    QString settings_ = QStringLiteral("9600,N,8,1");
    int inputLength_ = 0;
    bool open_ = false;
};

}  // namespace mt::test
