#include <QtTest>

#include "link/request.h"
#include "meteranswers.h"
#include "panel_meter/panelpoller.h"
#include "scriptedmeter.h"
#include "support/recordingservices.h"

using namespace mt;
using namespace mt::test;

namespace {

// The poller with its screen replaced by recorders.
struct Rig {
    FakeSerialPort port;
    RecordingServices rec;
    RequestParameters request;
    ScriptedMeter meter;
    QString address = QStringLiteral("1");
    QList<DecodedAnswer> shown;
    PanelPoller poller{port, rec.services(), request, hooks(), 4000};

    Rig() {
        meter.attach(port);
        (void)port.setPortNumber(1);
        (void)port.open();
    }

    PanelPoller::Hooks hooks() {
        PanelPoller::Hooks h;
        h.addressText = [this] { return address; };
        h.reopenPort = [this] { return port.close().ok() && port.open().ok(); };
        h.showAddressInvalid = [](bool) {};
        h.show = [this](const DecodedAnswer& d) { shown << d; };
        return h;
    }

    // Names of every field shown so far, and the switch panels moved ("out"/"in").
    QStringList shownNames() const {
        QStringList names;
        for (const DecodedAnswer& d : shown) {
            for (const FieldText& f : d.fields) {
                names << QString::fromLatin1(f.field);
            }
            if (d.switches) {
                names << (d.switches->panel == SwitchPanelKind::Outputs ? "out" : "in");
            }
        }
        return names;
    }
};

const QByteArray kMeasurements = RegisterAnswer(FloatsWith(12, 0, FloatBe(230.0F)));  // 53 bytes
const QByteArray kPowers = RegisterAnswer(FloatsWith(11, 0, FloatBe(100.0F)));        // 49 bytes

}  // namespace

class TestPanelPoller : public QObject {
    Q_OBJECT

private slots:
    // Bytes delivered for the first request of a primary tick, as receive
    // events: how often they are decoded. The collected bytes never grow
    // beyond one byte more than the longest acceptable answer.
    void collecting_data() {
        QTest::addColumn<QList<QByteArray>>("events");
        QTest::addColumn<int>("decodes");
        const QByteArray noise = QByteArray(17, '\x5A');
        QList<QByteArray> bytewise;
        for (char c : kMeasurements) {
            bytewise << QByteArray(1, c);
        }
        QList<QByteArray> noisy;
        for (int i = 0; i < 40; ++i) {
            noisy << noise;
        }
        QTest::newRow("whole") << Chunks(kMeasurements) << 1;
        QTest::newRow("1 + 52") << Chunks(kMeasurements, {1}) << 1;
        QTest::newRow("20 + 33") << Chunks(kMeasurements, {20}) << 1;
        QTest::newRow("52 + 1") << Chunks(kMeasurements, {52}) << 1;
        QTest::newRow("byte by byte") << bytewise << 1;
        QTest::newRow("twice in one event")
            << QList<QByteArray>{kMeasurements + kMeasurements} << 0;
        QTest::newRow("then a copy") << QList<QByteArray>{kMeasurements, kMeasurements} << 1;
        QTest::newRow("then a stray byte") << QList<QByteArray>{kMeasurements, "\x01"} << 1;
        QTest::newRow("noise") << noisy << 0;
        QTest::newRow("long noise, then the answer")
            << QList<QByteArray>{noisy.front().repeated(4), kMeasurements} << 1;
        QTest::newRow("short noise, then the answer")
            << QList<QByteArray>{"\x01\x02", kMeasurements} << 0;
        QByteArray badCrc = kMeasurements;
        badCrc[52] = char(badCrc[52] ^ 0x01);
        QTest::newRow("bad CRC") << QList<QByteArray>{badCrc} << 0;
        QTest::newRow("exception") << QList<QByteArray>{WithCrc(Hex("018402"))} << 0;
        QTest::newRow("coil answer split 3 + 3") << Chunks(SwitchAnswer(1, 0x03), {3}) << 1;
    }
    void collecting() {
        QFETCH(QList<QByteArray>, events);
        QFETCH(int, decodes);
        Rig r;
        r.meter.answer(4, 10, FakeSerialPort::Answer{events, 0});
        r.meter.answer(4, 34, kPowers);
        qsizetype longest = 0;
        connect(&r.port, &SerialPort::commEvent, this,
                [&] { longest = std::max(longest, r.poller.answerBuffer().size()); });
        r.poller.toggle(PanelPoller::Mode::Primary);
        r.poller.tick();
        QVERIFY(longest <= 54);
        QCOMPARE(r.shownNames().count(QStringLiteral("UanT")) + r.shownNames().count("out"),
                 decodes);
        // The next request starts afresh: its answer is decoded whatever came before.
        QCOMPARE(r.shownNames().count(QStringLiteral("PsT")), 1);
    }

    // Answers that come late: one a step late is judged against the next
    // request and dropped, without costing the next answer; the last answer
    // of a tick is handled after the tick.
    void lateAnswers() {
        Rig r;
        r.meter.answer(4, 10, FakeSerialPort::Answer{{kMeasurements}, 1});
        r.meter.answer(4, 34, kPowers);
        r.meter.answer(2, 0, SwitchAnswer(2, 0x01));
        r.poller.toggle(PanelPoller::Mode::Primary);
        r.poller.tick();
        QCOMPARE(r.port.writes.size(), 5);
        QVERIFY(!r.shownNames().contains("UanT"));
        QVERIFY(r.shownNames().contains("PsT"));
        QVERIFY(!r.shownNames().contains("in"));
        QCoreApplication::processEvents();
        QVERIFY(r.shownNames().contains("in"));
    }

    // Only the arrival of data is read.
    void otherEventsIgnored() {
        Rig r;
        r.port.input = SwitchAnswer(1, 0x01);
        r.port.calls.clear();
        r.port.emitOtherEvent();
        QVERIFY(!r.port.calls.contains("read"));
        QVERIFY(r.shown.isEmpty());
    }

    // A decode empties the port's input; whatever arrived meanwhile is dropped.
    void inputEmptiedAfterDecode() {
        Rig r;
        r.request.RegisterCount = 4;
        r.port.calls.clear();
        r.port.deliverNow(SwitchAnswer(1, 0x01));
        QCOMPARE(r.port.calls, (QStringList{"inputLength=0", "read", "clearInput"}));
        QCOMPARE(r.shown.size(), 1);
    }

    // A tick that fires while the previous one pauses does not start, and the
    // running tick keeps the address it started with.
    void ticksDoNotNest() {
        Rig r;
        r.poller.toggle(PanelPoller::Mode::Primary);
        r.rec.duringPause = [&r](int index) {
            if (index == 0) {
                r.address = QStringLiteral("9");
                r.poller.tick();
            }
        };
        r.poller.tick();
        QCOMPARE(r.port.writes.size(), 5);
        for (const QByteArray& frame : r.port.writes) {
            QCOMPARE(int(frame[0]), 1);
        }
        r.rec.duringPause = nullptr;
        r.poller.tick();
        QCOMPARE(r.port.writes.size(), 10);
        QCOMPARE(int(r.port.writes.last()[0]), 9);
    }

    // Secondary acquisition stopped during a pause: the tick goes on, and
    // its later answers go to the primary decoder, which knows none of them.
    void stoppedSecondaryAnswersGoToPrimary() {
        Rig r;
        r.meter.answer(4, 93, RegisterAnswer(Hex("000186A0000186A0000186A0000186A0")));
        r.poller.toggle(PanelPoller::Mode::Secondary);
        r.rec.duringPause = [&r](int index) {
            if (index == 0) {
                r.poller.toggle(PanelPoller::Mode::Secondary);
            }
        };
        r.poller.tick();
        QCOMPARE(r.poller.mode(), PanelPoller::Mode::Idle);
        QCOMPARE(r.port.writes.size(), 4);
        QCOMPARE(r.shown.size(), 1);
        QVERIFY(r.shown.front().empty());
    }

    // A write the port refuses ends the tick.
    void refusedWriteEndsTick() {
        Rig r;
        r.poller.toggle(PanelPoller::Mode::Primary);
        r.port.failWrite = PortError{PortError::Kind::DeviceLost, "gone"};
        r.poller.tick();
        QCOMPARE(r.rec.pauses.size(), 0);
    }
};

QTEST_MAIN(TestPanelPoller)
#include "tst_panelpoller.moc"
