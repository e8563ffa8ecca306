// SPDX-License-Identifier: GPL-3.0-or-later
// The program's port: a serial device or a gateway on the network behind the
// same operations, Modbus TCP framing on a real socket (a local server), and
// lost devices and connections that come back.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "link/crc16.h"
#include "link/mbap.h"
#include "platform/lineport.h"
#include "platform/portmap.h"
#include "platform/tcplineport.h"
#include "support/fakeserialport.h"

using namespace mt;
using namespace mt::test;

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

QByteArray WithCrc(const QByteArray& body) {
    const std::uint16_t crc = Crc16({reinterpret_cast<const std::uint8_t*>(body.constData()),
                                     static_cast<std::size_t>(body.size())});
    return body + char(crc & 0xFF) + char(crc >> 8);
}

// The read the panel-mount screen sends first: 24 registers at 10 of meter 1.
const QByteArray kRequest = Hex("0104000A0018D002");

// A local gateway: accepts one connection at a time and keeps what it got.
struct Server {
    QTcpServer server;
    QTcpSocket* client = nullptr;
    QByteArray received;

    Server() {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, client,
                             [this] { received += client->readAll(); });
        });
    }
    NetworkEndpoint endpoint(Framing framing) const {
        return NetworkEndpoint{"127.0.0.1", server.serverPort(), framing};
    }
    bool waitForClient() {
        return QTest::qWaitFor([this] { return client != nullptr; }, 3000);
    }
    void send(const QByteArray& bytes) {
        client->write(bytes);
        client->flush();
    }
};

// An ADU from its parts.
QByteArray Adu(int transaction, int unit, const QByteArray& pdu) {
    QByteArray adu;
    adu += char(transaction >> 8);
    adu += char(transaction & 0xFF);
    adu += QByteArray(2, '\0');
    adu += char((pdu.size() + 1) >> 8);
    adu += char((pdu.size() + 1) & 0xFF);
    adu += char(unit);
    return adu + pdu;
}

QString LostText(SerialPort& port) {
    QSignalSpy lost(&port, &SerialPort::deviceLost);
    if (!lost.wait(5000)) {
        return {};
    }
    return lost.first().first().toString();
}

}  // namespace

class TestLinePort : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        SetNetworkPorts({});
        SetAutoReconnectChoices({});
    }

    // The endpoint text of the settings, both ways.
    void endpointText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normal");  // empty: refused
        QTest::newRow("name, port, Modbus TCP") << "gw-1.local:1502/mbap"
                                                << "gw-1.local:1502/mbap";
        QTest::newRow("address only") << "192.168.1.20"
                                      << "192.168.1.20:502/rtu";
        QTest::newRow("IPv6 in brackets") << "[fe80::1]:502/mbap"
                                          << "[fe80::1]:502/mbap";
        QTest::newRow("IPv6 without port") << "fe80::1/rtu"
                                           << "[fe80::1]:502/rtu";
        QTest::newRow("port 0") << "host:0"
                                << "";
        QTest::newRow("port too big") << "host:65536"
                                      << "";
        QTest::newRow("empty port") << "host:/rtu"
                                    << "";
        QTest::newRow("unknown framing") << "host:502/ascii"
                                         << "";
        QTest::newRow("spaces") << "my host:502"
                                << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("unclosed bracket") << "[fe80::1:502"
                                          << "";
    }
    void endpointText() {
        QFETCH(QString, text);
        QFETCH(QString, normal);
        const auto endpoint = ParseNetworkEndpoint(text.toStdString());
        QCOMPARE(endpoint.has_value(), !normal.isEmpty());
        if (endpoint) {
            QCOMPARE(QString::fromStdString(NetworkEndpointText(*endpoint)), normal);
        }
    }

    // One run's mappings in one text: every item must be right, or none counts.
    void portListText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mapped");  // "N=endpoint" joined by ';', or "-" for none
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("one") << "5=127.0.0.1:1502/mbap"
                             << "5=127.0.0.1:1502/mbap";
        QTest::newRow("two, defaults") << "6=gw.local;16=10.0.0.2/mbap"
                                       << "6=gw.local:502/rtu;16=10.0.0.2:502/mbap";
        QTest::newRow("trailing separator") << "5=gw;"
                                            << "5=gw:502/rtu";
        QTest::newRow("number 0") << "0=gw"
                                  << "-";
        QTest::newRow("number 17") << "17=gw"
                                   << "-";
        QTest::newRow("no number") << "=gw"
                                   << "-";
        QTest::newRow("not a number") << "com5=gw"
                                      << "-";
        QTest::newRow("twice") << "5=gw;5=other"
                               << "-";
        QTest::newRow("bad endpoint spoils all") << "5=gw;6=gw:99999"
                                                 << "-";
        QTest::newRow("no equals") << "5"
                                   << "-";
    }
    void portListText() {
        QFETCH(QString, text);
        QFETCH(QString, mapped);
        const auto ports = ParseNetworkPortList(text.toStdString());
        QCOMPARE(ports.has_value(), mapped != QStringLiteral("-"));
        if (ports) {
            QStringList items;
            for (const auto& [number, endpoint] : *ports) {
                items << QStringLiteral("%1=%2").arg(number).arg(
                    QString::fromStdString(NetworkEndpointText(endpoint)));
            }
            QCOMPARE(items.join(';'), mapped);
        }
    }

    // One connection per gateway: a second opening of the same host and port
    // (another window, another number mapped to it) is refused as in use
    // until the first closes.
    void oneConnectionPerGateway() {
        Server gateway;
        SetNetworkPorts({{5, gateway.endpoint(Framing::ModbusTcp)},
                         {6, gateway.endpoint(Framing::RtuOverTcp)}});
        LinePort first;
        LinePort second;
        QVERIFY(first.setPortNumber(5));
        QVERIFY(second.setPortNumber(6));
        QVERIFY(first.open());
        const PortResult refused = second.open();
        QVERIFY(!refused);
        QCOMPARE(refused.error().kind, PortError::Kind::PortInUse);
        QVERIFY(!second.isOpen());
        QVERIFY(first.close());
        QVERIFY(second.open());
        QVERIFY(second.close());
    }

    // A mapped number is the gateway, whatever device has that number; the
    // line settings do not reach it; 自动重连 defaults follow the kind.
    void mappingTakesPrecedence() {
        Server gateway;
        SetNetworkPorts({{5, gateway.endpoint(Framing::ModbusTcp)}});
        auto* serial = new FakeSerialPort;
        LinePort port([serial] { return std::unique_ptr<SerialPort>(serial); },
                      [] { return std::make_unique<TcpLinePort>(); });
        QVERIFY(port.setPortNumber(5));
        QVERIFY(port.deviceName().startsWith(
            QStringLiteral("127.0.0.1:%1（Modbus TCP").arg(gateway.server.serverPort())));
        QVERIFY(!port.lineSettingsApply());
        QVERIFY(AutoReconnectForPort(5));
        QVERIFY(!AutoReconnectForPort(4));
        QElapsedTimer took;
        took.start();
        QVERIFY(port.open());
        QVERIFY(took.elapsed() < 500);  // connecting does not hold the window
        QCOMPARE(port.linkState(), LinkState::Connecting);
        QVERIFY(!port.write(kRequest));  // nothing goes out before the gateway accepts
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QVERIFY(!serial->calls.contains(QStringLiteral("open")));
        QVERIFY(port.write(kRequest));
        QTRY_COMPARE(gateway.received, Hex("000100000006 01 04000A0018"));
        QVERIFY(port.close());
        QCOMPARE(port.linkState(), LinkState::Closed);
    }

    // Modbus TCP answers: reassembled however the stream is cut, tied to the
    // outstanding request by the transaction id, handed over as the RTU
    // answer (CRC computed).
    void modbusTcpAnswers_data() {
        QTest::addColumn<QList<QByteArray>>("segments");
        QTest::addColumn<QByteArray>("handedOver");
        QTest::addColumn<QList<int>>("notes");  // TransportNote values
        const QByteArray pdu = Hex("0404435C0000");
        const QByteArray rtu = WithCrc(Hex("01") + pdu);
        QTest::newRow("whole") << QList<QByteArray>{Adu(1, 1, pdu)} << rtu << QList<int>{};
        QTest::newRow("header split")
            << QList<QByteArray>{Adu(1, 1, pdu).left(3), Adu(1, 1, pdu).mid(3)} << rtu
            << QList<int>{};
        QTest::newRow("another request's answer first, in one segment")
            << QList<QByteArray>{Adu(7, 1, pdu) + Adu(1, 1, pdu)} << rtu
            << QList<int>{int(TransportNote::StaleAnswer)};
        QTest::newRow("from another unit")
            << QList<QByteArray>{Adu(1, 3, pdu)} << WithCrc(Hex("03") + pdu)
            << QList<int>{int(TransportNote::UnitMismatch)};
        QTest::newRow("wrong protocol id")
            << QList<QByteArray>{Hex("000100010007010404435C0000")} << QByteArray()
            << QList<int>{int(TransportNote::BadFraming)};
        QTest::newRow("a gateway's exception 0B")
            << QList<QByteArray>{Adu(1, 1, Hex("840B"))} << WithCrc(Hex("01840B")) << QList<int>{};
    }
    void modbusTcpAnswers() {
        QFETCH(QList<QByteArray>, segments);
        QFETCH(QByteArray, handedOver);
        QFETCH(QList<int>, notes);
        Server gateway;
        TcpLinePort port;
        port.setEndpoint(gateway.endpoint(Framing::ModbusTcp));
        QVERIFY(port.setPortNumber(1));
        QVERIFY(port.open());
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QVERIFY(gateway.waitForClient());
        QSignalSpy noted(&port, &SerialPort::transportNote);
        QVERIFY(port.write(kRequest));
        QTRY_COMPARE(gateway.received.size(), 12);
        QByteArray got;
        QObject::connect(&port, &SerialPort::commEvent, &port, [&] { got += port.readAll(); });
        for (const QByteArray& segment : segments) {
            gateway.send(segment);
            QTest::qWait(30);
        }
        QTRY_COMPARE(got, handedOver);
        QList<int> seen;
        for (const QList<QVariant>& args : noted) {
            seen << int(args.first().value<TransportNote>());
        }
        QCOMPARE(seen, notes);
    }

    // RTU over TCP: the bytes go out and come back as they are, in the
    // segments they came in.
    void rtuOverTcp() {
        Server gateway;
        TcpLinePort port;
        port.setEndpoint(gateway.endpoint(Framing::RtuOverTcp));
        QVERIFY(port.setPortNumber(1));
        QVERIFY(port.open());
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QVERIFY(gateway.waitForClient());
        QVERIFY(port.write(kRequest));
        QTRY_COMPARE(gateway.received, kRequest);
        QSignalSpy events(&port, &SerialPort::commEvent);
        const QByteArray answer = WithCrc(Hex("010404435C0000"));
        // As the screens do: sleep while the answer comes (the arrival
        // watch notes it), then let the events run.
        gateway.send(answer.left(4));
        QThread::msleep(30);
        QTRY_COMPARE(port.bytesWaiting(), 4);
        gateway.send(answer.mid(4));
        QThread::msleep(30);
        QTRY_COMPARE(port.bytesWaiting(), answer.size());
        QCOMPARE(port.readAll(), answer);
        QVERIFY(events.size() >= 2);
        QVERIFY(port.lastArrivalNs() > 0);
    }

    // Refused, unreachable and closed connections: one sentence naming the
    // host and the port, the port closed.
    void failuresNameTheHost() {
        // A port nobody listens on.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 free = probe.serverPort();
        probe.close();
        TcpLinePort refused;
        refused.setEndpoint({"127.0.0.1", free, Framing::ModbusTcp});
        QVERIFY(refused.setPortNumber(1));
        QVERIFY(refused.open());
        const QString why = LostText(refused);
        QVERIFY2(why.contains(QStringLiteral("127.0.0.1:%1").arg(free)), qPrintable(why));
        QVERIFY2(why.contains(QStringLiteral("拒绝连接")), qPrintable(why));
        QVERIFY(!refused.isOpen());

        TcpLinePort unknown;
        unknown.setEndpoint({"no-such-host.invalid", 502, Framing::RtuOverTcp});
        QVERIFY(unknown.setPortNumber(1));
        QVERIFY(unknown.open());
        const QString notFound = LostText(unknown);
        QVERIFY2(notFound.contains(QStringLiteral("no-such-host.invalid:502")),
                 qPrintable(notFound));

        Server gateway;
        TcpLinePort closed;
        closed.setEndpoint(gateway.endpoint(Framing::RtuOverTcp));
        QVERIFY(closed.setPortNumber(1));
        QVERIFY(closed.open());
        QVERIFY(gateway.waitForClient());
        QTRY_COMPARE(closed.linkState(), LinkState::Connected);
        gateway.client->abort();  // a reset
        const QString gone = LostText(closed);
        QVERIFY2(gone.contains(QStringLiteral("127.0.0.1:%1").arg(gateway.server.serverPort())),
                 qPrintable(gone));
        QVERIFY(!closed.write(kRequest));
    }

    // Without 自动重连 a serial loss is passed on once, as it always was.
    void serialLossWithoutReconnect() {
        auto* serial = new FakeSerialPort;
        LinePort port([serial] { return std::unique_ptr<SerialPort>(serial); },
                      [] { return std::make_unique<TcpLinePort>(); });
        QVERIFY(port.setPortNumber(3));
        QVERIFY(port.open());
        QCOMPARE(port.linkState(), LinkState::Connected);
        QSignalSpy lost(&port, &SerialPort::deviceLost);
        serial->loseDevice();
        QCOMPARE(lost.size(), 1);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.linkState(), LinkState::Closed);
    }

    // With it, the port stays open and Lost, retries with a growing wait,
    // and is back when the device is.
    void serialDeviceComesBack() {
        SetAutoReconnectChoices({{3, true}});
        auto* serial = new FakeSerialPort;
        LinePort port([serial] { return std::unique_ptr<SerialPort>(serial); },
                      [] { return std::make_unique<TcpLinePort>(); });
        port.setRetryMs(20, 80);
        QVERIFY(port.setPortNumber(3));
        QVERIFY(port.open());
        QSignalSpy lost(&port, &SerialPort::deviceLost);
        QSignalSpy states(&port, &SerialPort::linkStateChanged);
        serial->failOpen = PortError{PortError::Kind::NoSuchPort, QStringLiteral("gone")};
        serial->loseDevice();
        QCOMPARE(lost.size(), 0);
        QVERIFY(port.isOpen());
        QCOMPARE(port.linkState(), LinkState::Lost);
        QVERIFY(port.lostSince().isValid());
        QVERIFY(!port.write(kRequest));
        QTest::qWait(250);  // retries at 20, 40, 80, 80 ms: all fail
        const qsizetype tries = serial->calls.count(QStringLiteral("open"));
        QVERIFY2(tries >= 3 && tries <= 6, qPrintable(QString::number(tries)));
        QCOMPARE(port.retryMs(), 80);
        serial->failOpen.reset();
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QVERIFY(port.write(kRequest));
        QCOMPARE(serial->writes.last(), kRequest);
        QCOMPARE(states.last().first().value<LinkState>(), LinkState::Connected);
        // Closing ends the retries for good.
        serial->failOpen = PortError{PortError::Kind::NoSuchPort, QStringLiteral("gone")};
        serial->loseDevice();
        QVERIFY(port.close());
        const qsizetype before = serial->calls.count(QStringLiteral("open"));
        QTest::qWait(100);
        QCOMPARE(serial->calls.count(QStringLiteral("open")), before);
        QCOMPARE(port.linkState(), LinkState::Closed);
    }

    // A gateway that closes the connection, and accepts again: back without
    // a click.
    void gatewayComesBack() {
        Server gateway;
        SetNetworkPorts({{9, gateway.endpoint(Framing::RtuOverTcp)}});
        LinePort port;
        port.setRetryMs(50, 200);
        QVERIFY(port.setPortNumber(9));
        QVERIFY(port.open());
        QVERIFY(gateway.waitForClient());
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QTcpSocket* first = gateway.client;
        gateway.client = nullptr;
        first->abort();
        QTRY_COMPARE(port.linkState(), LinkState::Lost);
        QVERIFY(port.isOpen());
        QVERIFY(gateway.waitForClient());
        QTRY_COMPARE(port.linkState(), LinkState::Connected);
        QVERIFY(port.write(kRequest));
        QTRY_COMPARE(gateway.received, kRequest);
    }
};

QTEST_GUILESS_MAIN(TestLinePort)
#include "tst_lineport.moc"
