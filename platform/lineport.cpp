// SPDX-License-Identifier: GPL-3.0-or-later
#include "lineport.h"

#include <QTimer>
#include <algorithm>

#include "platform/portmap.h"
#include "platform/qtserialport.h"
#include "platform/tcplineport.h"

namespace mt {

QString PortDescription(int number) {
    if (const auto endpoint = NetworkEndpointForPort(number)) {
        return TcpLinePort::describe(*endpoint);
    }
    return number > 0 ? DeviceForPort(number) : QString();
}

bool LineSettingsApplyToPort(int number) {
    return !NetworkEndpointForPort(number).has_value();
}

LinePort::LinePort(QObject* parent)
    : LinePort([] { return std::make_unique<QtSerialPort>(); },
               [] { return std::make_unique<TcpLinePort>(); }, parent) {}

LinePort::LinePort(PortMaker makeSerial, PortMaker makeNetwork, QObject* parent)
    : SerialPort(parent), makeSerial_(std::move(makeSerial)), makeNetwork_(std::move(makeNetwork)) {
    retryTimer_ = new QTimer(this);
    retryTimer_->setSingleShot(true);
    connect(retryTimer_, &QTimer::timeout, this, &LinePort::retry);
}

LinePort::~LinePort() {
    // The components go quietly.
    for (SerialPort* inner : {serial_.get(), network_.get()}) {
        if (inner != nullptr) {
            disconnect(inner, nullptr, this, nullptr);
        }
    }
}

SerialPort& LinePort::serialPort() {
    if (serial_ == nullptr) {
        serial_ = makeSerial_();
        attach(*serial_);
    }
    return *serial_;
}

SerialPort& LinePort::networkPort() {
    if (network_ == nullptr) {
        network_ = makeNetwork_();
        attach(*network_);
    }
    return *network_;
}

void LinePort::attach(SerialPort& port) {
    SerialPort* inner = &port;
    connect(inner, &SerialPort::commEvent, this, [this, inner](CommEvent kind) {
        if (inner == active_) {
            emit commEvent(kind);
        }
    });
    connect(inner, &SerialPort::deviceLost, this,
            [this, inner](const QString& detail) { onInnerLost(inner, detail); });
    connect(inner, &SerialPort::linkStateChanged, this,
            [this, inner](LinkState state, const QString& detail) {
                onInnerState(inner, state, detail);
            });
    connect(inner, &SerialPort::transportNote, this, [this, inner](TransportNote note) {
        if (inner == active_) {
            emit transportNote(note);
        }
    });
}

void LinePort::configure(SerialPort& port) {
    (void)port.setPortNumber(portNumber_);
    (void)port.setSettings(settingsText_);
    port.setInputLength(inputLength_);
    port.setReceiveThreshold(receiveThreshold_);
    port.setInBufferSize(inBufferSize_);
    port.setOutBufferSize(outBufferSize_);
}

PortResult LinePort::setPortNumber(int number) {
    if (number <= 0) {
        return PortError{PortError::Kind::BadPortNumber,
                         QStringLiteral("port number %1 is not a port").arg(number)};
    }
    if (open_) {
        return PortError{PortError::Kind::AlreadyOpen,
                         QStringLiteral("the port number cannot change while the port is open")};
    }
    portNumber_ = number;
    (void)serialPort().setPortNumber(number);
    return {};
}

PortResult LinePort::setSettings(const QString& settings) {
    // The serial component checks the text (and says which part is wrong).
    PortResult result = serialPort().setSettings(settings);
    if (result) {
        settingsText_ = settings;
    }
    return result;
}

void LinePort::setInputLength(int length) {
    if (length >= 0) {
        inputLength_ = length;
        if (active_ != nullptr) {
            active_->setInputLength(length);
        }
    }
}

void LinePort::setReceiveThreshold(int bytes) {
    if (bytes >= 0) {
        receiveThreshold_ = bytes;
    }
}

void LinePort::setInBufferSize(int bytes) {
    if (bytes > 0) {
        inBufferSize_ = bytes;
    }
}

void LinePort::setOutBufferSize(int bytes) {
    if (bytes > 0) {
        outBufferSize_ = bytes;
    }
}

PortResult LinePort::open() {
    if (open_) {
        return PortError{PortError::Kind::PortInUse, QStringLiteral("the port is already open")};
    }
    if (portNumber_ <= 0) {
        return PortError{PortError::Kind::BadPortNumber, QStringLiteral("no port number chosen")};
    }
    const std::optional<NetworkEndpoint> endpoint = NetworkEndpointForPort(portNumber_);
    SerialPort& inner = endpoint ? networkPort() : serialPort();
    if (endpoint) {
        if (auto* tcp = qobject_cast<TcpLinePort*>(&inner)) {
            tcp->setEndpoint(*endpoint);
        }
    }
    configure(inner);
    // Set before opening: a component may report its state while it opens.
    active_ = &inner;
    PortResult opened = inner.open();
    if (!opened) {
        active_ = nullptr;
        return opened;
    }
    open_ = true;
    reconnect_ = AutoReconnectForPort(portNumber_);
    retryMs_ = firstRetryMs_;
    lostSince_ = {};
    setState(inner.linkState() == LinkState::Connecting ? LinkState::Connecting
                                                        : LinkState::Connected);
    return {};
}

PortResult LinePort::close() {
    retryTimer_->stop();
    SerialPort* inner = std::exchange(active_, nullptr);
    const bool wasOpen = open_;
    open_ = false;
    lostSince_ = {};
    PortResult closed;
    if (inner != nullptr && inner->isOpen()) {
        closed = inner->close();
    }
    if (wasOpen) {
        setState(LinkState::Closed);
    }
    return closed;
}

void LinePort::clearInput() {
    if (active_ != nullptr && active_->isOpen()) {
        active_->clearInput();
    }
}

void LinePort::clearOutput() {
    if (active_ != nullptr && active_->isOpen()) {
        active_->clearOutput();
    }
}

PortResult LinePort::write(const QByteArray& bytes) {
    if (!open_ || active_ == nullptr) {
        return PortError{PortError::Kind::NotOpen, QStringLiteral("the port is not open")};
    }
    if (state_ != LinkState::Connected) {
        return PortError{PortError::Kind::DeviceLost,
                         QStringLiteral("the device or connection is not there (yet)")};
    }
    return active_->write(bytes);
}

QByteArray LinePort::readAll() {
    return active_ != nullptr ? active_->readAll() : QByteArray();
}

int LinePort::bytesWaiting() const {
    return active_ != nullptr ? active_->bytesWaiting() : 0;
}

QString LinePort::deviceName() const {
    if (const auto endpoint = NetworkEndpointForPort(portNumber_)) {
        return TcpLinePort::describe(*endpoint);
    }
    return serial_ != nullptr ? serial_->deviceName() : QString();
}

std::int64_t LinePort::lastArrivalNs() const {
    return active_ != nullptr ? active_->lastArrivalNs() : 0;
}

bool LinePort::lineSettingsApply() const {
    return !NetworkEndpointForPort(portNumber_).has_value();
}

void LinePort::setRetryMs(int first, int longest) {
    firstRetryMs_ = std::max(1, first);
    longestRetryMs_ = std::max(firstRetryMs_, longest);
    retryMs_ = firstRetryMs_;
}

void LinePort::setState(LinkState state, const QString& detail) {
    if (state == state_ && detail.isEmpty()) {
        return;
    }
    state_ = state;
    emit linkStateChanged(state, detail);
}

void LinePort::onInnerState(SerialPort* inner, LinkState state, const QString&) {
    if (inner != active_ || !open_) {
        return;
    }
    if (state == LinkState::Connected) {
        retryTimer_->stop();
        retryMs_ = firstRetryMs_;
        lostSince_ = {};
        setState(LinkState::Connected);
    } else if (state == LinkState::Connecting && state_ != LinkState::Lost) {
        setState(LinkState::Connecting);
    }
    // Closed comes with the loss notice, handled there.
}

void LinePort::onInnerLost(SerialPort* inner, const QString& detail) {
    if (inner != active_ || !open_) {
        return;
    }
    if (!reconnect_) {
        open_ = false;
        active_ = nullptr;
        setState(LinkState::Closed, detail);
        emit deviceLost(detail);
        return;
    }
    if (state_ != LinkState::Lost) {
        lostSince_ = QDateTime::currentDateTime();
    }
    setState(LinkState::Lost, detail);
    retryTimer_->start(retryMs_);
    retryMs_ = std::min(retryMs_ * 2, longestRetryMs_);
}

void LinePort::retry() {
    if (!open_ || active_ == nullptr) {
        return;
    }
    if (active_->isOpen()) {
        return;  // an attempt is under way
    }
    const PortResult opened = active_->reopenLost();
    if (!opened) {
        setState(LinkState::Lost, opened.error().detail);
        retryTimer_->start(retryMs_);
        retryMs_ = std::min(retryMs_ * 2, longestRetryMs_);
        return;
    }
    if (active_->linkState() == LinkState::Connected) {
        retryMs_ = firstRetryMs_;
        lostSince_ = {};
        setState(LinkState::Connected);
    }
    // Connecting: the connection's own events say how it ends.
}

}  // namespace mt
