// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtserialport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPortInfo>

#include "portholder.h"
#include "portmap.h"

#if defined(Q_OS_UNIX)
#include <unistd.h>
#include <cerrno>
#endif
#if defined(Q_OS_LINUX)
#include <poll.h>
#include <sys/file.h>
#include <cstring>
#endif

namespace mt {

namespace {

PortError Error(PortError::Kind kind, const QString& detail) {
    return PortError{kind, detail};
}

QSerialPort::Parity ToQtParity(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

// Whether the device's permissions keep this user from opening it for
// reading and writing.
bool AccessDenied([[maybe_unused]] const QString& device) {
#if defined(Q_OS_UNIX)
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0) {
        return false;
    }
    return errno == EACCES || errno == EPERM;
#else
    return false;
#endif
}

// A refusal because another program holds the device, naming it when the
// system tells who that is.
PortError InUse(const QString& device, const QString& detail) {
    PortError error{PortError::Kind::PortInUse, detail};
    if (const auto holder = FindPortHolder(device)) {
        error.holder = *holder;
    }
    return error;
}

// The error behind an unsuccessful QSerialPort::open(). Qt reports a lock
// file taken by another program, a device opened exclusively and a device
// the user may not open alike as a permission error; the device's
// permissions tell the last one apart.
PortError OpenFailure(QSerialPort::SerialPortError error, const QString& device,
                      const QString& detail) {
    if (error != QSerialPort::DeviceNotFoundError && AccessDenied(device)) {
        return PortError{PortError::Kind::NoPermission, detail};
    }
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortError{PortError::Kind::NoSuchPort, detail};
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            return InUse(device, detail);
        default:
            return PortError{PortError::Kind::Other, detail};
    }
}

// The first field of a refused settings text that cannot be used: each field
// is tried in place of its counterpart in settings known to be good.
PortError::Setting BadSetting(const QString& text) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return PortError::Setting::Format;
    }
    const QStringList good{QStringLiteral("9600"), QStringLiteral("N"), QStringLiteral("8"),
                           QStringLiteral("1")};
    const PortError::Setting settings[] = {PortError::Setting::Baud, PortError::Setting::Parity,
                                           PortError::Setting::DataBits,
                                           PortError::Setting::StopBits};
    for (qsizetype i = 0; i < good.size(); ++i) {
        QStringList trial = good;
        trial[i] = fields.at(i);
        const QByteArray utf8 = trial.join(QLatin1Char(',')).toUtf8();
        if (!ParseLineSettings(std::string_view(utf8.constData(), utf8.size()))) {
            return settings[i];
        }
    }
    return PortError::Setting::Format;
}

}  // namespace

QString DeviceIdentity::describe() const {
    if (!byId.isEmpty()) {
        return byId;
    }
    if (!serialNumber.isEmpty()) {
        return QStringLiteral("%1:%2 %3")
            .arg(vendor, 4, 16, QLatin1Char('0'))
            .arg(product, 4, 16, QLatin1Char('0'))
            .arg(serialNumber);
    }
    return device;
}

DeviceIdentity IdentityOf(const QString& device) {
    DeviceIdentity identity;
    identity.device = device;
    const QString real = QFileInfo(device).canonicalFilePath();
#if defined(Q_OS_LINUX)
    // udev's names that stay with the adapter (its make, model and serial
    // number), whichever ttyUSBn it gets.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == real && !real.isEmpty()) {
            identity.byId = link.absoluteFilePath();
            break;
        }
    }
#endif
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (QFileInfo(info.systemLocation()).canonicalFilePath() == real && !real.isEmpty() &&
            !info.serialNumber().isEmpty()) {
            identity.serialNumber = info.serialNumber();
            identity.vendor = info.vendorIdentifier();
            identity.product = info.productIdentifier();
            break;
        }
    }
    return identity;
}

QString FindDevice(const DeviceIdentity& identity) {
    if (!identity.byId.isEmpty()) {
        const QString target = QFileInfo(identity.byId).canonicalFilePath();
        return QFileInfo::exists(identity.byId) && !target.isEmpty() ? target : QString();
    }
    if (!identity.serialNumber.isEmpty()) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            if (info.serialNumber() == identity.serialNumber &&
                info.vendorIdentifier() == identity.vendor &&
                info.productIdentifier() == identity.product) {
                return info.systemLocation();
            }
        }
    }
    return {};
}

std::optional<QtLineConfig> ToQtLineConfig(const LineSettings& settings) {
    QtLineConfig config;
    config.baud = settings.baud;
    config.dataBits = static_cast<QSerialPort::DataBits>(settings.dataBits);
    config.parity = ToQtParity(settings.parity);
    switch (settings.stopBits) {
        case LineSettings::StopBits::One:
            config.stopBits = QSerialPort::OneStop;
            break;
        case LineSettings::StopBits::Two:
            config.stopBits = QSerialPort::TwoStop;
            break;
        case LineSettings::StopBits::OneAndHalf:
            if (settings.dataBits != 5) {
                return std::nullopt;
            }
#if defined(Q_OS_WIN)
            config.stopBits = QSerialPort::OneAndHalfStop;
#else
            // termios has no 1.5; two stop bits on a 5-bit word are sent as 1.5.
            config.stopBits = QSerialPort::TwoStop;
#endif
            break;
    }
    return config;
}

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onErrorOccurred);
}

QtSerialPort::~QtSerialPort() {
    // No loss notices from a port that is going away.
    disconnect(&port_, nullptr, this, nullptr);
    closeDevice();
}

PortResult QtSerialPort::setPortNumber(int number) {
    if (number <= 0) {
        return Error(PortError::Kind::BadPortNumber,
                     QStringLiteral("port number %1 is not a port").arg(number));
    }
    if (port_.isOpen()) {
        return Error(PortError::Kind::AlreadyOpen,
                     QStringLiteral("the port number cannot change while the port is open"));
    }
    portNumber_ = number;
    return {};
}

int QtSerialPort::portNumber() const {
    return portNumber_;
}

PortResult QtSerialPort::setSettings(const QString& settings) {
    const QByteArray utf8 = settings.toUtf8();
    const auto parsed = ParseLineSettings(std::string_view(utf8.constData(), utf8.size()));
    if (!parsed) {
        PortError error{PortError::Kind::BadSettings,
                        QStringLiteral("\"%1\" is not baud,parity,data,stop").arg(settings)};
        error.setting = BadSetting(settings);
        return error;
    }
    // Taken into use at the next opening.
    settings_ = *parsed;
    settingsText_ = settings;
    return {};
}

QString QtSerialPort::settings() const {
    return settingsText_;
}

void QtSerialPort::setInputLength(int length) {
    if (length >= 0) {
        inputLength_ = length;
    }
}

void QtSerialPort::setReceiveThreshold(int bytes) {
    if (bytes >= 0) {
        receiveThreshold_ = bytes;
    }
}

void QtSerialPort::setInBufferSize(int bytes) {
    if (bytes > 0) {
        inBufferSize_ = bytes;
        port_.setReadBufferSize(bytes);
    }
}

void QtSerialPort::setOutBufferSize(int bytes) {
    if (bytes > 0) {
        outBufferSize_ = bytes;
    }
}

PortResult QtSerialPort::open() {
    if (port_.isOpen()) {
        return Error(PortError::Kind::PortInUse,
                     QStringLiteral("%1 is already open").arg(openedDevice_));
    }
    if (portNumber_ <= 0) {
        return Error(PortError::Kind::BadPortNumber, QStringLiteral("no port number chosen"));
    }
    const QString device = DeviceForPort(portNumber_);
    if (device.isEmpty()) {
        return Error(PortError::Kind::NoSuchPort,
                     QStringLiteral("no device stands for com%1").arg(portNumber_));
    }
    return openDevice(device);
}

PortResult QtSerialPort::reopenLost() {
    if (port_.isOpen()) {
        return Error(PortError::Kind::PortInUse,
                     QStringLiteral("%1 is already open").arg(openedDevice_));
    }
    // The device that went away, wherever it came back: a USB adapter
    // plugged in again may get another name, and the port number may now
    // stand for another device.
    if (const QString device = FindDevice(identity_); !device.isEmpty()) {
        return openDevice(device);
    }
    if (!identity_.byId.isEmpty() || !identity_.serialNumber.isEmpty()) {
        return Error(PortError::Kind::NoSuchPort,
                     QStringLiteral("%1 is not back").arg(identity_.describe()));
    }
    return open();
}

PortResult QtSerialPort::openDevice(const QString& device) {
#if !defined(Q_OS_WIN)
    if (!QFileInfo::exists(device)) {
        return Error(PortError::Kind::NoSuchPort, QStringLiteral("%1 does not exist").arg(device));
    }
#endif
    const auto config = ToQtLineConfig(settings_);
    if (!config) {
        PortError error{
            PortError::Kind::BadSettings,
            QStringLiteral("1.5 stop bits need 5 data bits (settings \"%1\")").arg(settingsText_)};
        error.setting = PortError::Setting::StopBits;
        return error;
    }

    // Everything is set while the device is still closed: QSerialPort applies
    // it in one go when opening.
    port_.setPortName(device);
    port_.setBaudRate(config->baud);
    port_.setDataBits(config->dataBits);
    port_.setParity(config->parity);
    port_.setStopBits(config->stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(inBufferSize_);
    if (!port_.open(QIODevice::ReadWrite)) {
        return OpenFailure(port_.error(), device,
                           QStringLiteral("%1: %2").arg(device, port_.errorString()));
    }

#if defined(Q_OS_LINUX)
    // The lock file only guards one name of the device, and root passes the
    // kernel's exclusive mode; a lock on the open file holds against both.
    if (::flock(static_cast<int>(port_.handle()), LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        closeDevice();
        if (code == EWOULDBLOCK) {
            return InUse(device, QStringLiteral("%1: held by another program").arg(device));
        }
        return Error(
            PortError::Kind::Other,
            QStringLiteral("%1: %2").arg(device, QString::fromLocal8Bit(std::strerror(code))));
    }
#endif

    openedDevice_ = device;
    identity_ = IdentityOf(device);
    ++openings_;
    arrivals_.start(static_cast<int>(port_.handle()));
    return {};
}

PortResult QtSerialPort::close() {
    closeDevice();
    return {};
}

void QtSerialPort::closeDevice() {
    // The watch lets go of the descriptor before it closes.
    arrivals_.stop();
    if (!port_.isOpen() || closing_) {
        return;
    }
    // Closing a lost device may report errors of its own; they are not news.
    closing_ = true;
    port_.close();
    closing_ = false;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::clearInput() {
    if (!port_.isOpen()) {
        return;
    }
    port_.clear(QSerialPort::Input);
    // Whatever QSerialPort had already taken in goes as well.
    port_.skip(port_.bytesAvailable());
}

void QtSerialPort::clearOutput() {
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Output);
    }
}

PortResult QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen()) {
        return Error(PortError::Kind::NotOpen, QStringLiteral("the port is not open"));
    }
    if (bytes.size() > outBufferSize_) {
        return Error(PortError::Kind::Other,
                     QStringLiteral("%1 bytes do not fit the output buffer of %2 bytes")
                         .arg(bytes.size())
                         .arg(outBufferSize_));
    }
    if (hungUp()) {
        loseDevice(QStringLiteral("the other end hung up"));
        return Error(PortError::Kind::DeviceLost,
                     QStringLiteral("%1: the other end hung up").arg(openedDevice_));
    }
    if (bytes.isEmpty()) {
        return {};
    }
    const QString device = openedDevice_;
    outputBackedUp_ = false;
    const qint64 queued = port_.write(bytes);
    // Hand the bytes to the operating system now; a loss met here closes the
    // port from inside this call (see onErrorOccurred).
    const bool flushed = queued == bytes.size() && port_.flush();
    if (!port_.isOpen()) {
        return Error(PortError::Kind::DeviceLost,
                     QStringLiteral("%1: the device went away while writing").arg(device));
    }
    if (!flushed) {
        // What did not go out now is dropped rather than sent late, when it
        // would no longer belong to the request of the moment.
        const QString reason =
            outputBackedUp_ ? QStringLiteral("the output is backed up") : port_.errorString();
        port_.clear(QSerialPort::Output);
        port_.clearError();
        return Error(PortError::Kind::Other, QStringLiteral("%1: %2").arg(device, reason));
    }
    return {};
}

QByteArray QtSerialPort::readAll() {
    if (!port_.isOpen()) {
        return {};
    }
    return inputLength_ > 0 ? port_.read(inputLength_) : port_.readAll();
}

int QtSerialPort::bytesWaiting() const {
    return port_.isOpen() ? static_cast<int>(port_.bytesAvailable()) : 0;
}

QString QtSerialPort::deviceName() const {
    if (port_.isOpen()) {
        return openedDevice_;
    }
    return DeviceForPort(portNumber_);
}

void QtSerialPort::onReadyRead() {
    if (!port_.isOpen() || receiveThreshold_ <= 0) {
        return;  // a threshold of 0 turns receive notifications off
    }
    if (port_.bytesAvailable() >= receiveThreshold_) {
        emit commEvent(CommEvent::Receive);
    }
}

void QtSerialPort::onErrorOccurred(QSerialPort::SerialPortError error) {
    if (closing_ || !port_.isOpen()) {
        return;
    }
    switch (error) {
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
            if (error != QSerialPort::ReadError && outputFull()) {
                // A write met a full output queue (Qt reports that as a
                // resource error too): the device is still there.
                outputBackedUp_ = true;
                break;
            }
            // A pseudo-terminal whose other end closed reads 0 bytes, which
            // Qt reports as a read error with a stale system message.
            loseDevice(hungUp() ? QStringLiteral("the other end hung up") : port_.errorString());
            break;
        default:
            break;  // parity, framing and similar line errors: the CRC decides
    }
}

bool QtSerialPort::hungUp() const {
#if defined(Q_OS_LINUX)
    pollfd descriptor{static_cast<int>(port_.handle()), 0, 0};
    return ::poll(&descriptor, 1, 0) > 0 && (descriptor.revents & (POLLHUP | POLLERR)) != 0;
#else
    return false;
#endif
}

bool QtSerialPort::outputFull() const {
#if defined(Q_OS_LINUX)
    pollfd descriptor{static_cast<int>(port_.handle()), POLLOUT, 0};
    return ::poll(&descriptor, 1, 0) >= 0 &&
           (descriptor.revents & (POLLOUT | POLLHUP | POLLERR)) == 0;
#else
    return false;
#endif
}

void QtSerialPort::loseDevice(const QString& reason) {
    const QString detail = QStringLiteral("%1: %2").arg(openedDevice_, reason);
    const quint64 opening = openings_;
    closeDevice();
    // Queued, so that no screen handler runs inside the call that met the loss.
    QMetaObject::invokeMethod(
        this,
        [this, opening, detail] {
            if (opening == openings_ && !port_.isOpen()) {
                emit deviceLost(detail);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace mt
