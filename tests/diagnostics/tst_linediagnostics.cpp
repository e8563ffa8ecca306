// SPDX-License-Identifier: GPL-3.0-or-later
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "acquisition/outcomes.h"
#include "diagnostics/linediagnostics.h"
#include "diagnostics/trafficwindow.h"
#include "link/answercheck.h"
#include "support/answers.h"

using namespace mt;
using namespace mt::test;

Q_DECLARE_METATYPE(mt::AnswerOutcome)

namespace {

RequestRecord Record(AnswerOutcome outcome, qint64 responseMs = 20, std::uint8_t code = 0) {
    RequestRecord record;
    record.check = {outcome, code};
    record.responseMs = outcome == AnswerOutcome::NoAnswer ? -1 : responseMs;
    return record;
}

// A shorthand for outcomes: a accepted, n no answer, c bad CRC, e2 exception
// with code 2, m malformed, l late; L300 is no record but the answer to the
// request before, recognised late after a turnaround of 300 ms.
void Play(LineDiagnostics& diagnostics, const QString& script) {
    QList<RequestRecord> records;
    quint64 played = 0;
    const auto flush = [&] {
        for (; played < static_cast<quint64>(records.size()); ++played) {
            records[played].number = played + 1;
            diagnostics.add(records[played]);
        }
    };
    for (const QString& token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        switch (token.at(0).toLatin1()) {
            case 'a':
                records << Record(AnswerOutcome::Accepted);
                break;
            case 'n':
                records << Record(AnswerOutcome::NoAnswer);
                break;
            case 'c':
                records << Record(AnswerOutcome::BadCrc);
                break;
            case 'e':
                records << Record(AnswerOutcome::Exception, 20,
                                  static_cast<std::uint8_t>(token.mid(1).toInt(nullptr, 16)));
                break;
            case 'm':
                records << Record(AnswerOutcome::Malformed);
                break;
            case 'l':
                records << Record(AnswerOutcome::Late);
                break;
            case 'L':
                flush();
                diagnostics.addLate({played, token.mid(1).toLongLong()});
                break;
            default:
                break;
        }
    }
    flush();
}

}  // namespace

class TestLineDiagnostics : public QObject {
    Q_OBJECT

private slots:
    // What the collected bytes of a request amount to, for every shape.
    void outcomes_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("count");
        QTest::addColumn<AnswerOutcome>("outcome");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("answerStart");  // what came could be the start of the answer
        const QByteArray good = RegisterAnswer(QByteArray(46, '\x02'));
        QByteArray badCrc = good;
        badCrc[50] = char(badCrc[50] ^ 0x40);
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("good") << QList<QByteArray>{good} << 4 << 23 << AnswerOutcome::Accepted << 0 << false;
        row("good, split") << QList<QByteArray>{good.left(20), good.mid(20)} << 4 << 23
                           << AnswerOutcome::Accepted << 0 << false;
        row("coils") << QList<QByteArray>{SwitchAnswer(1, 0x05)} << 1 << 4
                     << AnswerOutcome::Accepted << 0 << false;
        row("nothing at all") << QList<QByteArray>{} << 4 << 23 << AnswerOutcome::NoAnswer << 0
                              << false;
        row("short") << QList<QByteArray>{good.left(30)} << 4 << 23 << AnswerOutcome::Malformed << 0
                     << true;
        row("short, wrong byte count")
            << QList<QByteArray>{RegisterAnswer(QByteArray(12, '\x02')).left(8)} << 4 << 23
            << AnswerOutcome::Malformed << 0 << false;
        row("long") << QList<QByteArray>{good + QByteArray(1, '\0')} << 4 << 23
                    << AnswerOutcome::Malformed << 0 << false;
        row("garbage before") << QList<QByteArray>{Hex("55AA") + good} << 4 << 23
                              << AnswerOutcome::Malformed << 0 << false;
        row("noise after") << QList<QByteArray>{good + Hex("FF00FF00")} << 4 << 23
                           << AnswerOutcome::Malformed << 0 << false;
        row("bad CRC") << QList<QByteArray>{badCrc} << 4 << 23 << AnswerOutcome::BadCrc << 0
                       << false;
        row("bad CRC on coils") << QList<QByteArray>{SwitchAnswer(2, 0x01).left(5) +
                                                     QByteArray(1, '\0')}
                                << 2 << 4 << AnswerOutcome::BadCrc << 0 << false;
        for (int code : {1, 2, 3, 4, 5, 6, 8, 10, 11}) {
            QTest::addRow("exception %02X", code)
                << QList<QByteArray>{WithCrc(QByteArray("\x01\x84", 2) + char(code))} << 4 << 23
                << AnswerOutcome::Exception << code << false;
        }
        row("exception, split 2 + 3")
            << QList<QByteArray>{WithCrc(Hex("018402")).left(2), WithCrc(Hex("018402")).mid(2)} << 4
            << 23 << AnswerOutcome::Exception << 2 << false;
        row("exception to another function") << QList<QByteArray>{WithCrc(Hex("018302"))} << 4 << 23
                                             << AnswerOutcome::Malformed << 0 << false;
        row("exception, bad CRC") << QList<QByteArray>{WithCrc(Hex("018402")).left(4) +
                                                       QByteArray(1, '\0')}
                                  << 4 << 23 << AnswerOutcome::Malformed << 0 << false;
        row("start of an exception")
            << QList<QByteArray>{Hex("0184")} << 4 << 23 << AnswerOutcome::Malformed << 0 << true;
    }
    void outcomes() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(int, function);
        QFETCH(int, count);
        QFETCH(AnswerOutcome, outcome);
        QFETCH(int, code);
        QFETCH(bool, answerStart);
        const QByteArray all = chunks.join();
        const auto fn = static_cast<std::int16_t>(function);
        const auto n = static_cast<std::int16_t>(count);
        QCOMPARE(CheckAnswer(BytesOf(all), fn, n),
                 (AnswerCheck{outcome, static_cast<std::uint8_t>(code)}));
        QCOMPARE(IsAnswerStart(BytesOf(all), fn, n), answerStart);
    }

    // A complete answer at the start of the bytes, told by its length.
    void leadingAnswer_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length");
        const QByteArray demand = RegisterAnswer(QByteArray(8, '\x06'));
        QTest::newRow("answer then more") << demand + RegisterAnswer(QByteArray(20, '\1')) << 13;
        QTest::newRow("exception then more") << WithCrc(Hex("018402")) + demand << 5;
        QTest::newRow("answer alone") << demand << 13;
        QTest::newRow("part of one") << demand.left(12) << 0;
        QTest::newRow("garbage first") << Hex("00") + demand << 0;
        QTest::newRow("nothing") << QByteArray() << 0;
    }
    void leadingAnswer() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QCOMPARE(int(LeadingAnswerLength(BytesOf(bytes), 4, 4)), length);
    }

    // The counters and the hint after a run of outcomes.
    void countsAndHint_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QList<int>>("counts");  // requests, ok, none, CRC, exception, format, late
        QTest::addColumn<QString>("hint");
        const QString crc = LineDiagnostics::crcHint();
        QTest::newRow("all good") << "a a a" << QList<int>{3, 3, 0, 0, 0, 0, 0} << "";
        QTest::newRow("two silent") << "a n n" << QList<int>{3, 1, 2, 0, 0, 0, 0} << "";
        QTest::newRow("three silent")
            << "n n n" << QList<int>{3, 0, 3, 0, 0, 0, 0} << LineDiagnostics::noAnswerHint();
        QTest::newRow("silence broken by an answer")
            << "n n n n a" << QList<int>{5, 1, 4, 0, 0, 0, 0} << "";
        QTest::newRow("exception 02") << "a e02" << QList<int>{2, 1, 0, 0, 1, 0, 0}
                                      << "仪表异常应答（代码 02）：非法数据地址";
        // A gateway's own exceptions say where to look, not just a number.
        QTest::newRow("exception 0A")
            << "a e0A" << QList<int>{2, 1, 0, 0, 1, 0, 0} << LineDiagnostics::gatewayPathHint();
        QTest::newRow("exception 0B")
            << "e0B" << QList<int>{1, 0, 0, 0, 1, 0, 0} << LineDiagnostics::gatewayTargetHint();
        QTest::newRow("unknown exception") << "e7F" << QList<int>{1, 0, 0, 0, 1, 0, 0}
                                           << "仪表异常应答（代码 7F）：未知的异常代码";
        QTest::newRow("most fail the CRC") << "c a c c" << QList<int>{4, 1, 0, 3, 0, 0, 0} << crc;
        QTest::newRow("some fail the CRC")
            << "c a a a c a a" << QList<int>{7, 5, 0, 2, 0, 0, 0} << "";
        QTest::newRow("most malformed")
            << "m m m" << QList<int>{3, 0, 0, 0, 0, 3, 0} << LineDiagnostics::malformedHint();
        QTest::newRow("late answers")
            << "l a l" << QList<int>{3, 1, 0, 0, 0, 0, 2} << LineDiagnostics::lateAnswersHint();
        QTest::newRow("an answer that came in the next window")
            << "n L300 n" << QList<int>{2, 0, 1, 0, 0, 0, 1} << "";
        // A meter slower than the screen's wait: every answer comes in the
        // next window, and after three the hint names the turnaround.
        QTest::newRow("slow meter, two late")
            << "n L310 n L290 n" << QList<int>{3, 0, 1, 0, 0, 0, 2}
            << LineDiagnostics::lateAnswersHint();
        QTest::newRow("slow meter, named")
            << "n L310 n L290 n L305 n" << QList<int>{4, 0, 1, 0, 0, 0, 3}
            << "仪表应答约 310 ms，超过本画面 200 ms 的等待：应答被算作迟到。"
               "请提高波特率，或减小仪表自身的应答延时设置";
        QTest::newRow("a late answer is not silence")
            << "n L300 n L300 n L300 n" << QList<int>{4, 0, 1, 0, 0, 0, 3}
            << "仪表应答约 300 ms，超过本画面 200 ms 的等待：应答被算作迟到。"
               "请提高波特率，或减小仪表自身的应答延时设置";
        // What a slow meter really gives on a screen of several reads: its
        // answers come one window late, those as long as the next request's
        // answer are taken for it, others are cut by the end of a window.
        const QString slow300 = QStringLiteral(
            "仪表应答约 300 ms，超过本画面 200 ms 的等待：应答被算作迟到。"
            "请提高波特率，或减小仪表自身的应答延时设置");
        QTest::newRow("slow meter among taken answers")
            << "n L362 n L276 n L304 n a n a a a a a n" << QList<int>{12, 6, 3, 0, 0, 0, 3}
            << slow300;
        QTest::newRow("slow meter among cut and garbled answers")
            << "n L300 m n L290 c n L310 m a a" << QList<int>{8, 2, 0, 1, 0, 2, 3} << slow300;
        QTest::newRow("slow meter named through an exception")
            << "n L300 n L300 n L300 n e04 a a" << QList<int>{7, 2, 1, 0, 1, 0, 3} << slow300;
        QTest::newRow("slow meter until the line looks fine")
            << "n L300 n L300 n L300 a a a a a a a a a a" << QList<int>{13, 10, 0, 0, 0, 0, 3}
            << "";
        QTest::newRow("slow meter, nine good answers are not enough")
            << "n L300 n L300 n L300 a a a a a a a a a" << QList<int>{12, 9, 0, 0, 0, 0, 3}
            << slow300;
        QTest::newRow("slow meter that falls silent")
            << "n L300 n L300 n L300 n n n" << QList<int>{6, 0, 3, 0, 0, 0, 3}
            << LineDiagnostics::noAnswerHint();
        QTest::newRow("silent, then slow again")
            << "n L300 n L300 n L300 n n n n L300 n L300 n L300 n"
            << QList<int>{10, 0, 4, 0, 0, 0, 6} << slow300;
        QTest::newRow("turnarounds that disagree name no meter")
            << "n L300 n L900 n L1500 n" << QList<int>{4, 0, 1, 0, 0, 0, 3}
            << LineDiagnostics::lateAnswersHint();
        QTest::newRow("turnarounds within the wait name no meter")
            << "n L90 n L95 n L90 n a" << QList<int>{5, 1, 1, 0, 0, 0, 3} << "";
        QTest::newRow("a late answer to a request long gone is not counted")
            << "n a a a a a a a a a a L300" << QList<int>{11, 10, 1, 0, 0, 0, 0} << "";
        QTest::newRow("a late answer to an answered request changes nothing")
            << "a L300" << QList<int>{1, 1, 0, 0, 0, 0, 0} << "";
        QTest::newRow("the hint stays until a correct answer")
            << "c c c m" << QList<int>{4, 0, 0, 3, 0, 1, 0} << crc;
    }
    void countsAndHint() {
        QFETCH(QString, script);
        QFETCH(QList<int>, counts);
        QFETCH(QString, hint);
        LineDiagnostics diagnostics;
        diagnostics.setAnswerWindowMs(200);
        Play(diagnostics, script);
        const LineCounts& c = diagnostics.counts();
        QCOMPARE((QList<qint64>{c.requests, c.accepted, c.noAnswer, c.badCrc, c.exceptions,
                                c.malformed, c.late}),
                 QList<qint64>(counts.begin(), counts.end()));
        QCOMPARE(diagnostics.hint(), hint);
    }

    // Response times: the last and the average of the answers that came;
    // the counters start again only when asked.
    void responseTimesAndReset() {
        LineDiagnostics diagnostics;
        QSignalSpy changed(&diagnostics, &LineDiagnostics::countsChanged);
        diagnostics.add(Record(AnswerOutcome::Accepted, 10));
        diagnostics.add(Record(AnswerOutcome::NoAnswer));
        diagnostics.add(Record(AnswerOutcome::Accepted, 31));
        QCOMPARE(diagnostics.counts().lastResponseMs, 31);
        QCOMPARE(diagnostics.counts().averageResponseMs(), 21);
        QCOMPARE(changed.size(), 3);
        const QDateTime before = diagnostics.counts().since;
        QTest::qWait(5);
        diagnostics.reset();
        QCOMPARE(diagnostics.counts().requests, 0);
        QCOMPARE(diagnostics.counts().averageResponseMs(), -1);
        QVERIFY(diagnostics.counts().since > before);
        QVERIFY(CountsText(diagnostics.counts()).contains(QStringLiteral("响应 -/- ms")));
    }

    // The traffic model keeps the newest frames in order, counts what it
    // dropped, and an append changes one row at each end, never the whole.
    void trafficModelIsBounded() {
        TrafficModel model(100);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        for (int i = 0; i < 250; ++i) {
            model.append({QDateTime::currentDateTime(),
                          TrafficFrame::Direction::Sent,
                          QByteArray(1, char(i)),
                          {},
                          -1});
        }
        QCOMPARE(model.rowCount(), 100);
        QCOMPARE(model.dropped(), 150);
        for (int row = 0; row < 100; ++row) {
            QCOMPARE(model.frame(row).bytes, QByteArray(1, char(150 + row)));
        }
        QCOMPARE(inserted.size(), 250);
        QCOMPARE(removed.size(), 150);
        QCOMPARE(reset.size(), 0);
        for (const QList<QVariant>& args : removed) {
            QCOMPARE(args.at(1).toInt(), 0);  // always the oldest row alone
            QCOMPARE(args.at(2).toInt(), 0);
        }
        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.dropped(), 0);
    }

    // The rows a request gives: what went out, then what came back.
    void trafficRows() {
        RequestRecord record;
        record.sent = Hex("01040046001751D1");
        record.sentAt = QDateTime(QDate(2026, 12, 8), QTime(10, 2, 3, 45));
        record.received = WithCrc(Hex("018404"));
        record.lastByteAt = QDateTime(QDate(2026, 12, 8), QTime(10, 2, 3, 97));
        record.responseMs = 52;
        record.check = {AnswerOutcome::Exception, 4};
        TrafficModel model;
        model.append(SentFrame(record));
        model.append(ReceivedFrame(record));
        QCOMPARE(model.rowCells(0).join(QLatin1Char('\t')),
                 QStringLiteral("10:02:03.045\t发送\t01 04 00 46 00 17 51 D1\t\t"));
        QCOMPARE(model.rowCells(1).join(QLatin1Char(',')),
                 QStringLiteral("10:02:03.097,接收,01 84 04 42 C3,异常应答 04 从站设备故障,52"));
        record.received.clear();
        record.responseMs = -1;
        record.check = {AnswerOutcome::NoAnswer, 0};
        model.append(ReceivedFrame(record));
        QCOMPARE(model.rowCells(2).mid(1).join(QLatin1Char('\t')),
                 QStringLiteral("接收\t（无）\t无应答\t"));
    }

    // The window: pause holds frames back, clear empties, copy and save give
    // the rows; it follows the newest frame unless scrolled up; a monitor's
    // tick holds updates until it ends.
    void trafficWindow() {
        TrafficWindow window(QStringLiteral("导轨式电力仪表"));
        window.resize(600, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto add = [&](int count) {
            for (int i = 0; i < count; ++i) {
                window.addFrame({QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0, i)),
                                 TrafficFrame::Direction::Sent,
                                 QByteArray(1, char(i)),
                                 {},
                                 -1});
            }
            QCoreApplication::processEvents();
        };
        add(200);
        QCOMPARE(window.model().rowCount(), 200);
        QScrollBar* bar = window.view()->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());  // follows the newest
        bar->setValue(0);                        // the user scrolls up
        add(5);
        QCOMPARE(bar->value(), 0);

        window.setPaused(true);
        add(7);
        QCOMPARE(window.model().rowCount(), 205);
        window.setPaused(false);

        window.holdUpdates(true);
        add(3);
        QCOMPARE(window.model().rowCount(), 205);
        window.holdUpdates(false);
        QCoreApplication::processEvents();
        QCOMPARE(window.model().rowCount(), 208);

        window.view()->selectRow(1);
        QCOMPARE(window.selectedText(), QStringLiteral("09:00:00.001\t发送\t01\t\t"));

        QTemporaryDir dir;
        QString failure;
        QVERIFY(window.saveTo(dir.filePath("traffic.csv"), &failure));
        QFile csv(dir.filePath("traffic.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray text = csv.readAll();
        QVERIFY(text.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(text.count("\r\n"), 209);  // header and rows
        QVERIFY(window.saveTo(dir.filePath("traffic.txt"), &failure));
        QVERIFY(!window.saveTo(dir.filePath("no/such/folder/traffic.txt"), &failure));
        QVERIFY(!failure.isEmpty());

        window.clear();
        QCOMPARE(window.model().rowCount(), 0);
    }
};

QTEST_MAIN(TestLineDiagnostics)
#include "tst_linediagnostics.moc"
