// SPDX-License-Identifier: GPL-3.0-or-later
// metertest-cli end to end: the program run as a script runs it, against
// metersim on a pseudo-terminal. What it prints is checked against the
// answers the simulator logged, decoded as the monitors decode them; its exit
// statuses for a healthy meter, a reversed CT, a dead meter, a missing port,
// bad usage and an interruption.

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <cmath>
#include <csignal>

#include "drive/csvread.h"
#include "drive/simdriver.h"
#include "e2etools.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kCom = 11;

struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
};

CliRun RunCli(const QStringList& arguments, const QString& networkPorts = {}) {
    QProcess cli;
    if (!networkPorts.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("METERTEST_NETWORK_PORTS"), networkPorts);
        cli.setProcessEnvironment(environment);
    }
    cli.start(QStringLiteral(METERTEST_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(60000)) {
        cli.kill();
        cli.waitForFinished();
        run.err = QStringLiteral("did not end");
        return run;
    }
    run.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = cli.readAllStandardOutput();
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

QList<QJsonObject> JsonLines(const QByteArray& out) {
    QList<QJsonObject> lines;
    for (const QByteArray& line : out.split('\n')) {
        if (!line.isEmpty()) {
            lines << QJsonDocument::fromJson(line).object();
        }
    }
    return lines;
}

// Every field of a printed reading shows what the screen would show after
// the same answers (empty when none set it).
void CompareFields(const QJsonObject& reading, const FieldOutcomes& expected) {
    const QJsonArray fields = reading["fields"].toArray();
    QVERIFY(!fields.isEmpty());
    for (const QJsonValue& value : fields) {
        const QJsonObject field = value.toObject();
        const QString key = field["key"].toString();
        if (key.startsWith(QLatin1String("Out")) || key.startsWith(QLatin1String("In"))) {
            continue;  // the switches are compared apart
        }
        const QString text = field["text"].isNull() ? QString() : field["text"].toString();
        const Outcome<QString> outcome = FieldOutcome(expected, key);
        QVERIFY2(outcome.allows(text), qPrintable(QStringLiteral("%1 printed \"%2\", expected %3")
                                                      .arg(key, text, Alternatives(outcome))));
        if (!text.isEmpty() && !field["value"].isNull()) {
            QCOMPARE(field["value"].toDouble(), text.toDouble());
        }
    }
}

std::uint8_t SwitchBits(const QJsonObject& reading, const QString& prefix) {
    std::uint8_t bits = 0;
    for (const QJsonValue& value : reading["fields"].toArray()) {
        const QJsonObject field = value.toObject();
        const QString key = field["key"].toString();
        if (key.startsWith(prefix) && field["value"].toDouble() == 1.0) {
            bits |= static_cast<std::uint8_t>(1u << (key.mid(prefix.size()).toInt() - 1));
        }
    }
    return bits;
}

}  // namespace

class TestE2eCli : public QObject {
    Q_OBJECT

public:
    explicit TestE2eCli(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    // Two readings as JSON Lines, for both families and both panel-mount
    // modes: each is what the meter sent in its own reads, nothing older.
    void jsonIsWhatTheMeterSent_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<int>("reads");
        QTest::newRow("panel-mount, primary") << "panel" << false << 5;
        QTest::newRow("panel-mount, secondary") << "panel" << true << 4;
        QTest::newRow("DIN-rail") << "rail" << false << 11;
    }
    void jsonIsWhatTheMeterSent() {
        QFETCH(QString, family);
        QFETCH(bool, secondary);
        QFETCH(int, reads);
        SimProcess sim(runtime_.path(), "json");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", family, "--seed", "71"}, &failure),
                 qPrintable(failure));
        QStringList arguments{"read",     "--port",     QStringLiteral("com%1").arg(kCom),
                              "--family", family,       "--count",
                              "2",        "--interval", "0",
                              "--format", "json"};
        if (secondary) {
            arguments << "--secondary";
        }
        const CliRun run = RunCli(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(run.err.contains(
            QStringLiteral("2 reading(s), %1 request(s), %1 accepted, 0 failed").arg(2 * reads)));
        const QList<QJsonObject> readings = JsonLines(run.out);
        QCOMPARE(readings.size(), 2);
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(exchanges.size(), 2 * reads);
        for (int k = 0; k < 2; ++k) {
            const QJsonObject& reading = readings[k];
            QCOMPARE(reading["accepted"].toInt(), reads);
            QCOMPARE(reading["family"].toString(), family);
            const QList<SimExchange> own = exchanges.mid(k * reads, reads);
            if (family == QLatin1String("panel")) {
                const PanelScreen expected = ExpectedPanelScreen(own, secondary);
                CompareFields(reading, expected.fields);
                QVERIFY(expected.outputs.allows(SwitchBits(reading, "Out")));
                QVERIFY(expected.inputs.allows(SwitchBits(reading, "In")));
                QCOMPARE(reading["mode"].toString(),
                         secondary ? QStringLiteral("二次") : QStringLiteral("一次"));
            } else {
                CompareFields(reading, ExpectedRailScreen(own));
                QVERIFY(reading["mode"].isNull());
            }
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // CSV through the project's writer and the table for people, in English.
    void csvAndTable() {
        SimProcess sim(runtime_.path(), "csv");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "72"}, &failure),
                 qPrintable(failure));
        const QString port = QStringLiteral("com%1").arg(kCom);
        const CliRun csv = RunCli(
            {"read", "--port", port, "--family", "panel", "--format", "csv", "--lang", "en"});
        QVERIFY2(csv.status == 0, qPrintable(csv.err));
        // A stream for scripts: no byte-order mark (the reader wants one).
        QVERIFY(!csv.out.startsWith("\xEF\xBB\xBF"));
        const auto table = ReadCsv("\xEF\xBB\xBF" + csv.out, &failure);
        QVERIFY2(table, qPrintable(failure));
        QCOMPARE(table->header, (QStringList{"time", "port", "family", "address", "key", "caption",
                                             "text", "value", "unit"}));
        QCOMPARE(table->rows.size(), 24 + 8);
        const PanelScreen expected = ExpectedPanelScreen(ExchangesOf(sim), false);
        for (const QStringList& row : table->rows) {
            QCOMPARE(row[1], port);
            if (row[4] == QLatin1String("UanT")) {
                QCOMPARE(row[5], QStringLiteral("Voltage Uan"));
                QVERIFY(expected.field("UanT").allows(row[6]));
                QCOMPARE(row[8], QStringLiteral("V"));
            }
        }

        const CliRun shown =
            RunCli({"read", "--port", port, "--family", "panel", "--format", "table"});
        QVERIFY2(shown.status == 0, qPrintable(shown.err));
        const QStringList lines = QString::fromUtf8(shown.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 24 + 8);
        QVERIFY(lines[0].startsWith(QStringLiteral("# ")) &&
                lines[0].endsWith(QStringLiteral("5/5")));
        QVERIFY(lines[1].startsWith(QStringLiteral("相电压Uan")));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // What a script can trust: the exit statuses.
    void exitStatus_data() {
        QTest::addColumn<QStringList>("simulator");  // empty: none on the port
        QTest::addColumn<QStringList>("arguments");  // --port comN is added
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");  // on standard error
        QTest::newRow("healthy meter, check")
            << QStringList{"--meter", "panel"} << QStringList{"check", "--family", "panel"} << 0
            << "0 failed";
        QTest::newRow("healthy DIN-rail meter, check")
            << QStringList{"--meter", "rail"} << QStringList{"check", "--family", "rail"} << 0
            << "0 failed";
        QTest::newRow("reversed CT, check")
            << QStringList{"--meter", "panel", "--wiring", "reverse-ct=b"}
            << QStringList{"check", "--family", "panel"} << 1 << "0 failed";
        QTest::newRow("dead meter") << QStringList{"--meter", "rail", "--address", "5"}
                                    << QStringList{"read", "--family", "rail", "--timeout", "100"}
                                    << 2 << "11 request(s), 0 accepted";
        QTest::newRow("missing port")
            << QStringList{} << QStringList{"read", "--family", "panel"} << 69 << "没有对应的设备";
        QTest::newRow("bad usage")
            << QStringList{} << QStringList{"read", "--family", "panel", "--count", "-2"} << 64
            << "--count '-2'";
    }
    void exitStatus() {
        QFETCH(QStringList, simulator);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimProcess sim(runtime_.path(), "status");
        QString failure;
        if (!simulator.isEmpty()) {
            QVERIFY2(sim.start(kCom, simulator, &failure), qPrintable(failure));
        }
        const CliRun run =
            RunCli(arguments +
                   QStringList{"--port", QStringLiteral("com%1").arg(kCom), "--format", "json"});
        QVERIFY2(run.status == status,
                 qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.err)));
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        if (status == 1) {
            const QJsonObject checks = JsonLines(run.out).value(0);
            bool reversed = false;
            for (const QJsonValue& check : checks["checks"].toArray()) {
                reversed |= check.toObject()["verdict"].toString() == QLatin1String("fault");
            }
            QVERIFY(reversed);
        }
        if (!simulator.isEmpty()) {
            QVERIFY2(sim.stop(&failure), qPrintable(failure));
        }
    }

    // The search finds the meter at its address with its family, and says
    // so with status 2 when nothing answers.
    void search_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<int>("status");
        QTest::newRow("panel-mount at 5") << "panel"
                                          << "3-6" << 0;
        QTest::newRow("DIN-rail at 5") << "rail"
                                       << "4-5" << 0;
        QTest::newRow("nobody in the range") << "panel"
                                             << "1-3" << 2;
    }
    void search() {
        QFETCH(QString, family);
        QFETCH(QString, addresses);
        QFETCH(int, status);
        SimProcess sim(runtime_.path(), "search");
        QString failure;
        QVERIFY2(
            sim.start(kCom,
                      {"--meter", family, "--address", "5", "--baud", "19200", "--parity", "E"},
                      &failure),
            qPrintable(failure));
        const CliRun run =
            RunCli({"search", "--port", QStringLiteral("com%1").arg(kCom), "--bauds", "9600,19200",
                    "--parities", "n,e", "--addresses", addresses, "--format", "json"});
        QVERIFY2(run.status == status,
                 qPrintable(QStringLiteral("%1: %2").arg(run.status).arg(run.err)));
        QList<QJsonObject> meters;
        for (const QJsonObject& find : JsonLines(run.out)) {
            if (find["kind"].toString() == QLatin1String("meter")) {
                meters << find;
            }
        }
        if (status != 0) {
            QVERIFY(meters.isEmpty());
        } else {
            // A pseudo-terminal carries no line settings: the meter may also
            // be met at other settings; always at its address and family.
            QStringList settings;
            for (const QJsonObject& meter : meters) {
                QCOMPARE(meter["address"].toInt(), 5);
                QCOMPARE(meter["family"].toString(), family);
                settings << meter["settings"].toString();
            }
            QVERIFY2(settings.contains(QStringLiteral("19200,E,8,1")),
                     qPrintable(settings.join(' ')));
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // Bus rounds over a list file: one record per enabled meter and round,
    // values of that round only; a meter that never answers makes it 2.
    void bus() {
        SimProcess sim(runtime_.path(), "bus");
        QString failure;
        QVERIFY2(sim.start(kCom,
                           {"--meter", "panel", "--address", "1", "--meter", "rail", "--address",
                            "7", "--seed", "74"},
                           &failure),
                 qPrintable(failure));
        QTemporaryDir dir;
        const QString list = dir.filePath(QStringLiteral("list.csv"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("地址,名称,类型,启用\n1,1#进线,嵌入式,是\n7,,导轨式,是\n9,停用的,导轨式,否\n");
        file.close();
        const QStringList common{"bus",      "--port",     QStringLiteral("com%1").arg(kCom),
                                 "--list",   list,         "--rounds",
                                 "2",        "--interval", "0",
                                 "--format", "json"};
        const CliRun run = RunCli(common);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QList<QJsonObject> records = JsonLines(run.out);
        QCOMPARE(records.size(), 4);  // two meters, two rounds; the disabled one not
        for (const QJsonObject& record : records) {
            QCOMPARE(record["state"].toString(), QStringLiteral("online"));
            QVERIFY(record["voltage"].toDouble() > 200);
            QVERIFY(!record["frequency"].isNull());
        }
        QCOMPARE(records[0]["name"].toString(), QStringLiteral("1#进线"));
        QCOMPARE(records[1]["family"].toString(), QStringLiteral("rail"));
        QCOMPARE(records[3]["round"].toInt(), 2);

        // A meter in the list that is not on the line: its records are empty.
        QVERIFY(file.open(QIODevice::Append));
        file.write("12,ghost,嵌入式,是\n");
        file.close();
        const CliRun missing = RunCli(common);
        QCOMPARE(missing.status, 2);
        const QList<QJsonObject> withGhost = JsonLines(missing.out);
        QCOMPARE(withGhost.size(), 6);
        QCOMPARE(withGhost[2]["address"].toInt(), 12);
        QVERIFY(withGhost[2]["voltage"].isNull());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // A port number mapped to a gateway on the network: the same reading.
    // The accuracy test from a script: a source already at the set point, a
    // reference and two meters under test; the point starts by itself once
    // the reference reads the set point.
    void accuracyTest() {
        SimProcess sim(runtime_.path(), "test");
        QString failure;
        QVERIFY2(sim.start(kCom,
                           {"--source", "U=230 I=10 PF=1", "--meter", "panel", "--address", "1",
                            "--meter", "rail", "--address", "2", "--error", "P=-0.5", "--meter",
                            "rail", "--address", "4", "--error", "P=1.8"},
                           &failure),
                 qPrintable(failure));
        QTemporaryDir dir;
        QFile list(dir.filePath(QStringLiteral("list.csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("1,基准,panel\n2,2#,rail\n4,4#,rail\n");
        list.close();
        QFile plan(dir.filePath(QStringLiteral("plan.csv")));
        QVERIFY(plan.open(QIODevice::WriteOnly));
        plan.write(
            "MeterTest "
            "plan,1\nIn,10\nkind,U,I,PF,f,settle,N,judge,time\nerror,100%,100%,1,50,0,3,P I\n");
        plan.close();
        const QStringList common{
            "test",          "--port",        QStringLiteral("com%1").arg(kCom),
            "--list",        list.fileName(), "--plan",
            plan.fileName(), "--reference",   "1"};
        const CliRun run =
            RunCli(common + QStringList{"--format", "json", "--records", dir.path()});
        QCOMPARE(run.status, 1);  // address 4 is out of class
        QVERIFY2(run.err.contains(QStringLiteral("address 2: 合格")), qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("address 4: 不合格")));
        const QList<QJsonObject> records = JsonLines(run.out);
        QCOMPARE(records.size(), 8);  // two meters: P, Ia, Ib, Ic
        QCOMPARE(records[0]["quantity"].toString(), QStringLiteral("P"));
        QCOMPARE(records[0]["address"].toInt(), 2);
        QVERIFY(std::abs(records[0]["error"].toDouble() + 0.5) < 0.3);
        QCOMPARE(records[0]["verdict"].toString(), QStringLiteral("pass"));
        QCOMPARE(records[0]["readings"].toInt(), 3);
        QCOMPARE(records[4]["address"].toInt(), 4);
        QCOMPARE(records[4]["verdict"].toString(), QStringLiteral("fail"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("表位02_地址2_2#.csv"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("表位03_地址4_4#.csv"))));

        // A bad plan is refused with its line before the line is opened.
        QVERIFY(plan.open(QIODevice::Append));
        plan.write("error,100%,5%,0.5,,,,P\n");
        plan.close();
        const CliRun bad = RunCli(common);
        QCOMPARE(bad.status, 64);
        QVERIFY2(bad.err.contains(QStringLiteral("line 5")), qPrintable(bad.err));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void networkPort() {
        SimProcess sim(runtime_.path(), "network");
        QString failure;
        QVERIFY2(
            sim.startTcp(0, {"--meter", "rail", "--framing", "mbap", "--seed", "73"}, &failure),
            qPrintable(failure));
        const CliRun run =
            RunCli({"read", "--port", "com12", "--family", "rail", "--format", "json"},
                   QStringLiteral("12=127.0.0.1:%1/mbap").arg(sim.tcpPort()));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QList<QJsonObject> readings = JsonLines(run.out);
        QCOMPARE(readings.size(), 1);
        QCOMPARE(readings[0]["accepted"].toInt(), 11);
        CompareFields(readings[0], ExpectedRailScreen(ExchangesOf(sim)));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // Ctrl-C: what was printed stays whole, the summary comes, status 130.
    void interruptedFollow() {
        SimProcess sim(runtime_.path(), "follow");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel"}, &failure), qPrintable(failure));
        QProcess cli;
        cli.start(QStringLiteral(METERTEST_CLI_PATH),
                  {"read", "--port", QStringLiteral("com%1").arg(kCom), "--family", "panel",
                   "--follow", "--interval", "0", "--format", "json"});
        QVERIFY(cli.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return cli.canReadLine(); }, 30000));
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 130);
        const QByteArray out = cli.readAllStandardOutput();
        QVERIFY(out.endsWith('\n'));
        for (const QJsonObject& reading : JsonLines(out)) {
            QCOMPARE(reading["accepted"].toInt(), 5);
        }
        QVERIFY(cli.readAllStandardError().contains("reading(s)"));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QCoreApplication app(argc, argv);
    TestE2eCli test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_cli.moc"
