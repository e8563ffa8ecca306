// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator driver's readers and the pairing of answers with requests,
// which the end-to-end tests and the soak build their verdicts on.

#include <QtTest>

#include "drive/simdriver.h"
#include "link/crc16.h"
#include "support/answers.h"

using namespace mt;
using namespace mt::drive;
using mt::test::WithCrc;

namespace {

QByteArray Read(int address, int function, int start, int count) {
    return WithCrc(QByteArray::fromHex(QStringLiteral("%1%2%3%4")
                                           .arg(address, 2, 16, QLatin1Char('0'))
                                           .arg(function, 2, 16, QLatin1Char('0'))
                                           .arg(start, 4, 16, QLatin1Char('0'))
                                           .arg(count, 4, 16, QLatin1Char('0'))
                                           .toLatin1()));
}

// A coil or register answer to `request`, with one made-up data byte pattern.
QByteArray AnswerTo(const QByteArray& request) {
    const int function = static_cast<std::uint8_t>(request[1]);
    const int count = static_cast<std::uint8_t>(request[5]);
    const int data = function <= 2 ? 1 : 2 * count;
    QByteArray frame = request.left(2);
    frame.append(static_cast<char>(data));
    frame.append(QByteArray(data, '\x5A'));
    return WithCrc(frame);
}

// What a simulator with `plan` would log for `requests`: every request, and
// an answer (after `garbage` when decided) for each one it takes as its own
// and does not drop.
QList<SimLogLine> AnswerLog(const QList<SimLogLine>& requests, const SimPlan& plan) {
    QList<SimLogLine> answers;
    std::uint64_t number = 0;
    for (const SimLogLine& request : requests) {
        if (static_cast<std::uint8_t>(request.bytes[0]) != plan.address ||
            WithCrc(request.bytes.left(6)) != request.bytes) {
            continue;
        }
        const FaultDecision decision = plan.plan().Decide(number++);
        if (decision.drop) {
            continue;
        }
        QByteArray sent = AnswerTo(request.bytes);
        if (decision.garbage) {
            sent.prepend(QByteArray(plan.faults.garbageBytes, '\xEE'));
        }
        answers << SimLogLine{request.ms + 3, sent};
    }
    return answers;
}

}  // namespace

class TestSimDriver : public QObject {
    Q_OBJECT

private slots:
    void readsLogLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("bad");
        QTest::addColumn<QByteArray>("lastBytes");
        QTest::newRow("two requests")
            << QByteArray("100 01 04 00 0A\n350 01 01\n") << 2 << 0 << QByteArray("\x01\x01", 2);
        QTest::newRow("blank lines") << QByteArray("\n7 FF\n\n") << 1 << 0 << QByteArray("\xFF");
        QTest::newRow("time only") << QByteArray("12\n") << 1 << 0 << QByteArray();
        QTest::newRow("not hex") << QByteArray("5 0G\n6 01\n") << 1 << 1 << QByteArray("\x01");
        QTest::newRow("three digits") << QByteArray("5 100\n") << 0 << 1 << QByteArray();
        QTest::newRow("no time") << QByteArray("x 01\n") << 0 << 1 << QByteArray();
    }
    void readsLogLines() {
        QFETCH(QByteArray, text);
        QFETCH(int, lines);
        QFETCH(int, bad);
        QFETCH(QByteArray, lastBytes);
        int badLines = -1;
        const QList<SimLogLine> log = ParseSimLog(text, &badLines);
        QCOMPARE(log.size(), lines);
        QCOMPARE(badLines, bad);
        if (lines > 0) {
            QCOMPARE(log.last().bytes, lastBytes);
        }
    }

    // A line still being written when the file is read is not taken.
    void readsOnlyFinishedLines() {
        QTemporaryDir dir;
        QFile file(dir.filePath("log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("10 01 02\n20 01 0");
        file.close();
        int bad = -1;
        const QList<SimLogLine> log = ReadSimLog(file.fileName(), &bad);
        QCOMPARE(log, (QList<SimLogLine>{{10, QByteArray("\x01\x02", 2)}}));
        QCOMPARE(bad, 0);
        QVERIFY(ReadSimLog(dir.filePath("missing")).isEmpty());
    }

    void readsTheRegisterDump() {
        const SimDump dump = ParseSimDump(
            "10\tUan\t435DA305\t221.6368 V\n"
            "1024\tEPP0Time\t170907151100\t17,09,07,15,11,00\n"
            "coil 0\t0\ncoil 1\t1\ninput 3\t1\n"
            "garbage line\n");
        QCOMPARE(dump.registers.size(), 2);
        QVERIFY(dump.find(10));
        QCOMPARE(dump.find(10)->contents, QByteArray("435DA305"));
        QCOMPARE(dump.find(10)->value, QStringLiteral("221.6368 V"));
        QCOMPARE(dump.find(1024)->value, QStringLiteral("17,09,07,15,11,00"));
        QVERIFY(!dump.find(12));
        QCOMPARE(dump.coils, (QMap<int, bool>{{0, false}, {1, true}}));
        QCOMPARE(dump.inputs, (QMap<int, bool>{{3, true}}));
    }

    void plansFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("known");
        QTest::newRow("seed and faults")
            << QStringList{"--seed", "5", "--fault-drop", "0.5", "--address", "7"} << true;
        QTest::newRow("no seed") << QStringList{"--fault-drop", "0.5"} << false;
        QTest::newRow("bad option") << QStringList{"--seed", "5", "--fault-drop", "2"} << false;
    }
    void plansFromTheCommandLine() {
        QFETCH(QStringList, options);
        QFETCH(bool, known);
        const auto plan = PlanOf(options);
        QCOMPARE(plan.has_value(), known);
        if (plan) {
            QCOMPARE(plan->seed, std::uint64_t{5});
            QCOMPARE(plan->address, std::uint8_t{7});
            QCOMPARE(plan->faults.dropRate, 0.5);
        }
    }

    // Requests of other meters and broken ones get no answer number, so the
    // answers after them still find their own requests; dropped answers
    // leave their request without one; garbage is taken off the frame.
    void pairsAnswersWithTheirRequests_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QByteArray>>("requests");
        QList<QByteArray> tick;
        for (int i = 0; i < 6; ++i) {
            tick << Read(1, 4, 10 + 2 * i, 2) << Read(1, 1, 0, 4);
        }
        QList<QByteArray> mixed = tick;
        mixed.insert(3, Read(9, 4, 10, 2));                      // another meter
        mixed.insert(6, Read(0, 4, 10, 2));                      // broadcast
        mixed.insert(8, Read(1, 4, 10, 2).chopped(1) + "\x00");  // bad CRC
        QTest::newRow("clean") << QStringList{"--seed", "1"} << tick;
        QTest::newRow("drops") << QStringList{"--seed", "2", "--fault-drop", "0.5"} << tick;
        QTest::newRow("garbage") << QStringList{"--seed",          "3", "--fault-garbage", "0.5",
                                                "--garbage-bytes", "3"}
                                 << tick;
        QTest::newRow("requests the meter ignores")
            << QStringList{"--seed", "4", "--fault-drop", "0.3"} << mixed;
    }
    void pairsAnswersWithTheirRequests() {
        QFETCH(QStringList, options);
        QFETCH(QList<QByteArray>, requests);
        const auto plan = PlanOf(options);
        QVERIFY(plan);
        QList<SimLogLine> requestLog;
        for (qsizetype i = 0; i < requests.size(); ++i) {
            requestLog << SimLogLine{100 * i, requests[i]};
        }
        const QList<SimLogLine> answerLog = AnswerLog(requestLog, *plan);
        QString failure;
        const auto exchanges = PairExchanges(requestLog, answerLog, *plan, &failure);
        QVERIFY2(exchanges, qPrintable(failure));
        QCOMPARE(exchanges->size(), requests.size());
        int sent = 0;
        for (const SimExchange& exchange : *exchanges) {
            const bool own = exchange.request.bytes[0] == '\x01' &&
                             WithCrc(exchange.request.bytes.left(6)) == exchange.request.bytes;
            QCOMPARE(exchange.answered, own);
            QCOMPARE(exchange.sent.has_value(), own && !exchange.faults.drop);
            if (exchange.sent) {
                ++sent;
                QCOMPARE(exchange.frame, AnswerTo(exchange.request.bytes));
                QCOMPARE(exchange.sent->ms, exchange.request.ms + 3);
            }
        }
        QCOMPARE(sent, answerLog.size());
    }

    void refusesLogsThatDoNotFit_data() {
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QString>("why");
        QTest::newRow("answer left over")
            << QList<QByteArray>{AnswerTo(Read(1, 4, 10, 2)), AnswerTo(Read(1, 4, 10, 2))}
            << "left over";
        QTest::newRow("another function")
            << QList<QByteArray>{AnswerTo(Read(1, 2, 0, 4))} << "does not fit";
        QTest::newRow("another address")
            << QList<QByteArray>{AnswerTo(Read(2, 4, 10, 2))} << "does not fit";
    }
    void refusesLogsThatDoNotFit() {
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QString, why);
        QList<SimLogLine> answerLog;
        for (const QByteArray& answer : answers) {
            answerLog << SimLogLine{5, answer};
        }
        QString failure;
        const auto exchanges = PairExchanges({SimLogLine{1, Read(1, 4, 10, 2)}}, answerLog,
                                             *PlanOf({"--seed", "1"}), &failure);
        QVERIFY(!exchanges);
        QVERIFY2(failure.contains(why), qPrintable(failure));
    }

    // An exception answer belongs to its request like any other.
    void exceptionAnswersPair() {
        const QByteArray request = Read(1, 4, 10, 2);
        const QByteArray exception = WithCrc(QByteArray::fromHex("018404"));
        const auto exchanges = PairExchanges({SimLogLine{1, request}}, {SimLogLine{2, exception}},
                                             *PlanOf({"--seed", "1"}), nullptr);
        QVERIFY(exchanges);
        QCOMPARE(exchanges->front().frame, exception);
    }

    void lineFreeTimeCoversSplitAndNoise() {
        auto plan = *PlanOf({"--seed", "1", "--baud", "9600"});
        const QList<SimLogLine> answers{{1000, QByteArray(53, 'x')}, {400, QByteArray(6, 'y')}};
        // A byte of 11 bits takes 1146 us at 9600 baud.
        QCOMPARE(plan.lineFreeMs(answers), qint64{1000 + 53 * 1146 / 1000 + 1});
        plan.faults.splitRate = 0.1;
        plan.faults.noiseRate = 0.1;
        // Split gap 100 ms; noise 20 ms after the answer, 16 bytes.
        QCOMPARE(plan.lineFreeMs(answers),
                 qint64{1000 + (53 * 1146 + 100000 + 20000 + 16 * 1146) / 1000 + 1});
        QCOMPARE(plan.lineFreeMs({}), qint64{0});
    }
};

QTEST_GUILESS_MAIN(TestSimDriver)
#include "tst_simdriver.moc"
