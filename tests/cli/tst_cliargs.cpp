// SPDX-License-Identifier: GPL-3.0-or-later
// metertest-cli's command line and output without a port: every bad argument
// refused with its name, good lines read right, the table aligned for wide
// characters, missing values empty or null.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "cli/cliargs.h"
#include "cli/cliformat.h"

using namespace mt;
using namespace mt::cli;

class TestCliArgs : public QObject {
    Q_OBJECT

private slots:
    // Each bad line is refused, and the message names what is wrong.
    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        const QStringList ok{"--port", "com3", "--family", "panel"};
        QTest::newRow("nothing") << QStringList{} << "subcommand";
        QTest::newRow("unknown subcommand") << QStringList{"poll"} + ok << "'poll'";
        QTest::newRow("help for unknown") << QStringList{"help", "poll"} << "'poll'";
        QTest::newRow("unknown option") << QStringList{"read", "--baud", "9600"} + ok << "'--baud'";
        QTest::newRow("value missing")
            << QStringList{"read", "--family", "panel", "--port"} << "--port needs a value";
        QTest::newRow("no port") << QStringList{"read", "--family", "panel"} << "--port";
        QTest::newRow("no family") << QStringList{"read", "--port", "com3"} << "--family";
        QTest::newRow("com0") << QStringList{"read", "--port", "com0", "--family", "panel"}
                              << "--port 'com0'";
        QTest::newRow("com17") << QStringList{"read", "--port", "com17", "--family", "panel"}
                               << "--port 'com17'";
        QTest::newRow("relative device")
            << QStringList{"read", "--port", "ttyUSB0", "--family", "panel"} << "--port 'ttyUSB0'";
        QTest::newRow("family") << QStringList{"read", "--port", "com3", "--family", "din"}
                                << "--family 'din'";
        QTest::newRow("address 0") << QStringList{"read", "--address", "0"} + ok << "--address '0'";
        QTest::newRow("address 248")
            << QStringList{"read", "--address", "248"} + ok << "--address '248'";
        QTest::newRow("address text")
            << QStringList{"read", "--address", "1x"} + ok << "--address '1x'";
        QTest::newRow("count 0") << QStringList{"read", "--count", "0"} + ok << "--count '0'";
        QTest::newRow("negative interval")
            << QStringList{"read", "--interval", "-1"} + ok << "--interval '-1'";
        QTest::newRow("timeout 5") << QStringList{"read", "--timeout", "5"} + ok << "--timeout '5'";
        QTest::newRow("format") << QStringList{"read", "--format", "xml"} + ok << "--format 'xml'";
        QTest::newRow("lang") << QStringList{"read", "--lang", "de"} + ok << "--lang 'de'";
        QTest::newRow("count and follow")
            << QStringList{"read", "--count", "2", "--follow"} + ok << "--follow";
        QTest::newRow("secondary on rail")
            << QStringList{"read", "--secondary", "--port", "com3", "--family", "rail"}
            << "--secondary";
        QTest::newRow("check follows") << QStringList{"check", "--follow"} + ok << "--follow";
        QTest::newRow("check counts") << QStringList{"check", "--count", "3"} + ok << "--count";
        const QStringList port{"--port", "com3"};
        QTest::newRow("search, family") << QStringList{"search", "--family", "panel"} + port
                                        << "--family is not an option of search";
        QTest::newRow("read, bauds")
            << QStringList{"read", "--bauds", "9600"} + ok << "--bauds is not an option of read";
        QTest::newRow("bauds") << QStringList{"search", "--bauds", "9600,fast"} + port
                               << "--bauds '9600,fast'";
        QTest::newRow("parities") << QStringList{"search", "--parities", "n,m"} + port
                                  << "--parities 'n,m'";
        QTest::newRow("addresses backwards")
            << QStringList{"search", "--addresses", "9-3"} + port << "--addresses '9-3'";
        QTest::newRow("addresses 0")
            << QStringList{"search", "--addresses", "0-3"} + port << "--addresses '0-3'";
        QTest::newRow("addresses three")
            << QStringList{"search", "--addresses", "1-2-3"} + port << "--addresses '1-2-3'";
        QTest::newRow("bus without list") << QStringList{"bus"} + port << "--list is missing";
        QTest::newRow("bus, family")
            << QStringList{"bus", "--list", "l.csv", "--family", "panel"} + port
            << "--family is not an option of bus";
        QTest::newRow("rounds 0") << QStringList{"bus", "--list", "l.csv", "--rounds", "0"} + port
                                  << "--rounds '0'";
        QTest::newRow("read, list")
            << QStringList{"read", "--list", "l.csv"} + ok << "--list is not an option of read";
        QTest::newRow("rounds and follow")
            << QStringList{"bus", "--list", "l.csv", "--rounds", "2", "--follow"} + port
            << "--follow";
        QTest::newRow("search follows") << QStringList{"search", "--follow"} + port << "--follow";
        const QStringList test = QStringList{"test", "--list", "l.csv"} + port;
        QTest::newRow("test without plan")
            << test + QStringList{"--reference", "1"} << "--plan is missing";
        QTest::newRow("test without reference")
            << test + QStringList{"--plan", "p.csv"} << "--reference is missing";
        QTest::newRow("test without list")
            << QStringList{"test", "--plan", "p.csv", "--reference", "1"} + port
            << "--list is missing";
        QTest::newRow("test, reference 0")
            << test + QStringList{"--reference", "0"} << "--reference '0'";
        QTest::newRow("test, class 3") << test + QStringList{"--class", "3"} << "--class '3'";
        QTest::newRow("test, class of address 300")
            << test + QStringList{"--class", "300=1"} << "--class '300=1'";
        QTest::newRow("test, class twice =")
            << test + QStringList{"--class", "1=1=2"} << "--class '1=1=2'";
        QTest::newRow("test, family")
            << test + QStringList{"--family", "rail"} << "--family is not an option";
        QTest::newRow("test, follow")
            << test + QStringList{"--follow"} << "--follow is not an option";
        QTest::newRow("read, plan")
            << QStringList{"read", "--plan", "p.csv"} + ok << "--plan is not an option";
        QTest::newRow("bus, reference")
            << QStringList{"bus", "--list", "l.csv", "--reference", "1"} + port
            << "--reference is not an option";
    }
    void badArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const ParseResult result = ParseCliArgs(arguments);
        QVERIFY2(result.error.contains(named), qPrintable(result.error));
    }

    void goodArguments() {
        const ParseResult read =
            ParseCliArgs({"read", "--port", "COM12", "--settings", "19200,e,8,1", "--family",
                          "rail", "--address", "247", "--follow", "--interval", "0", "--timeout",
                          "300", "--format", "csv", "--lang", "en", "-v"});
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        const CliArgs& a = read.args;
        QCOMPARE(a.command, Command::Read);
        QCOMPARE(a.portNumber, 12);
        QCOMPARE(a.settings, QStringLiteral("19200,E,8,1"));
        QCOMPARE(a.family, MeterKind::DinRail);
        QCOMPARE(a.address, 247);
        QVERIFY(a.follow && a.verbose);
        QCOMPARE(a.intervalMs, 0);
        QCOMPARE(a.timeoutMs, 300);
        QCOMPARE(a.format, std::optional<Format>(Format::Csv));
        QCOMPARE(a.language, QStringLiteral("en"));

        const ParseResult device =
            ParseCliArgs({"check", "--port", "/dev/ttyUSB0", "--family", "panel", "--secondary"});
        QVERIFY2(device.error.isEmpty(), qPrintable(device.error));
        QCOMPARE(device.args.portNumber, 0);
        QCOMPARE(device.args.port, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(device.args.secondary);
        QVERIFY(!device.args.format);  // chosen by the terminal

        const ParseResult search =
            ParseCliArgs({"search", "--port", "com2", "--bauds", "19200, 9600", "--parities", "E,o",
                          "--addresses", "5-9", "--first"});
        QVERIFY2(search.error.isEmpty(), qPrintable(search.error));
        QCOMPARE(search.args.bauds, (std::vector<int>{19200, 9600}));
        QCOMPARE(search.args.parities, (std::vector<char>{'E', 'O'}));
        QCOMPARE(search.args.firstAddress, 5);
        QCOMPARE(search.args.lastAddress, 9);
        QVERIFY(search.args.firstOnly);
        const ParseResult one = ParseCliArgs({"search", "--port", "com2", "--addresses", "7"});
        QCOMPARE(one.args.firstAddress, 7);
        QCOMPARE(one.args.lastAddress, 7);

        const ParseResult test = ParseCliArgs(
            {"test", "--port", "com3", "--list", "l.csv", "--plan", "p.csv", "--reference", "7",
             "--class", "0.5s", "--class", "9=2", "--records", "/tmp/r", "--prompt"});
        QVERIFY2(test.error.isEmpty(), qPrintable(test.error));
        QCOMPARE(test.args.command, Command::Test);
        QCOMPARE(test.args.referenceAddress, 7);
        QCOMPARE(test.args.activeClass, QStringLiteral("0.5S"));
        QCOMPARE(test.args.classes.size(), 1);
        QCOMPARE(test.args.classes[0].first, 9);
        QCOMPARE(test.args.classes[0].second, QStringLiteral("2"));
        QCOMPARE(test.args.recordsFolder, QStringLiteral("/tmp/r"));
        QVERIFY(test.args.prompt);

        // Each subcommand's own help.
        for (const char* command : {"read", "check", "search", "bus", "test"}) {
            const QString text = CommandHelp(QString::fromLatin1(command));
            QVERIFY2(text.contains(
                         QStringLiteral("metertest-cli %1 ").arg(QString::fromLatin1(command))),
                     qPrintable(text));
        }

        const ParseResult help = ParseCliArgs({"read", "--port", "x", "--help"});
        QVERIFY(help.error.isEmpty());
        QCOMPARE(help.args.command, Command::Help);
        QCOMPARE(help.args.helpFor, QStringLiteral("read"));
    }

    void displayWidth_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("ascii") << "Uan" << 3;
        QTest::newRow("chinese") << "相电压Uan" << 9;
        QTest::newRow("full-width colon") << "：" << 2;
        QTest::newRow("empty") << "" << 0;
    }
    void displayWidth() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QCOMPARE(DisplayWidth(text), width);
    }

    // A reading with one field read and one not: the table aligns, CSV leaves
    // the cells empty, JSON says null; numbers are numbers.
    void formats() {
        Reading reading;
        reading.startedAt = QDateTime(QDate(2026, 12, 10), QTime(9, 0), QTimeZone(8 * 3600));
        reading.fields = {FieldReading{"UanT", "相电压Uan", "219.5", 219.5, "V"},
                          FieldReading{"FT", "Frequency", {}, {}, "Hz"}};
        reading.requests = {RequestOutcome{{}, AnswerCheck{AnswerOutcome::Accepted, 0}, 20},
                            RequestOutcome{{}, AnswerCheck{AnswerOutcome::NoAnswer, 0}, 500}};
        const ReadingContext context{"com3", "panel", 1, "一次"};

        const QStringList table =
            QString::fromUtf8(FormatReading(Format::Table, context, reading, true)).split('\n');
        QCOMPARE(table[0],
                 QStringLiteral("# 2026-12-10T09:00:00.000+08:00  com3  panel 1  一次  1/2"));
        QCOMPARE(table[1], QStringLiteral("相电压Uan  219.5 V"));
        QCOMPARE(table[2], QStringLiteral("Frequency  -     Hz"));

        const QStringList csv =
            QString::fromUtf8(FormatReading(Format::Csv, context, reading, true)).split("\r\n");
        QCOMPARE(csv[0], QStringLiteral("time,port,family,address,key,caption,text,value,unit"));
        QCOMPARE(csv[1],
                 QStringLiteral(
                     "2026-12-10T09:00:00.000+08:00,com3,panel,1,UanT,相电压Uan,219.5,219.5,V"));
        QCOMPARE(csv[2],
                 QStringLiteral("2026-12-10T09:00:00.000+08:00,com3,panel,1,FT,Frequency,,,Hz"));
        QVERIFY(!FormatReading(Format::Csv, context, reading, false).startsWith("time,"));

        const QByteArray line = FormatReading(Format::Json, context, reading, true);
        QVERIFY(line.endsWith('\n') && line.count('\n') == 1);
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        QCOMPARE(json["requests"].toInt(), 2);
        QCOMPARE(json["accepted"].toInt(), 1);
        QCOMPARE(json["mode"].toString(), QStringLiteral("一次"));
        const QJsonArray fields = json["fields"].toArray();
        QCOMPARE(fields[0].toObject()["value"].toDouble(), 219.5);
        QVERIFY(fields[1].toObject()["text"].isNull());
        QVERIFY(fields[1].toObject()["value"].isNull());
    }
};

QTEST_GUILESS_MAIN(TestCliArgs)
#include "tst_cliargs.moc"
