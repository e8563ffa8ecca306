// SPDX-License-Identifier: GPL-3.0-or-later
#include "tcplineport.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <cctype>
#include <set>
#include <string>

#include "platform/linesettings.h"

namespace mt {

namespace {

// The gateways this program holds a connection to ("host:port", the host in
// lower case): one connection per gateway, whichever window or port number
// asks for a second.
std::set<std::string>& GatewaysInUse() {
    static std::set<std::string> inUse;
    return inUse;
}

std::string GatewayKey(const NetworkEndpoint& endpoint) {
    std::string host = endpoint.host;
    for (char& c : host) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return host + ":" + std::to_string(endpoint.port);
}

struct TcpTexts {
    Q_DECLARE_TR_FUNCTIONS(TcpTexts)
};

std::span<const std::uint8_t> BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

}  // namespace

TcpLinePort::TcpLinePort(QObject* parent) : SerialPort(parent) {
    connectTimer_ = new QTimer(this);
    connectTimer_->setSingleShot(true);
    connect(connectTimer_, &QTimer::timeout, this, [this] {
        fail(TcpTexts::tr("连接 %1 超时（%2 秒内无回应）")
                 .arg(hostAndPort(endpoint_))
                 .arg(connectTimeoutMs_ / 1000.0));
    });
    connect(&socket_, &QTcpSocket::connected, this, &TcpLinePort::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &TcpLinePort::onReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &TcpLinePort::onError);
    connect(&socket_, &QTcpSocket::disconnected, this, &TcpLinePort::onDisconnected);
}

TcpLinePort::~TcpLinePort() {
    if (open_) {
        GatewaysInUse().erase(GatewayKey(endpoint_));
    }
    disconnect(&socket_, nullptr, this, nullptr);
    arrivals_.stop();
    socket_.abort();
}

QString TcpLinePort::hostAndPort(const NetworkEndpoint& endpoint) {
    const QString host = QString::fromStdString(endpoint.host);
    return (host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host) +
           QStringLiteral(":%1").arg(endpoint.port);
}

QString TcpLinePort::describe(const NetworkEndpoint& endpoint) {
    return TcpTexts::tr("%1（%2，波特率和校验位在网关中设置）")
        .arg(hostAndPort(endpoint), endpoint.framing == Framing::ModbusTcp
                                        ? QStringLiteral("Modbus TCP")
                                        : QStringLiteral("RTU over TCP"));
}

PortResult TcpLinePort::setPortNumber(int number) {
    if (number <= 0) {
        return PortError{PortError::Kind::BadPortNumber,
                         QStringLiteral("port number %1 is not a port").arg(number)};
    }
    if (open_) {
        return PortError{PortError::Kind::AlreadyOpen,
                         QStringLiteral("the port number cannot change while the port is open")};
    }
    portNumber_ = number;
    return {};
}

PortResult TcpLinePort::setSettings(const QString& settings) {
    // Checked as on a wire, so that a nonsense text is refused alike; kept,
    // but the gateway's own settings are what the line runs at.
    const QByteArray utf8 = settings.toUtf8();
    if (!ParseLineSettings(
            std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())))) {
        PortError error{PortError::Kind::BadSettings,
                        QStringLiteral("\"%1\" is not baud,parity,data,stop").arg(settings)};
        error.setting = PortError::Setting::Format;
        return error;
    }
    settingsText_ = settings;
    return {};
}

void TcpLinePort::setInputLength(int length) {
    if (length >= 0) {
        inputLength_ = length;
    }
}

void TcpLinePort::setReceiveThreshold(int) {}

void TcpLinePort::setInBufferSize(int) {}

void TcpLinePort::setOutBufferSize(int) {}

PortResult TcpLinePort::open() {
    if (open_) {
        return PortError{PortError::Kind::PortInUse,
                         QStringLiteral("%1 is already open").arg(hostAndPort(endpoint_))};
    }
    if (!ValidHostName(endpoint_.host) || endpoint_.port < 1 || endpoint_.port > 65535) {
        return PortError{PortError::Kind::NoSuchPort,
                         TcpTexts::tr("网络端口 %1 无效").arg(hostAndPort(endpoint_))};
    }
    if (!GatewaysInUse().insert(GatewayKey(endpoint_)).second) {
        PortError error{PortError::Kind::PortInUse,
                        QStringLiteral("%1 is in use by another window of this program")
                            .arg(hostAndPort(endpoint_))};
        error.holder.pid = QCoreApplication::applicationPid();
        error.holder.program = QCoreApplication::applicationName();
        return error;
    }
    open_ = true;
    ++openings_;
    input_.clear();
    reader_.reset();
    outstanding_.reset();
    socket_.abort();
    setState(LinkState::Connecting);
    // Asynchronous: the host name is looked up and the connection made while
    // the window goes on.
    socket_.connectToHost(QString::fromStdString(endpoint_.host),
                          static_cast<quint16>(endpoint_.port));
    connectTimer_->start(connectTimeoutMs_);
    return {};
}

PortResult TcpLinePort::close() {
    connectTimer_->stop();
    arrivals_.stop();
    const bool wasOpen = open_;
    if (wasOpen) {
        GatewaysInUse().erase(GatewayKey(endpoint_));
    }
    open_ = false;
    socket_.abort();
    input_.clear();
    reader_.reset();
    outstanding_.reset();
    if (wasOpen) {
        setState(LinkState::Closed);
    }
    return {};
}

void TcpLinePort::clearInput() {
    // What was handed over goes; a Modbus TCP answer still coming in stays
    // in the reader, so that the stream keeps its framing.
    input_.clear();
    if (endpoint_.framing == Framing::RtuOverTcp && socket_.bytesAvailable() > 0) {
        (void)socket_.readAll();
    }
}

PortResult TcpLinePort::write(const QByteArray& bytes) {
    if (!open_) {
        return PortError{PortError::Kind::NotOpen, QStringLiteral("the port is not open")};
    }
    if (state_ != LinkState::Connected) {
        return PortError{PortError::Kind::DeviceLost,
                         TcpTexts::tr("与 %1 的连接尚未建立").arg(hostAndPort(endpoint_))};
    }
    QByteArray out = bytes;
    if (endpoint_.framing == Framing::ModbusTcp) {
        const auto adu = RtuToMbap(BytesOf(bytes), ++transaction_);
        if (!adu) {
            return PortError{
                PortError::Kind::Other,
                QStringLiteral("a frame of %1 bytes is no Modbus request").arg(bytes.size())};
        }
        out = QByteArray(reinterpret_cast<const char*>(adu->data()),
                         static_cast<qsizetype>(adu->size()));
        outstanding_ = transaction_;
        outstandingUnit_ = static_cast<std::uint8_t>(bytes.front());
    }
    // Out at once: the screens sleep right after writing a request.
    if (socket_.write(out) != out.size() || !socket_.flush()) {
        if (socket_.bytesToWrite() == 0 && socket_.state() != QAbstractSocket::ConnectedState) {
            return PortError{PortError::Kind::DeviceLost, socket_.errorString()};
        }
    }
    return {};
}

QByteArray TcpLinePort::readAll() {
    if (inputLength_ > 0 && input_.size() > inputLength_) {
        QByteArray part = input_.left(inputLength_);
        input_.remove(0, inputLength_);
        return part;
    }
    return std::exchange(input_, {});
}

QString TcpLinePort::deviceName() const {
    return describe(endpoint_);
}

void TcpLinePort::setState(LinkState state, const QString& detail) {
    if (state == state_ && detail.isEmpty()) {
        return;
    }
    state_ = state;
    emit linkStateChanged(state, detail);
}

void TcpLinePort::onConnected() {
    connectTimer_->stop();
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // When answers arrive, while the screens sleep through their pauses.
    arrivals_.start(static_cast<int>(socket_.socketDescriptor()));
    setState(LinkState::Connected);
}

void TcpLinePort::onReadyRead() {
    const QByteArray bytes = socket_.readAll();
    if (!open_ || bytes.isEmpty()) {
        return;
    }
    if (endpoint_.framing == Framing::RtuOverTcp) {
        input_ += bytes;
        emit commEvent(CommEvent::Receive);
        return;
    }
    reader_.feed(BytesOf(bytes));
    bool handedOver = false;
    MbapAdu adu;
    for (auto event = reader_.next(adu); event != MbapReader::Event::None;
         event = reader_.next(adu)) {
        if (event == MbapReader::Event::BadHeader) {
            emit transportNote(TransportNote::BadFraming);
            continue;
        }
        if (!outstanding_ || adu.transaction != *outstanding_) {
            emit transportNote(TransportNote::StaleAnswer);
            continue;
        }
        outstanding_.reset();
        if (adu.unit != outstandingUnit_) {
            emit transportNote(TransportNote::UnitMismatch);
        }
        const std::vector<std::uint8_t> rtu = MbapToRtu(adu);
        input_.append(reinterpret_cast<const char*>(rtu.data()),
                      static_cast<qsizetype>(rtu.size()));
        handedOver = true;
    }
    if (handedOver) {
        emit commEvent(CommEvent::Receive);
    }
}

void TcpLinePort::onError(QAbstractSocket::SocketError error) {
    if (!open_) {
        return;
    }
    const QString where = hostAndPort(endpoint_);
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            fail(TcpTexts::tr("%1 拒绝连接：请检查网关的地址和端口").arg(where));
            break;
        case QAbstractSocket::HostNotFoundError:
            fail(TcpTexts::tr("找不到主机 %1：请检查网关的名称或地址").arg(where));
            break;
        case QAbstractSocket::NetworkError:
            fail(TcpTexts::tr("无法到达 %1：请检查网络连接").arg(where));
            break;
        case QAbstractSocket::SocketTimeoutError:
            fail(TcpTexts::tr("连接 %1 超时").arg(where));
            break;
        case QAbstractSocket::RemoteHostClosedError:
            fail(TcpTexts::tr("%1 关闭了连接").arg(where));
            break;
        default:
            fail(TcpTexts::tr("与 %1 的连接出错：%2").arg(where, socket_.errorString()));
            break;
    }
}

void TcpLinePort::onDisconnected() {
    if (open_) {
        fail(TcpTexts::tr("%1 关闭了连接").arg(hostAndPort(endpoint_)));
    }
}

void TcpLinePort::fail(const QString& reason) {
    if (!open_) {
        return;
    }
    // Closed at once, told once, after the call or event that met it.
    connectTimer_->stop();
    arrivals_.stop();
    GatewaysInUse().erase(GatewayKey(endpoint_));
    open_ = false;
    socket_.abort();
    input_.clear();
    reader_.reset();
    outstanding_.reset();
    setState(LinkState::Closed, reason);
    const quint64 opening = openings_;
    QMetaObject::invokeMethod(
        this,
        [this, opening, reason] {
            if (!open_ && opening == openings_) {
                emit deviceLost(reason);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace mt
