// SPDX-License-Identifier: GPL-3.0-or-later
// Meters behind a gateway on the network, end to end: the panel-mount monitor
// on the program's own port component, a port number mapped to 127.0.0.1,
// and metersim behind its simulated gateway (or a pymodbus server, or mbpoll
// against metersim) on the other end: real sockets, real framing, real
// timing. What the screen shows is checked against the answers logged.

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <cstring>

#include "acquisition/acquisition.h"
#include "diagnostics/linediagnostics.h"
#include "drive/csvread.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "e2etools.h"
#include "link/crc16.h"
#include "monitor/portpanel.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/switchpanelview.h"
#include "platform/lineport.h"
#include "platform/portmap.h"
#include "support/controls.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kInterval = 2200;
constexpr int kCom = 7;

const QList<QByteArray> kPrimaryRequests = {Request(1, 4, 10, 24), Request(1, 4, 34, 22),
                                            Request(1, 4, 56, 2), Request(1, 1, 0, 4),
                                            Request(1, 2, 0, 4)};

// The panel-mount monitor on the program's port component, which reaches a
// gateway for a mapped port number.
struct NetPanelMonitor {
    explicit NetPanelMonitor(int timerIntervalMs)
        : form(port, live.services(), nullptr, timerIntervalMs, request),
          ticks(form.acquisition().timer(), [this] { return form.acquisition().tickRunning(); }) {}

    LinePort port;
    LiveServices live;
    RequestParameters request;
    PanelMeterWindow form;
    TickCounter ticks;

    QString text(const char* field) const {
        const QLineEdit* edit = form.valueField(field);
        return edit != nullptr ? edit->text() : QStringLiteral("<no field %1>").arg(field);
    }
    // The status bar's link text, with why it was lost (its tooltip).
    QString linkLine() const { return Ctl<QLabel>(form, "LinkLine")->toolTip(); }
    bool connected() const { return port.linkState() == LinkState::Connected; }
};

void MapPort(int port, Framing framing, bool reconnect = true) {
    SetNetworkPorts({{kCom, NetworkEndpoint{"127.0.0.1", port, framing}}});
    SetAutoReconnectChoices({{kCom, reconnect}});
}

// Opens the mapped port as a user does, waits for the connection, and runs
// `ticks` primary ticks to their end.
void RunNetTicks(NetPanelMonitor& monitor, int ticks) {
    QVERIFY(OpenPortAsUser(monitor.form, kCom));
    QVERIFY2(WaitUntil([&] { return monitor.connected(); }, kQuietPatienceMs),
             qPrintable(monitor.linkLine()));
    monitor.ticks.stopAfter(ticks);
    monitor.form.onPrimaryClicked();
    QVERIFY2(monitor.ticks.waitFor(ticks, kTickPatienceMs * ticks), "ticks did not complete");
    QVERIFY(WaitUntil([&] { return !monitor.form.acquisition().requestOutstanding(); },
                      kQuietPatienceMs));
}

// The answers of a simulator that has logged `count` of them.
bool WaitForLoggedAnswers(const SimProcess& sim, int count) {
    return WaitUntil([&] { return sim.answers().size() >= count; }, kQuietPatienceMs);
}

// A TCP port on 127.0.0.1 where nobody listens.
int ClosedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// The RTU answer a meter gives to a read of `count` words from `words`.
QByteArray RegisterAnswer(int function, const QList<quint16>& words) {
    QByteArray frame;
    frame.append(char(1)).append(char(function)).append(char(2 * words.size()));
    for (const quint16 word : words) {
        frame.append(char(word >> 8)).append(char(word & 0xFF));
    }
    return WithCrc(frame);
}

QByteArray BitAnswer(int function, std::uint8_t bits) {
    QByteArray frame;
    frame.append(char(1)).append(char(function)).append(char(1)).append(char(bits));
    return WithCrc(frame);
}

// Float words, high word first, as the panel-mount meter keeps its values.
QList<quint16> FloatWords(const QList<float>& values) {
    QList<quint16> words;
    for (const float value : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        words << quint16(bits >> 16) << quint16(bits & 0xFFFF);
    }
    return words;
}

// Debian's python3, where python3-pymodbus installs, before any other.
QString Python() {
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
               ? QStringLiteral("/usr/bin/python3")
               : QStringLiteral("python3");
}

bool HavePymodbus() {
    QProcess python;
    python.start(Python(), {QStringLiteral("-c"), QStringLiteral("import pymodbus")});
    return python.waitForFinished(20000) && python.exitStatus() == QProcess::NormalExit &&
           python.exitCode() == 0;
}

}  // namespace

class TestE2eNetwork : public QObject {
    Q_OBJECT

public:
    explicit TestE2eNetwork(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }
    void cleanup() {
        SetNetworkPorts({});
        SetAutoReconnectChoices({});
    }

    // Both framings, with the network splitting answers into segments or
    // holding them back: the screen shows what the meter behind the gateway
    // sent, exactly as on a wire.
    void framingsShowWhatTheMeterSent_data() {
        QTest::addColumn<Framing>("framing");
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("RTU over TCP") << Framing::RtuOverTcp << QStringList{};
        QTest::newRow("Modbus TCP") << Framing::ModbusTcp << QStringList{};
        QTest::newRow("RTU over TCP, split")
            << Framing::RtuOverTcp << QStringList{"--net-split", "1", "--net-delay", "30"};
        QTest::newRow("Modbus TCP, split")
            << Framing::ModbusTcp << QStringList{"--net-split", "1", "--net-delay", "30"};
    }
    void framingsShowWhatTheMeterSent() {
        QFETCH(Framing, framing);
        QFETCH(QStringList, faults);
        SimProcess sim(runtime_.path(), "framing");
        QString failure;
        const QStringList options =
            QStringList{"--meter", "panel",     "--seed",
                        "21",      "--framing", framing == Framing::ModbusTcp ? "mbap" : "rtu"} +
            faults;
        QVERIFY2(sim.startTcp(0, options, &failure), qPrintable(failure));
        MapPort(sim.tcpPort(), framing);
        NetPanelMonitor monitor(kInterval);
        RunNetTicks(monitor, 2);
        QVERIFY(WaitForLoggedAnswers(sim, 10));

        QCOMPARE(LoggedBytes(sim.requests()), kPrimaryRequests + kPrimaryRequests);
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 10);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        CheckAllFields(kPanelFields, expected.fields, true);
        CompareScreen(monitor, expected);
        const LineCounts& counts = monitor.form.diagnostics().counts();
        QCOMPARE(counts.requests, 10);
        QCOMPARE(counts.accepted, 10);
        QCOMPARE(counts.dropped + counts.unitMismatches, 0);
        const QString where = QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort());
        QVERIFY2(monitor.linkLine().contains(QStringLiteral("已连接")) &&
                     monitor.linkLine().contains(where),
                 qPrintable(monitor.linkLine()));
        // The port panel says what the number stands for, and where the
        // line's settings live.
        const QString device = Ctl<QLabel>(PanelOf(monitor.form), "DeviceLabel")->text();
        QVERIFY2(device.contains(where) && device.contains(QStringLiteral("网关")),
                 qPrintable(device));
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // No meter at the address: the gateway answers exception 0B, which the
    // status bar counts and explains.
    void gatewayWithoutTheMeterExplains() {
        SimProcess sim(runtime_.path(), "gateway0b");
        QString failure;
        QVERIFY2(sim.startTcp(0,
                              {"--meter", "panel", "--address", "5", "--framing", "mbap",
                               "--gateway-timeout", "100"},
                              &failure),
                 qPrintable(failure));
        MapPort(sim.tcpPort(), Framing::ModbusTcp);
        NetPanelMonitor monitor(kInterval);
        RunNetTicks(monitor, 1);
        const LineCounts& counts = monitor.form.diagnostics().counts();
        QCOMPARE(counts.requests, 5);
        QCOMPARE(counts.exceptions, 5);
        QCOMPARE(counts.gatewayExceptions, 5);
        QCOMPARE(monitor.form.diagnostics().hint(), LineDiagnostics::gatewayTargetHint());
        QVERIFY(monitor.text("UanT").isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // Nobody listens: the window goes on (its events keep coming), and the
    // failure is said once, naming the host and port; with 自动重连 the port
    // stays open and keeps trying, without it the port closes.
    void refusedConnectionNeverFreezes_data() {
        QTest::addColumn<bool>("reconnect");
        QTest::newRow("自动重连") << true;
        QTest::newRow("no reconnect") << false;
    }
    void refusedConnectionNeverFreezes() {
        QFETCH(bool, reconnect);
        const int port = ClosedPort();
        MapPort(port, Framing::ModbusTcp, reconnect);
        NetPanelMonitor monitor(kInterval);
        qint64 last = MonotonicMs();
        qint64 longestGap = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, MonotonicMs() - last);
            last = MonotonicMs();
        });
        beat.start(20);
        QVERIFY(OpenPortAsUser(monitor.form, kCom));
        const QString where = QStringLiteral("127.0.0.1:%1").arg(port);
        if (reconnect) {
            QVERIFY(WaitUntil([&] { return monitor.port.linkState() == LinkState::Lost; },
                              kQuietPatienceMs));
            QVERIFY2(monitor.linkLine().contains(where), qPrintable(monitor.linkLine()));
            RunEventsFor(2500);  // the first retries fail the same way
            QVERIFY(monitor.port.isOpen());
            QCOMPARE(monitor.port.linkState(), LinkState::Lost);
            QVERIFY(monitor.live.messages.isEmpty());
        } else {
            QVERIFY(WaitUntil([&] { return !monitor.live.messages.isEmpty(); }, kQuietPatienceMs));
            RunEventsFor(500);
            QCOMPARE(monitor.live.messages.size(), 1);
            QVERIFY2(monitor.live.messages.front().text.contains(where),
                     qPrintable(monitor.live.messages.front().text));
            QVERIFY(!monitor.port.isOpen());
            QVERIFY(!PanelOf(monitor.form).shownOpen());
        }
        // Far below the connect timeout: nothing waited for the socket.
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
    }

    // The gateway goes away while the monitor polls and records, and comes
    // back on the same port: the monitor shows the loss, records its ticks
    // as lost with empty cells, and polls on once it is back.
    void gatewayRestartResumesAndRecords() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SimProcess sim(runtime_.path(), "restart");
        QString failure;
        const QStringList options{"--meter", "panel", "--seed", "23", "--framing", "rtu"};
        QVERIFY2(sim.startTcp(0, options, &failure), qPrintable(failure));
        const int tcpPort = sim.tcpPort();
        MapPort(tcpPort, Framing::RtuOverTcp);
        NetPanelMonitor monitor(kInterval);
        const QString path = dir.filePath(QStringLiteral("restart.csv"));
        QVERIFY(monitor.form.startRecording(path));
        QVERIFY(OpenPortAsUser(monitor.form, kCom));
        QVERIFY(WaitUntil([&] { return monitor.connected(); }, kQuietPatienceMs));
        monitor.form.onPrimaryClicked();
        QVERIFY(monitor.ticks.waitFor(2, 2 * kTickPatienceMs));

        QVERIFY2(sim.stop(&failure), qPrintable(failure));
        QVERIFY(WaitUntil([&] { return monitor.port.linkState() == LinkState::Lost; },
                          kQuietPatienceMs));
        QVERIFY2(monitor.linkLine().startsWith(QStringLiteral("已断开 00:0")),
                 qPrintable(monitor.linkLine()));
        const int lostAt = monitor.ticks.completed();
        QVERIFY(monitor.ticks.waitFor(lostAt + 2, 2 * kTickPatienceMs));

        QVERIFY2(sim.startTcp(tcpPort, options, &failure), qPrintable(failure));
        // The retries wait 1, 2, 4 s after the loss: back within a few ticks.
        QVERIFY(WaitUntil([&] { return monitor.connected(); }, 20000));
        QVERIFY(monitor.linkLine().contains(QStringLiteral("已连接")));
        const int backAt = monitor.ticks.completed();
        monitor.ticks.stopAfter(backAt + 2);
        QVERIFY(monitor.ticks.waitFor(backAt + 2, 2 * kTickPatienceMs));
        QVERIFY(WaitUntil([&] { return !monitor.form.acquisition().requestOutstanding(); },
                          kQuietPatienceMs));
        QVERIFY(
            WaitUntil([&] { return monitor.form.recordedRows() >= backAt + 2; }, kQuietPatienceMs));
        monitor.form.stopRecording();
        QVERIFY(monitor.live.messages.isEmpty());

        const auto table = ReadCsvFile(path, &failure);
        QVERIFY2(table, qPrintable(failure));
        QCOMPARE(table->header.last(), QStringLiteral("线路"));
        const int uan = static_cast<int>(table->header.indexOf(QStringLiteral("相电压Uan (V)")));
        QVERIFY(uan > 0);
        int lostRows = 0;
        for (const QStringList& row : table->rows) {
            if (row.last() == QStringLiteral("已断开")) {
                ++lostRows;
                QVERIFY2(row[uan].isEmpty(), qPrintable(row.join(',')));
            }
        }
        QVERIFY2(lostRows >= 1, qPrintable(QString::number(lostRows)));
        // Polled again after the gateway came back: the last row has values.
        QVERIFY(table->rows.last().last().isEmpty());
        QVERIFY(!table->rows.last()[uan].isEmpty());
        QVERIFY(!monitor.text("UanT").isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // A server we did not write (pymodbus) in both framings: the screen shows
    // what an RTU meter with the same registers would make it show.
    void pymodbusServer_data() {
        QTest::addColumn<Framing>("framing");
        QTest::newRow("RTU over TCP") << Framing::RtuOverTcp;
        QTest::newRow("Modbus TCP") << Framing::ModbusTcp;
    }
    void pymodbusServer() {
        QFETCH(Framing, framing);
        if (!HavePymodbus()) {
            QSKIP("python3-pymodbus is not installed (scripts/test installs it)");
        }
        // Registers 10 to 57 as the meter keeps them: 24 floats.
        QList<float> values;
        for (int k = 0; k < 24; ++k) {
            values << 100.0f + 7.25f * static_cast<float>(k);
        }
        const QList<quint16> words = FloatWords(values);
        QStringList wordTexts;
        for (const quint16 word : words) {
            wordTexts << QString::number(word);
        }
        const QString script = QStringLiteral(METERTEST_PYMODBUS_METER);
        QVERIFY2(QFileInfo::exists(script), qPrintable(script));
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(Python(), {script, framing == Framing::ModbusTcp ? "mbap" : "rtu", "1", "10",
                                wordTexts.join(','), "1011", "0110"});
        QVERIFY(server.waitForStarted(10000));
        auto stopServer = qScopeGuard([&] {
            server.kill();
            server.waitForFinished(10000);
        });
        QVERIFY(WaitUntil([&] { return server.canReadLine(); }, 20000));
        const QString line = QString::fromLocal8Bit(server.readLine()).trimmed();
        const int port = line.section(QLatin1Char(':'), -1).toInt();
        QVERIFY2(port > 0, qPrintable(line));
        // The server listens a moment after it says where.
        QVERIFY(WaitUntil(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
                return probe.waitForConnected(200);
            },
            20000));
        MapPort(port, framing);
        NetPanelMonitor monitor(kInterval);
        RunNetTicks(monitor, 1);

        PanelScreen expected;
        for (const QByteArray& answer :
             {RegisterAnswer(4, words.mid(0, 24)), RegisterAnswer(4, words.mid(24, 22)),
              RegisterAnswer(4, words.mid(46, 2)), BitAnswer(1, 0b1101), BitAnswer(2, 0b0110)}) {
            const DecodedAnswer decoded = DecodePrimaryAnswer(BytesOf(answer));
            TakeFields(expected.fields, decoded.fields, true);
            if (decoded.switches) {
                (decoded.switches->panel == SwitchPanelKind::Outputs ? expected.outputs
                                                                     : expected.inputs)
                    .taken(decoded.switches->status & 0x0F);
            }
        }
        CheckAllFields(kPanelFields, expected.fields, true);
        CompareScreen(monitor, expected);
        QCOMPARE(monitor.form.diagnostics().counts().accepted, 5);
    }

    // mbpoll, a Modbus client we did not write, reads metersim's Modbus TCP
    // port: the same bytes the simulator logged, and its float reading of
    // each value is the number the screen shows for that answer.
    void mbpollReadsMetersim() {
        if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty()) {
            QSKIP("mbpoll is not installed (scripts/test installs it)");
        }
        SimProcess sim(runtime_.path(), "mbpoll");
        QString failure;
        QVERIFY2(
            sim.startTcp(0, {"--meter", "panel", "--seed", "31", "--framing", "mbap"}, &failure),
            qPrintable(failure));
        QProcess mbpoll;
        mbpoll.start(QStringLiteral("mbpoll"),
                     {"-m", "tcp", "-a", "1", "-t", "3:float", "-B", "-r", "11", "-c", "12", "-1",
                      "-p", QString::number(sim.tcpPort()), "127.0.0.1"});
        QVERIFY(mbpoll.waitForFinished(20000));
        QCOMPARE(mbpoll.exitCode(), 0);
        QMap<int, double> read;  // register (mbpoll counts from 1) -> value
        const QRegularExpression valueLine(QStringLiteral("^\\[(\\d+)\\]:\\s+(\\S+)"));
        for (const QString& text :
             QString::fromLocal8Bit(mbpoll.readAllStandardOutput()).split('\n')) {
            const auto match = valueLine.match(text.trimmed());
            if (match.hasMatch()) {
                read.insert(match.captured(1).toInt(), match.captured(2).toDouble());
            }
        }
        QCOMPARE(read.size(), 12);
        QVERIFY(WaitForLoggedAnswers(sim, 1));
        const QList<SimLogLine> answers = sim.answers();
        QCOMPARE(answers.size(), 1);
        const DecodedAnswer decoded = DecodePrimaryAnswer(BytesOf(answers.front().bytes));
        FieldOutcomes shown;
        TakeFields(shown, decoded.fields, true);
        // The first twelve floats: phase and line voltages, currents, powers.
        const QStringList fields{"UanT", "UbnT", "UcnT", "UabT", "UbcT", "UcaT",
                                 "IaT",  "IbT",  "IcT",  "PaT",  "PbT",  "PcT"};
        for (int k = 0; k < fields.size(); ++k) {
            const QString text = FieldOutcome(shown, fields[k]).allowed().front();
            QVERIFY2(Near(text, read.value(11 + 2 * k), 0.005),
                     qPrintable(QStringLiteral("%1: the screen's \"%2\", mbpoll %3")
                                    .arg(fields[k], text)
                                    .arg(read.value(11 + 2 * k))));
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eNetwork test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_network.moc"
