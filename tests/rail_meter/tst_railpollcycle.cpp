#include <QSignalSpy>
#include <QtTest>

#include "rail_meter/railpollcycle.h"
#include "rail_meter/railschedule.h"
#include "railanswers.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;
using mt::test::RegisterAnswer;

namespace {

// A correct answer of the length the request asks for, data bytes all `fill`.
QByteArray AnswerTo(const QByteArray& request, char fill = '\x01') {
    const int count = (static_cast<quint8>(request[4]) << 8) | static_cast<quint8>(request[5]);
    return RegisterAnswer(QByteArray(2 * count, fill));
}

// The cycle over a fake port with its own request parameters; records the
// block tag each accepted answer was judged with.
struct Bench {
    FakeSerialPort port;
    RecordingServices recorder;
    RequestParameters request;
    QString address = QStringLiteral("1");
    RailPollCycle cycle{port, recorder.services(), request, [this] { return address; }};
    QList<int> tagsSeen;
    QList<QByteArray> accepted;

    Bench() {
        QObject::connect(&cycle, &RailPollCycle::answerAccepted, &cycle,
                         [this](const QByteArray& answer) {
                             tagsSeen << cycle.BlockTag;
                             accepted << answer;
                         });
        (void)port.setPortNumber(1);
        (void)port.open();
    }
    // Every request gets its answer at once, whole.
    void answerEverything() {
        port.responder = [](const QByteArray& request) {
            return FakeSerialPort::Answer{{AnswerTo(request)}, 0};
        };
    }
};

QStringList Hex(const QList<QByteArray>& frames) {
    QStringList out;
    for (const QByteArray& f : frames) {
        out << QString::fromLatin1(f.toHex(' ').toUpper());
    }
    return out;
}

}  // namespace

class TestRailPollCycle : public QObject {
    Q_OBJECT

private slots:
    void oneTickSendsTheSchedule();
    void blockTagSeenByEachAnswer();
    void addressOfTheTick_data();
    void addressOfTheTick();
    void badAddressRecovers();
    void closedPortSendsNothing();
    void portClosedDuringPause_data();
    void portClosedDuringPause();
    void failedWriteEndsTick();
    void ticksDoNotNest();
    void answerDelivery_data();
    void answerDelivery();
    void lateAnswerTakesNextRequestsTag();
    void bufferStopsGrowing_data();
    void bufferStopsGrowing();
    void otherEventsAreIgnored();
};

void TestRailPollCycle::oneTickSendsTheSchedule() {
    Bench b;
    b.cycle.Tick();
    QCOMPARE(Hex(b.port.writes), QStringList({
                                     "01 04 00 46 00 17 51 D1",
                                     "01 04 00 5D 00 06 E1 DA",
                                     "01 04 04 00 00 03 B1 3B",
                                     "01 04 04 10 00 04 F1 3C",
                                     "01 04 04 20 00 04 F1 33",
                                     "01 04 20 00 00 0A 7B CD",
                                     "01 04 21 00 00 0A 7A 31",
                                     "01 04 22 00 00 0A 7A 75",
                                     "01 04 23 00 00 0A 7B 89",
                                     "01 04 24 00 00 0A 7A FD",
                                     "01 04 25 00 00 0A 7B 01",
                                 }));
    QCOMPARE(b.recorder.pauses, QList<int>(11, 200));
    // Each request: input emptied, then written, then the pause.
    const QStringList calls = b.port.calls.filter(QRegularExpression("^(clearInput|write)"));
    for (int i = 0; i < 11; ++i) {
        QCOMPARE(calls.value(2 * i), QStringLiteral("clearInput"));
        QVERIFY(calls.value(2 * i + 1).startsWith(QStringLiteral("write")));
    }
    QCOMPARE(b.cycle.BlockTag, std::int16_t{5});
    QCOMPARE(b.request.RegisterCount, std::int16_t{10});
    QCOMPARE(b.request.StartRegister, std::int16_t{9472});
    QCOMPARE(b.request.MeterAddress, std::string("1"));
}

void TestRailPollCycle::blockTagSeenByEachAnswer() {
    Bench b;
    b.answerEverything();
    b.cycle.Tick();
    QCOMPARE(b.accepted.size(), 11);
    QCOMPARE(b.tagsSeen, QList<int>({0, 0, 0, 6, 7, 0, 1, 2, 3, 4, 5}));
    b.tagsSeen.clear();
    b.cycle.Tick();
    QCOMPARE(b.tagsSeen, QList<int>({5, 5, 5, 6, 7, 0, 1, 2, 3, 4, 5}));
}

// The address text is taken once per tick; texts beyond 0..255 send nothing.
void TestRailPollCycle::addressOfTheTick_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("addressByte");  // -1: nothing sent
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("12") << "12" << 0x0C;
    QTest::newRow("247") << "247" << 247;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("letters give broadcast") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("leading blanks") << "  7" << 7;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("huge") << "1e9" << -1;
}

void TestRailPollCycle::addressOfTheTick() {
    QFETCH(QString, text);
    QFETCH(int, addressByte);
    Bench b;
    b.address = text;
    QSignalSpy checked(&b.cycle, &RailPollCycle::addressChecked);
    b.cycle.Tick();
    QCOMPARE(checked.size(), 1);
    QCOMPARE(checked.at(0).at(0).toBool(), addressByte >= 0);
    if (addressByte < 0) {
        QVERIFY(b.port.writes.isEmpty());
        QVERIFY(b.recorder.pauses.isEmpty());
        QVERIFY(b.recorder.messages.isEmpty());
        return;
    }
    QCOMPARE(b.port.writes.size(), 11);
    for (const QByteArray& frame : b.port.writes) {
        QCOMPARE(static_cast<quint8>(frame[0]), static_cast<quint8>(addressByte));
    }
}

void TestRailPollCycle::badAddressRecovers() {
    Bench b;
    QSignalSpy checked(&b.cycle, &RailPollCycle::addressChecked);
    b.address = QStringLiteral("300");
    b.cycle.Tick();
    QVERIFY(b.port.writes.isEmpty());
    b.address = QStringLiteral("3");
    b.cycle.Tick();
    QCOMPARE(b.port.writes.size(), 11);
    QCOMPARE(static_cast<int>(b.port.writes.first()[0]), 3);
    QCOMPARE(checked.size(), 2);
    QCOMPARE(checked.at(1).at(0).toBool(), true);
}

void TestRailPollCycle::closedPortSendsNothing() {
    Bench b;
    (void)b.port.close();
    b.address = QStringLiteral("9");
    b.cycle.Tick();
    QVERIFY(b.port.writes.isEmpty());
    QVERIFY(!b.port.calls.contains(QStringLiteral("clearInput")));
    QCOMPARE(b.request.MeterAddress, std::string("9"));  // copied even so
}

// A tick whose port is closed (or lost) while a pause runs events writes
// nothing more.
void TestRailPollCycle::portClosedDuringPause_data() {
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("lost");
    for (int pause : {0, 3, 5, 9, 10}) {
        QTest::addRow("closed in pause %d", pause) << pause << false;
        QTest::addRow("lost in pause %d", pause) << pause << true;
    }
}

void TestRailPollCycle::portClosedDuringPause() {
    QFETCH(int, pause);
    QFETCH(bool, lost);
    Bench b;
    b.recorder.duringPause = [&](int index) {
        if (index == pause) {
            lost ? b.port.loseDevice() : (void)b.port.close();
        }
    };
    b.cycle.Tick();
    QCOMPARE(b.port.writes.size(), pause + 1);
    QCOMPARE(b.port.calls.filter(QStringLiteral("write")).size(), pause + 1);
    QVERIFY(!b.cycle.isTicking());
}

void TestRailPollCycle::failedWriteEndsTick() {
    Bench b;
    b.port.failWrite = PortError{PortError::Kind::DeviceLost, QStringLiteral("gone")};
    b.cycle.Tick();
    QCOMPARE(b.port.calls.filter(QStringLiteral("write")).size(), 1);
    QVERIFY(b.recorder.pauses.isEmpty());
    b.port.failWrite.reset();
    b.cycle.Tick();  // the next tick runs normally
    QCOMPARE(b.port.writes.size(), 11);
}

void TestRailPollCycle::ticksDoNotNest() {
    Bench b;
    b.answerEverything();
    b.recorder.duringPause = [&](int index) {
        if (index == 2) {
            b.address = QStringLiteral("2");
            b.cycle.Tick();  // the timer fires again inside the pause
        }
    };
    b.cycle.Tick();
    QCOMPARE(b.port.writes.size(), 11);
    for (const QByteArray& frame : b.port.writes) {
        QCOMPARE(static_cast<int>(frame[0]), 1);  // the tick keeps its address
    }
    QCOMPARE(b.tagsSeen, QList<int>({0, 0, 0, 6, 7, 0, 1, 2, 3, 4, 5}));
}

// How the answer to the first read (51 bytes) reaches the cycle, and how
// often it is handed on.
void TestRailPollCycle::answerDelivery_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("acceptedCount");

    const QByteArray answer = RegisterAnswer(QByteArray(46, '\x02'));
    QByteArray badCrc = answer;
    badCrc[badCrc.size() - 1] = static_cast<char>(badCrc.back() ^ 0x01);
    QByteArray swappedCrc = answer;
    std::swap(swappedCrc[swappedCrc.size() - 1], swappedCrc[swappedCrc.size() - 2]);

    QTest::newRow("whole") << QList<QByteArray>{answer} << 1;
    QTest::newRow("20 + 31") << QList<QByteArray>{answer.left(20), answer.mid(20)} << 1;
    QTest::newRow("1 + 50") << QList<QByteArray>{answer.left(1), answer.mid(1)} << 1;
    QTest::newRow("2 + 49") << QList<QByteArray>{answer.left(2), answer.mid(2)} << 1;
    QTest::newRow("50 + 1") << QList<QByteArray>{answer.left(50), answer.mid(50)} << 1;
    QList<QByteArray> bytewise;
    for (char c : answer) {
        bytewise << QByteArray(1, c);
    }
    QTest::newRow("byte by byte") << bytewise << 1;
    QTest::newRow("wrong CRC") << QList<QByteArray>{badCrc} << 0;
    QTest::newRow("swapped CRC") << QList<QByteArray>{swappedCrc} << 0;
    QTest::newRow("exception answer")
        << QList<QByteArray>{mt::test::WithCrc(QByteArray::fromHex("018402"))} << 0;
    QTest::newRow("noise ahead") << QList<QByteArray>{QByteArray(1, '\0'), answer} << 0;
    QTest::newRow("one byte short") << QList<QByteArray>{answer.left(50)} << 0;
    QTest::newRow("one byte extra") << QList<QByteArray>{answer + QByteArray(1, '\0')} << 0;
    QTest::newRow("function 3") << QList<QByteArray>{RegisterAnswer(QByteArray(46, '\x02'), 3)}
                                << 1;
}

void TestRailPollCycle::answerDelivery() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, acceptedCount);
    Bench b;
    b.port.responder = [&](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
        if (request[3] == 0x46) {
            return FakeSerialPort::Answer{chunks, 0};
        }
        return std::nullopt;
    };
    b.cycle.Tick();
    QCOMPARE(b.accepted.size(), acceptedCount);
    if (acceptedCount > 0) {
        QCOMPARE(b.accepted.first(), chunks.join());
    }
}

// An answer arriving after the next request went out is judged against that
// request: the voltage-demand answer is taken for the current demand, and the
// answer that follows it into the buffer is dropped.
void TestRailPollCycle::lateAnswerTakesNextRequestsTag() {
    Bench b;
    b.port.responder = [](const QByteArray& request) {
        const bool voltageDemand = request[2] == 0x04 && request[3] == 0x10;
        return FakeSerialPort::Answer{{AnswerTo(request, voltageDemand ? '\x06' : '\x01')},
                                      voltageDemand ? 1 : 0};
    };
    b.cycle.Tick();
    QCOMPARE(b.tagsSeen, QList<int>({0, 0, 0, 7, 0, 1, 2, 3, 4, 5}));
    QCOMPARE(b.accepted.at(3), RegisterAnswer(QByteArray(8, '\x06')));

    // A late answer after a request of another length is dropped, and so is
    // the answer it pushes ahead of (both reads are missed for this tick).
    Bench c;
    c.port.responder = [](const QByteArray& request) {
        const bool clearTime = request[2] == 0x04 && request[3] == 0x00;
        return FakeSerialPort::Answer{{AnswerTo(request)}, clearTime ? 1 : 0};
    };
    c.cycle.Tick();
    QCOMPARE(c.tagsSeen, QList<int>({0, 0, 7, 0, 1, 2, 3, 4, 5}));
}

// Bytes nobody asked for, while idle or while a tick runs, never make the
// buffer longer than one byte past the longest answer still acceptable.
void TestRailPollCycle::bufferStopsGrowing_data() {
    QTest::addColumn<int>("registerCount");
    QTest::addColumn<int>("chunkSize");
    QTest::newRow("idle, before any tick") << 0 << 1;
    QTest::newRow("idle, big chunks") << 0 << 4096;
    QTest::newRow("after a tick") << 10 << 7;
    QTest::newRow("longest read") << 23 << 3;
}

void TestRailPollCycle::bufferStopsGrowing() {
    QFETCH(int, registerCount);
    QFETCH(int, chunkSize);
    Bench b;
    b.request.RegisterCount = static_cast<std::int16_t>(registerCount);
    const qsizetype limit = std::max<qsizetype>(2 * registerCount + 5, 6);
    QCOMPARE(b.cycle.answerLimit(), limit);
    for (int i = 0; i < 2000; ++i) {
        b.port.deliverNow(QByteArray(chunkSize, static_cast<char>(i)));
        QVERIFY(b.cycle.AnswerBuffer.size() <= limit + 1);
        QCOMPARE(b.port.bytesWaiting(), 0);  // the port is drained every time
    }
    QVERIFY(b.accepted.isEmpty());

    // The next request starts afresh.
    b.answerEverything();
    b.cycle.Tick();
    QCOMPARE(b.accepted.size(), 11);
}

void TestRailPollCycle::otherEventsAreIgnored() {
    Bench b;
    b.port.input = RegisterAnswer(QByteArray(46, '\x02'));
    b.request.RegisterCount = 23;
    b.port.emitOtherEvent();
    QVERIFY(!b.port.calls.contains(QStringLiteral("read")));
    QVERIFY(b.cycle.AnswerBuffer.isEmpty());
    QVERIFY(b.accepted.isEmpty());
}

QTEST_GUILESS_MAIN(TestRailPollCycle)
#include "tst_railpollcycle.moc"
