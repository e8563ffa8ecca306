// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeserialport.h"

#include "platform/steadyclock.h"

#include <QMetaObject>
#include <QRegularExpression>
#include <utility>

namespace mt::test {

FakeSerialPort::FakeSerialPort(QObject* parent) : SerialPort(parent) {}

PortResult FakeSerialPort::setPortNumber(int number) {
    calls << QStringLiteral("portNumber=%1").arg(number);
    if (number <= 0) {
        return PortError{PortError::Kind::BadPortNumber, QStringLiteral("port number 0")};
    }
    if (open_) {
        return PortError{PortError::Kind::AlreadyOpen, QStringLiteral("port already open")};
    }
    portNumber_ = number;
    return {};
}

PortResult FakeSerialPort::setSettings(const QString& settings) {
    calls << QStringLiteral("settings=%1").arg(settings);
    if (failSettings) {
        return *failSettings;
    }
    static const QRegularExpression valid(
        QStringLiteral("^[0-9]+,[NEOMSneoms],[5-8],(1|1\\.5|2)$"));
    if (!valid.match(settings).hasMatch() || settings.section(',', 0, 0).toInt() <= 0) {
        return PortError{PortError::Kind::BadSettings, QStringLiteral("bad settings")};
    }
    settings_ = settings;
    return {};
}

void FakeSerialPort::setInputLength(int length) {
    calls << QStringLiteral("inputLength=%1").arg(length);
    inputLength_ = length;
}

void FakeSerialPort::setReceiveThreshold(int bytes) {
    calls << QStringLiteral("receiveThreshold=%1").arg(bytes);
}

void FakeSerialPort::setInBufferSize(int bytes) {
    calls << QStringLiteral("inBufferSize=%1").arg(bytes);
}

void FakeSerialPort::setOutBufferSize(int bytes) {
    calls << QStringLiteral("outBufferSize=%1").arg(bytes);
}

PortResult FakeSerialPort::open() {
    calls << QStringLiteral("open");
    if (failOpen) {
        return *failOpen;
    }
    if (open_) {
        return PortError{PortError::Kind::PortInUse, QStringLiteral("already open")};
    }
    open_ = true;
    return {};
}

PortResult FakeSerialPort::close() {
    calls << QStringLiteral("close");
    if (failClose) {
        return *failClose;
    }
    open_ = false;
    pending_.clear();
    input.clear();
    return {};
}

void FakeSerialPort::clearInput() {
    calls << QStringLiteral("clearInput");
    input.clear();
    if (std::exchange(loseDeviceOnClearInput, false)) {
        loseDevice();
    }
}

void FakeSerialPort::clearOutput() {
    calls << QStringLiteral("clearOutput");
}

PortResult FakeSerialPort::write(const QByteArray& bytes) {
    calls << QStringLiteral("write %1").arg(QString::fromLatin1(bytes.toHex(' ').toUpper()));
    if (failWrite) {
        return *failWrite;
    }
    if (!open_) {
        return PortError{PortError::Kind::NotOpen, QStringLiteral("port not open")};
    }
    writes << bytes;
    // Answers held back for later writes move one write closer.
    for (Pending& p : pending_) {
        --p.writesToWait;
    }
    if (responder) {
        if (const auto answer = responder(bytes)) {
            pending_.append(Pending{answer->chunks, answer->lateByWrites});
        }
    }
    QMetaObject::invokeMethod(this, &FakeSerialPort::deliverPending, Qt::QueuedConnection);
    return {};
}

void FakeSerialPort::deliverPending() {
    QList<Pending> due;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->writesToWait <= 0) {
            due.append(*it);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    // Each chunk is its own receive event, delivered one after the other
    // within the same round of event processing.
    for (const Pending& p : due) {
        for (const QByteArray& chunk : p.chunks) {
            deliverNow(chunk);
        }
    }
}

QByteArray FakeSerialPort::readAll() {
    calls << QStringLiteral("read");
    if (inputLength_ > 0 && input.size() > inputLength_) {
        const QByteArray head = input.left(inputLength_);
        input.remove(0, inputLength_);
        return head;
    }
    QByteArray all = input;
    input.clear();
    return all;
}

QString FakeSerialPort::deviceName() const {
    return portNumber_ > 0 ? QStringLiteral("/dev/fake%1").arg(portNumber_) : QString();
}

void FakeSerialPort::deliverLater(const QByteArray& bytes) {
    QMetaObject::invokeMethod(
        this, [this, bytes] { deliverNow(bytes); }, Qt::QueuedConnection);
}

void FakeSerialPort::deliverNow(const QByteArray& bytes) {
    if (!open_) {
        return;  // a closed port receives nothing
    }
    input += bytes;
    if (stampArrivals) {
        arrivalNs = SteadyNowNs();
    }
    emit commEvent(CommEvent::Receive);
}

void FakeSerialPort::loseDevice() {
    open_ = false;
    pending_.clear();
    input.clear();
    emit deviceLost(QStringLiteral("device went away"));
}

}  // namespace mt::test
