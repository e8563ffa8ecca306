// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "acquisition/acquisition.h"
#include "link/request.h"
#include "panel_meter/panelschedule.h"
#include "platform/steadyclock.h"
#include "rail_meter/railschedule.h"
#include "support/answers.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"
#include "support/scriptedmeter.h"

using namespace mt;
using namespace mt::test;

Q_DECLARE_METATYPE(mt::AnswerOutcome)

namespace {

enum class Screen { PanelMount, DinRail };

// The engine as each monitor sets it up, with its screen replaced by
// recorders: every decoded answer with the block tag and the primary
// button's enabled flag at that moment, every request record and every tick.
struct Rig {
    FakeSerialPort port;
    RecordingServices rec;
    RequestParameters request;
    ScriptedMeter meter;
    QString address = QStringLiteral("1");
    std::span<const PollStep> steps;
    QList<QByteArray> decoded;
    QList<int> tags;
    QList<bool> primaryEnabled;
    QList<RequestRecord> records;
    QList<TickSummary> ticks;
    QList<QByteArray> strays;
    std::unique_ptr<AcquisitionEngine> engine;

    explicit Rig(Screen screen) {
        const bool panel = screen == Screen::PanelMount;
        steps = panel ? std::span<const PollStep>(kPrimarySchedule)
                      : std::span<const PollStep>(RailPollSchedule);
        AcquisitionEngine::Hooks hooks;
        hooks.addressText = [this] { return address; };
        hooks.reopenPort = [this] { return port.close().ok() && port.open().ok(); };
        hooks.showAddressInvalid = [](bool) {};
        hooks.schedule = [this] { return steps; };
        hooks.decode = [this](AnswerBytes answer) {
            decoded << QByteArray(reinterpret_cast<const char*>(answer.data()),
                                  static_cast<qsizetype>(answer.size()));
            tags << engine->BlockTag();
            primaryEnabled << engine->state().primary.enabled;
        };
        engine = std::make_unique<AcquisitionEngine>(
            port, rec.services(), request,
            panel ? AcquisitionTiming{kPanelTimerIntervalMs, kPanelPauseMs, false}
                  : AcquisitionTiming{kRailTimerIntervalMs, kRailPauseMs, true},
            panel ? CloseReset::BothButtons : CloseReset::PrimaryButtonOnly, std::move(hooks));
        QObject::connect(engine.get(), &AcquisitionEngine::requestFinished, engine.get(),
                         [this](const RequestRecord& r) { records << r; });
        QObject::connect(engine.get(), &AcquisitionEngine::tickFinished, engine.get(),
                         [this](const TickSummary& t) { ticks << t; });
        QObject::connect(engine.get(), &AcquisitionEngine::strayBytes, engine.get(),
                         [this](const QByteArray& bytes, bool) { strays << bytes; });
        meter.attach(port);
        (void)port.setPortNumber(1);
        (void)port.open();
    }

    // Every request gets a correct answer at once, whole.
    void answerEverything() {
        port.responder = [](const QByteArray& request) {
            const bool bits = request[1] == kReadCoils || request[1] == kReadDiscreteInputs;
            return FakeSerialPort::Answer{
                {bits ? SwitchAnswer(request[1], 0x05) : AnswerTo(request)}, 0};
        };
    }
    // Runs one tick and lets the answer to its last request come in.
    void tick() {
        engine->tick();
        QCoreApplication::processEvents();
    }
};

QStringList HexFrames(const QList<QByteArray>& frames) {
    QStringList out;
    for (const QByteArray& f : frames) {
        out << QString::fromLatin1(f.toHex(' ').toUpper());
    }
    return out;
}

void AddScreens() {
    QTest::addColumn<Screen>("screen");
}

const QByteArray kMeasurements = RegisterAnswer(FloatsWith(12, 0, FloatBe(230.0F)));  // 53 bytes

// The records' outcomes a letter each: a accepted, n no answer, l late,
// m anything else.
QString OutcomeLetters(const QList<RequestRecord>& records) {
    QString letters;
    for (const RequestRecord& record : records) {
        switch (record.check.outcome) {
            case AnswerOutcome::Accepted:
                letters += QLatin1Char('a');
                break;
            case AnswerOutcome::NoAnswer:
                letters += QLatin1Char('n');
                break;
            case AnswerOutcome::Late:
                letters += QLatin1Char('l');
                break;
            default:
                letters += QLatin1Char('m');
                break;
        }
    }
    return letters;
}

}  // namespace

Q_DECLARE_METATYPE(Screen)

class TestAcquisition : public QObject {
    Q_OBJECT

private slots:
    // The DIN-rail cycle: eleven requests with their pauses, each after
    // emptying the input, and the parameters of the last one kept.
    void railTickSendsTheSchedule() {
        Rig r(Screen::DinRail);
        r.tick();
        QCOMPARE(HexFrames(r.port.writes), QStringList({
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
        QCOMPARE(r.rec.pauses, QList<int>(11, 200));
        const QStringList calls = r.port.calls.filter(QRegularExpression("^(clearInput|write)"));
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(calls.value(2 * i), QStringLiteral("clearInput"));
            QVERIFY(calls.value(2 * i + 1).startsWith(QStringLiteral("write")));
        }
        QCOMPARE(r.engine->BlockTag(), std::int16_t{5});
        QCOMPARE(r.request.RegisterCount, std::int16_t{10});
        QCOMPARE(r.request.StartRegister, std::int16_t{9472});
    }

    // The panel-mount tick: five requests, a pause after all but the last,
    // whose answer is handled after the tick.
    void panelTickLeavesTheLastAnswerForLater() {
        Rig r(Screen::PanelMount);
        r.answerEverything();
        r.engine->tick();
        QCOMPARE(r.port.writes.size(), 5);
        QCOMPARE(r.rec.pauses, QList<int>(4, 500));
        QCOMPARE(r.decoded.size(), 4);
        QVERIFY(r.engine->requestOutstanding());
        QVERIFY(r.ticks.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(r.decoded.size(), 5);
        QCOMPARE(r.ticks.size(), 1);
        QCOMPARE(r.ticks[0].requestsSent, 5);
        QCOMPARE(r.ticks[0].requestsAccepted, 5);
    }

    // A panel-mount tick that starts while the last answer of the tick
    // before is still awaited ends that tick first: every tick is finished
    // once, in order, with its own counts.
    void tickStartingInsideTheLastWindow() {
        Rig r(Screen::PanelMount);
        r.answerEverything();
        r.engine->tick();
        QVERIFY(r.engine->requestOutstanding());
        r.port.responder = {};
        r.engine->tick();  // before the window of the first tick's last request ended
        QCOMPARE(r.ticks.size(), 1);
        QCOMPARE(r.ticks[0].number, quint64(1));
        QCOMPARE(r.ticks[0].requestsAccepted, 4);
        QTRY_COMPARE(r.ticks.size(), 2);  // its last window ends
        QCOMPARE(r.ticks[1].number, quint64(2));
        QCOMPARE(r.ticks[1].requestsSent, 5);
    }

    void blockTagSeenByEachAnswer() {
        Rig r(Screen::DinRail);
        r.answerEverything();
        r.tick();
        QCOMPARE(r.tags, QList<int>({0, 0, 0, 6, 7, 0, 1, 2, 3, 4, 5}));
        r.tags.clear();
        r.tick();
        QCOMPARE(r.tags, QList<int>({5, 5, 5, 6, 7, 0, 1, 2, 3, 4, 5}));
    }

    // The address text is taken once per tick; texts beyond 0..255 send nothing.
    void addressOfTheTick_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("addressByte");  // -1: nothing sent
        QTest::newRow("12") << "12" << 0x0C;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("letters give broadcast") << "abc" << 0;
        QTest::newRow("leading blanks") << "  7" << 7;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("-1") << "-1" << -1;
        QTest::newRow("huge") << "1e9" << -1;
    }
    void addressOfTheTick() {
        QFETCH(QString, text);
        QFETCH(int, addressByte);
        Rig r(Screen::DinRail);
        r.address = text;
        r.tick();
        if (addressByte < 0) {
            QVERIFY(r.port.writes.isEmpty());
            QVERIFY(r.rec.pauses.isEmpty());
            QVERIFY(r.rec.messages.isEmpty());
            QVERIFY(r.records.isEmpty());
            return;
        }
        QCOMPARE(r.port.writes.size(), 11);
        for (const QByteArray& frame : r.port.writes) {
            QCOMPARE(static_cast<quint8>(frame[0]), static_cast<quint8>(addressByte));
        }
    }

    void closedPortSendsNothing() {
        Rig r(Screen::PanelMount);
        (void)r.port.close();
        r.address = QStringLiteral("9");
        r.tick();
        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(!r.port.calls.contains(QStringLiteral("clearInput")));
        QCOMPARE(r.request.MeterAddress, std::string("9"));  // copied even so
        QVERIFY(r.ticks.isEmpty());
    }

    // A tick whose port is closed, lost, switched, or closed and reopened
    // while a pause runs events writes nothing more, on both screens.
    void portGoneDuringPause_data() {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<int>("pause");
        QTest::addColumn<QString>("how");
        for (const QString how : {"close", "lose", "switch", "reopen", "restart"}) {
            for (int pause : {0, 3}) {
                QTest::addRow("panel-mount, %s in pause %d", qPrintable(how), pause)
                    << Screen::PanelMount << pause << how;
            }
            for (int pause : {0, 5, 9}) {
                QTest::addRow("DIN-rail, %s in pause %d", qPrintable(how), pause)
                    << Screen::DinRail << pause << how;
            }
        }
    }
    void portGoneDuringPause() {
        QFETCH(Screen, screen);
        QFETCH(int, pause);
        QFETCH(QString, how);
        Rig r(screen);
        r.engine->toggle(AcquisitionButton::Primary);
        r.rec.duringPause = [&](int index) {
            if (index != pause) {
                return;
            }
            if (how == "close") {
                (void)r.port.close();
                r.engine->onPortClosed();
            } else if (how == "lose") {
                r.port.loseDevice();
                r.engine->onPortClosed();
            } else if (how == "switch") {
                (void)r.port.close();
                r.engine->onPortSwitched();
            } else if (how == "reopen") {
                (void)r.port.close();
                r.engine->onPortSwitched();
                (void)r.port.open();
            } else {  // stop and start again: the port is closed and opened again
                r.engine->toggle(AcquisitionButton::Primary);
                r.engine->toggle(AcquisitionButton::Primary);
            }
        };
        r.tick();
        QCOMPARE(r.port.writes.size(), pause + 1);
        QVERIFY(!r.engine->tickRunning());
        QCOMPARE(r.ticks.size(), 1);
        QVERIFY(r.ticks[0].abandoned);
        QCOMPARE(r.records.size(), pause + 1);
        QVERIFY(r.records.last().cutShort);
    }

    // The device goes away just as the input is emptied before a request:
    // nothing is written to it.
    void lossWhileEmptyingTheInput() {
        Rig r(Screen::DinRail);
        r.rec.duringPause = [&r](int index) {
            if (index == 2) {
                r.port.loseDeviceOnClearInput = true;
            }
        };
        r.tick();
        QCOMPARE(r.port.writes.size(), 3);
        const QStringList afterLoss = r.port.calls.mid(r.port.calls.lastIndexOf("clearInput"));
        QVERIFY(afterLoss.filter(QRegularExpression("^write")).isEmpty());
        QVERIFY(r.ticks.value(0).abandoned);
    }

    void refusedWriteEndsTick_data() {
        AddScreens();
        QTest::newRow("panel-mount") << Screen::PanelMount;
        QTest::newRow("DIN-rail") << Screen::DinRail;
    }
    void refusedWriteEndsTick() {
        QFETCH(Screen, screen);
        Rig r(screen);
        r.port.failWrite = PortError{PortError::Kind::DeviceLost, QStringLiteral("gone")};
        r.tick();
        QVERIFY(r.rec.pauses.isEmpty());
        QVERIFY(r.records.isEmpty());
        QVERIFY(r.ticks.value(0).abandoned);
        r.port.failWrite.reset();
        r.tick();  // the next tick runs normally
        QCOMPARE(r.port.writes.size(), static_cast<qsizetype>(r.steps.size()));
    }

    // A tick that fires while the previous one pauses does not start, and the
    // running tick keeps the address it started with.
    void ticksDoNotNest_data() { refusedWriteEndsTick_data(); }
    void ticksDoNotNest() {
        QFETCH(Screen, screen);
        Rig r(screen);
        r.rec.duringPause = [&r](int index) {
            if (index == 0) {
                r.address = QStringLiteral("9");
                r.engine->tick();
            }
        };
        r.tick();
        const auto steps = static_cast<qsizetype>(r.steps.size());
        QCOMPARE(r.port.writes.size(), steps);
        for (const QByteArray& frame : r.port.writes) {
            QCOMPARE(int(frame[0]), 1);
        }
        r.rec.duringPause = nullptr;
        r.tick();
        QCOMPARE(r.port.writes.size(), 2 * steps);
        QCOMPARE(int(r.port.writes.last()[0]), 9);
    }

    // How the bytes for the first request of a tick come in as receive
    // events, and how often they are decoded. The collected bytes never grow
    // beyond one byte more than the longest acceptable answer, and the next
    // request starts afresh whatever came before.
    void collecting_data() {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<QList<QByteArray>>("events");
        QTest::addColumn<int>("decodes");
        QTest::addColumn<AnswerOutcome>("outcome");
        QList<QByteArray> bytewise;
        for (char c : kMeasurements) {
            bytewise << QByteArray(1, c);
        }
        const QList<QByteArray> noisy(40, QByteArray(17, '\x5A'));
        QByteArray badCrc = kMeasurements;
        badCrc[52] = char(badCrc[52] ^ 0x01);
        const QByteArray rail = RegisterAnswer(QByteArray(46, '\x02'));
        const auto panel = [](const char* name) -> QTestData& {
            return QTest::newRow(name) << Screen::PanelMount;
        };
        panel("whole") << Chunks(kMeasurements) << 1 << AnswerOutcome::Accepted;
        panel("1 + 52") << Chunks(kMeasurements, {1}) << 1 << AnswerOutcome::Accepted;
        panel("52 + 1") << Chunks(kMeasurements, {52}) << 1 << AnswerOutcome::Accepted;
        panel("byte by byte") << bytewise << 1 << AnswerOutcome::Accepted;
        panel("twice in one event")
            << QList<QByteArray>{kMeasurements + kMeasurements} << 0 << AnswerOutcome::Malformed;
        panel("then a copy") << QList<QByteArray>{kMeasurements, kMeasurements} << 1
                             << AnswerOutcome::Accepted;
        panel("one byte short") << QList<QByteArray>{kMeasurements.left(52)} << 0
                                << AnswerOutcome::Late;
        panel("noise") << noisy << 0 << AnswerOutcome::Malformed;
        panel("noise, then the answer")
            << QList<QByteArray>{noisy.front().repeated(4), kMeasurements} << 0
            << AnswerOutcome::Malformed;
        panel("a stray byte, then the answer")
            << QList<QByteArray>{"\x01", kMeasurements} << 0 << AnswerOutcome::Malformed;
        panel("bad CRC") << QList<QByteArray>{badCrc} << 0 << AnswerOutcome::BadCrc;
        panel("exception") << QList<QByteArray>{WithCrc(Hex("018402"))} << 0
                           << AnswerOutcome::Exception;
        panel("nothing") << QList<QByteArray>{} << 0 << AnswerOutcome::NoAnswer;
        QTest::newRow("DIN-rail 20 + 31")
            << Screen::DinRail << Chunks(rail, {20}) << 1 << AnswerOutcome::Accepted;
        QTest::newRow("DIN-rail function 3")
            << Screen::DinRail << QList<QByteArray>{RegisterAnswer(QByteArray(46, '\x02'), 3)} << 1
            << AnswerOutcome::Accepted;
        QTest::newRow("DIN-rail one byte extra")
            << Screen::DinRail << QList<QByteArray>{rail + QByteArray(1, '\0')} << 0
            << AnswerOutcome::Malformed;
    }
    void collecting() {
        QFETCH(Screen, screen);
        QFETCH(QList<QByteArray>, events);
        QFETCH(int, decodes);
        QFETCH(AnswerOutcome, outcome);
        Rig r(screen);
        const PollStep first = r.steps[0];
        if (!events.isEmpty()) {
            r.meter.answer(first.function, first.start, FakeSerialPort::Answer{events, 0});
        }
        const PollStep second = r.steps[1];
        r.meter.answer(second.function, second.start,
                       RegisterAnswer(QByteArray(2 * second.count, '\x01')));
        qsizetype longest = 0;
        connect(&r.port, &SerialPort::commEvent, this,
                [&] { longest = std::max(longest, r.engine->AnswerBuffer().size()); });
        r.tick();
        QVERIFY(longest <= 2 * first.count + 6);
        QCOMPARE(r.decoded.size() - 1, decodes);  // the second answer is always taken
        QCOMPARE(r.records.first().check.outcome, outcome);
        // Bytes after an accepted answer are no longer the request's: stray.
        QCOMPARE(r.records.first().receivedCount + r.strays.join().size(), events.join().size());
        // The second request's answer is taken whatever came before.
        QCOMPARE(r.records.at(1).check.outcome, AnswerOutcome::Accepted);
    }

    // Answers that come late on the DIN-rail screen are judged against the
    // next request: a voltage-demand answer a step late is taken for the
    // current demand; a late answer of another length is dropped with the
    // answer it lands in front of.
    void lateAnswerTakesNextRequestsTag() {
        Rig r(Screen::DinRail);
        r.port.responder = [](const QByteArray& request) {
            const bool voltageDemand = request[2] == 0x04 && request[3] == 0x10;
            return FakeSerialPort::Answer{{AnswerTo(request, voltageDemand ? '\x06' : '\x01')},
                                          voltageDemand ? 1 : 0};
        };
        r.tick();
        QCOMPARE(r.tags, QList<int>({0, 0, 0, 7, 0, 1, 2, 3, 4, 5}));
        QCOMPARE(r.decoded.at(3), RegisterAnswer(QByteArray(8, '\x06')));
        QCOMPARE(r.records.at(3).check.outcome, AnswerOutcome::NoAnswer);

        Rig c(Screen::DinRail);
        c.port.responder = [](const QByteArray& request) {
            const bool clearTime = request[2] == 0x04 && request[3] == 0x00;
            return FakeSerialPort::Answer{{AnswerTo(request)}, clearTime ? 1 : 0};
        };
        c.tick();
        QCOMPARE(c.tags, QList<int>({0, 0, 7, 0, 1, 2, 3, 4, 5}));
        QCOMPARE(c.records.at(2).check.outcome, AnswerOutcome::NoAnswer);
        // Told by its length: the clearing time came late, and the demand's
        // own answer behind it could not be shown.
        QCOMPARE(c.records.at(3).check.outcome, AnswerOutcome::Late);
        QCOMPARE(c.records.at(3).lateAnswers.value(0).request, quint64{3});
        QVERIFY(r.records.at(4).lateAnswers.isEmpty());  // same length: cannot be told
        QCOMPARE(c.ticks.value(0).requestsAccepted, 9);
    }

    // Answers that come whole after their window, on the DIN-rail screen. The
    // responder delays the answers of the steps (1 to 11) by that many
    // writes. Outcomes: a accepted, n no answer, m malformed, l late. `late`
    // lists the requests whose answers were recognised after their windows.
    void lateAnswersRecognised_data() {
        QTest::addColumn<QList<int>>("delays");  // per step
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QList<quint64>>("late");
        QTest::newRow("all in time") << QList<int>(11, 0) << "aaaaaaaaaaa" << QList<quint64>{};
        // A meter slower than the wait: the first three answers differ in
        // length from the next request's and are told; the fourth has the
        // fifth's length and is taken for it; the fifth's own is then told
        // by its shape, and the rest are all of one length.
        QTest::newRow("every answer one window late")
            << QList<int>(11, 1) << "nnnnanaaaaa" << QList<quint64>{1, 2, 3};
        QTest::newRow("every answer two windows late")
            << QList<int>(11, 2) << "nnnnnnnaaaa" << QList<quint64>{1, 2, 3, 4, 5};
        // The clearing time comes in front of the voltage demand's answer,
        // which then cannot be shown.
        QTest::newRow("one answer late, the next behind it")
            << QList<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0} << "aanlaaaaaaa" << QList<quint64>{3};
        // The voltage demand's answer has the current demand's length: it is
        // taken for it, as the screen always did.
        QTest::newRow("late answer of the next one's length")
            << QList<int>{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0} << "aaanaaaaaaa" << QList<quint64>{};
    }
    void lateAnswersRecognised() {
        QFETCH(QList<int>, delays);
        QFETCH(QString, outcomes);
        QFETCH(QList<quint64>, late);
        Rig r(Screen::DinRail);
        int step = 0;
        r.port.responder = [&](const QByteArray& request) {
            return FakeSerialPort::Answer{{AnswerTo(request)}, delays.value(step++ % 11)};
        };
        QList<quint64> recognised;
        bool timed = true;
        QObject::connect(r.engine.get(), &AcquisitionEngine::lateAnswer, r.engine.get(),
                         [&](const LateAnswer& a) {
                             recognised << a.request;
                             timed = timed && a.turnaroundMs >= 0;
                         });
        r.tick();
        QCOMPARE(OutcomeLetters(r.records), outcomes);
        QCOMPARE(recognised, late);
        QVERIFY(timed);
        // The records say which answers they carried in front.
        QList<quint64> carried;
        for (const RequestRecord& record : r.records) {
            for (const LateAnswer& a : record.lateAnswers) {
                carried << a.request;
            }
        }
        QCOMPARE(carried, late);
    }

    // A late answer that a window ends in the middle of: its start counts
    // its request late, and its rest at the start of the next window is
    // recognised by the CRC of the two together, so that what follows it is
    // judged on its own (here the third request's whole answer, which the
    // screen could not take behind the rest). A rest that does not fit is
    // judged as before.
    void straddlingLateAnswer_data() {
        QTest::addColumn<bool>("restFits");
        QTest::addColumn<QString>("outcomes");
        QTest::newRow("rest fits") << true << "nnlaaaaaaaa";
        QTest::newRow("rest garbled") << false << "nnmaaaaaaaa";
    }
    void straddlingLateAnswer() {
        QFETCH(bool, restFits);
        QFETCH(QString, outcomes);
        Rig r(Screen::DinRail);
        int step = 0;
        QByteArray first;
        r.port.responder = [&](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            switch (step++) {
                case 0:
                    first = AnswerTo(request);
                    return std::nullopt;
                case 1:
                    return FakeSerialPort::Answer{{first.left(20)}, 0};
                case 2: {
                    QByteArray rest = first.mid(20);
                    if (!restFits) {
                        rest[5] = static_cast<char>(rest[5] ^ 0x10);
                    }
                    return FakeSerialPort::Answer{{rest + AnswerTo(request)}, 0};
                }
                default:
                    return FakeSerialPort::Answer{{AnswerTo(request)}, 0};
            }
        };
        QList<quint64> recognised;
        QObject::connect(r.engine.get(), &AcquisitionEngine::lateAnswer, r.engine.get(),
                         [&](const LateAnswer& a) { recognised << a.request; });
        r.tick();
        QCOMPARE(OutcomeLetters(r.records), outcomes);
        QCOMPARE(recognised, QList<quint64>{1});
    }

    // The last request's answer comes after the tick: it is shown, as it
    // always was, and recognised as late; bytes that make no answer are not.
    void lateAnswerBetweenTicks() {
        QByteArray last;
        const auto responder =
            [&](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            if (request.mid(2, 2) == QByteArray("\x25\x00", 2)) {
                last = AnswerTo(request);
                return std::nullopt;
            }
            return FakeSerialPort::Answer{{AnswerTo(request)}, 0};
        };
        QList<quint64> recognised;
        Rig noise(Screen::DinRail);
        noise.port.responder = responder;
        QObject::connect(noise.engine.get(), &AcquisitionEngine::lateAnswer, noise.engine.get(),
                         [&](const LateAnswer& a) { recognised << a.request; });
        noise.tick();
        QCOMPARE(noise.records.last().check.outcome, AnswerOutcome::NoAnswer);
        noise.port.deliverNow(QByteArray("\x55\xAA\x01", 3));
        QVERIFY(recognised.isEmpty());

        Rig r(Screen::DinRail);
        r.port.responder = responder;
        QObject::connect(r.engine.get(), &AcquisitionEngine::lateAnswer, r.engine.get(),
                         [&](const LateAnswer& a) { recognised << a.request; });
        r.tick();
        r.port.deliverNow(last.left(10));
        QVERIFY(recognised.isEmpty());
        r.port.deliverNow(last.mid(10));
        QCOMPARE(recognised, QList<quint64>{11});
        QCOMPARE(r.decoded.last(), last);
    }

    // On the panel-mount screen an answer a step late is judged against the
    // next request and not shown; it is recognised as the first request's,
    // and the second's own answer behind it counts late.
    void panelLateAnswer() {
        Rig r(Screen::PanelMount);
        r.meter.answer(4, 10, FakeSerialPort::Answer{{kMeasurements}, 1});
        r.meter.answer(4, 34, RegisterAnswer(FloatsWith(11, 0, FloatBe(100.0F))));
        r.tick();
        QCOMPARE(r.decoded.size(), 0);
        QCOMPARE(r.records.at(0).check.outcome, AnswerOutcome::NoAnswer);
        QCOMPARE(r.records.at(1).check.outcome, AnswerOutcome::Late);
        QCOMPARE(r.records.at(1).lateAnswers.value(0).request, quint64{1});
    }

    // Secondary acquisition stopped during the second pause: the tick goes
    // on, and its later answers are handled while the primary button is
    // enabled again.
    void stoppedSecondaryAnswersSeePrimaryEnabled() {
        Rig r(Screen::PanelMount);
        r.steps = kSecondarySchedule;
        r.answerEverything();
        r.engine->toggle(AcquisitionButton::Secondary);
        QVERIFY(!r.engine->state().primary.enabled);
        r.rec.duringPause = [&r](int index) {
            if (index == 1) {
                r.engine->toggle(AcquisitionButton::Secondary);
            }
        };
        r.tick();
        QCOMPARE(r.port.writes.size(), 4);
        QCOMPARE(r.primaryEnabled, QList<bool>({false, true, true, true}));
        QCOMPARE(r.engine->state(), AcquisitionState{});
    }

    // Start and stop clicks: the run state, the timer, the reopening, and
    // the disabled button's silence.
    void toggling() {
        Rig r(Screen::PanelMount);
        QSignalSpy changes(r.engine.get(), &AcquisitionEngine::stateChanged);
        r.engine->toggle(AcquisitionButton::Primary);
        QCOMPARE(r.engine->state().primary, (AcquisitionState::Button{true, true}));
        QCOMPARE(r.engine->state().secondary, (AcquisitionState::Button{false, false}));
        QVERIFY(r.engine->timer()->isActive());
        QCOMPARE(r.engine->timer()->interval(), 4000);
        QVERIFY(r.port.calls.contains("close"));
        QVERIFY(r.port.writes.isEmpty());                // nothing is sent at the click
        r.engine->toggle(AcquisitionButton::Secondary);  // disabled: nothing
        QVERIFY(r.engine->state().primary.running);
        r.engine->toggle(AcquisitionButton::Primary);
        QCOMPARE(r.engine->state(), AcquisitionState{});
        QVERIFY(!r.engine->timer()->isActive());
        QVERIFY(r.rec.messages.isEmpty());
        QVERIFY(!changes.isEmpty());

        (void)r.port.close();
        r.engine->toggle(AcquisitionButton::Secondary);
        QCOMPARE(r.rec.messages.size(), 1);
        QCOMPARE(r.rec.messages[0].text, QStringLiteral("串口没有打开"));
        QCOMPARE(r.rec.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(r.engine->state(), AcquisitionState{});
    }

    // A start whose reopening fails leaves the buttons idle, timer off.
    void failedReopen() {
        Rig r(Screen::DinRail);
        r.port.failOpen = PortError{PortError::Kind::NoSuchPort, QStringLiteral("gone")};
        r.engine->toggle(AcquisitionButton::Primary);
        QCOMPARE(r.engine->state(), AcquisitionState{});
        QVERIFY(!r.engine->timer()->isActive());
    }

    // Closing the port: the panel-mount screen resets both buttons, the
    // DIN-rail screen only the first one.
    void closeResets_data() {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<bool>("secondaryRunningAfter");
        QTest::newRow("panel-mount") << Screen::PanelMount << false;
        QTest::newRow("DIN-rail") << Screen::DinRail << true;
    }
    void closeResets() {
        QFETCH(Screen, screen);
        QFETCH(bool, secondaryRunningAfter);
        Rig r(screen);
        r.engine->toggle(AcquisitionButton::Secondary);
        QVERIFY(!r.engine->state().primary.enabled);
        r.engine->onPortClosed();
        QVERIFY(!r.engine->timer()->isActive());
        QCOMPARE(r.engine->state().primary, (AcquisitionState::Button{false, true}));
        QCOMPARE(r.engine->state().secondary.running, secondaryRunningAfter);
    }

    // One record per request: what went out, what came back, the verdict.
    void recordsPerRequest() {
        Rig r(Screen::DinRail);
        r.port.responder = [](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            switch (request[3]) {
                case 0x46:
                    return FakeSerialPort::Answer{{AnswerTo(request)}, 0};
                case 0x5D: {
                    QByteArray bad = AnswerTo(request);
                    bad[bad.size() - 1] = char(bad.back() ^ 0x55);
                    return FakeSerialPort::Answer{{bad}, 0};
                }
                case 0x00:
                    return FakeSerialPort::Answer{{WithCrc(Hex("018403"))}, 0};
                default:
                    return std::nullopt;
            }
        };
        r.tick();
        QCOMPARE(r.records.size(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(r.records[i].number, quint64(i + 1));
            QCOMPARE(r.records[i].sent, r.port.writes[i]);
            QCOMPARE(r.records[i].step.start, RailPollSchedule[std::size_t(i)].start);
            QVERIFY(!r.records[i].cutShort);
        }
        QCOMPARE(r.records[0].check.outcome, AnswerOutcome::Accepted);
        QCOMPARE(r.records[0].received.size(), 51);
        QVERIFY(r.records[0].responseMs >= 0);
        QCOMPARE(r.records[1].check.outcome, AnswerOutcome::BadCrc);
        QCOMPARE(r.records[2].check, (AnswerCheck{AnswerOutcome::Exception, 3}));
        QCOMPARE(r.records[3].check.outcome, AnswerOutcome::NoAnswer);
        QCOMPARE(r.records[3].responseMs, qint64(-1));
        QCOMPARE(r.records[3].blockTag, std::int16_t{6});
        QCOMPARE(r.ticks.size(), 1);
        QCOMPARE(r.ticks[0].requestsSent, 11);
        QCOMPARE(r.ticks[0].requestsAccepted, 1);
        QVERIFY(!r.ticks[0].abandoned);
    }

    // The response time runs from the request's write to the arrival the
    // port noted, when that arrival came after the write. An arrival noted
    // before the request (bytes of an earlier answer), or none at all, says
    // nothing about this answer: then the time the bytes were read counts.
    void responseTimeFromArrival_data() {
        QTest::addColumn<int>("notedAfterWriteMs");  // -1: before the write; 0: unknown
        QTest::addColumn<bool>("fromNoted");
        QTest::newRow("noted 12 ms after the write") << 12 << true;
        QTest::newRow("noted before the write") << -1 << false;
        QTest::newRow("unknown") << 0 << false;
    }
    void responseTimeFromArrival() {
        QFETCH(int, notedAfterWriteMs);
        QFETCH(bool, fromNoted);
        constexpr int kReadAfterMs = 40;
        Rig r(Screen::DinRail);
        r.port.stampArrivals = false;
        r.port.responder = [](const QByteArray&) { return std::nullopt; };
        QObject::connect(r.engine.get(), &AcquisitionEngine::requestSent, r.engine.get(),
                         [&](const RequestRecord& record) {
                             if (record.number != 1) {
                                 return;
                             }
                             const std::int64_t written = SteadyNowNs();
                             r.port.arrivalNs = notedAfterWriteMs > 0
                                                    ? written + notedAfterWriteMs * 1'000'000LL
                                                : notedAfterWriteMs < 0 ? written - 5'000'000
                                                                        : 0;
                             // The bytes are read a while later, as after a pause.
                             QTest::qSleep(kReadAfterMs);
                             r.port.deliverLater(AnswerTo(record.sent));
                         });
        r.tick();
        QVERIFY(!r.records.isEmpty());
        const RequestRecord& first = r.records.front();
        QCOMPARE(first.check.outcome, AnswerOutcome::Accepted);
        if (fromNoted) {
            QVERIFY2(first.responseMs >= notedAfterWriteMs && first.responseMs < kReadAfterMs,
                     qPrintable(QString::number(first.responseMs)));
        } else {
            QVERIFY2(first.responseMs >= kReadAfterMs,
                     qPrintable(QString::number(first.responseMs)));
        }
    }

    // Bytes nobody asked for, while idle or after an answer was taken,
    // never make the collected bytes longer than one byte past the longest
    // answer still acceptable; they are reported as stray.
    void strayBytesStopGrowing_data() {
        QTest::addColumn<int>("registerCount");
        QTest::addColumn<int>("chunkSize");
        QTest::newRow("idle, before any tick") << 0 << 1;
        QTest::newRow("idle, big chunks") << 0 << 4096;
        QTest::newRow("after a tick") << 10 << 7;
        QTest::newRow("longest read") << 23 << 3;
    }
    void strayBytesStopGrowing() {
        QFETCH(int, registerCount);
        QFETCH(int, chunkSize);
        Rig r(Screen::DinRail);
        r.request.RegisterCount = static_cast<std::int16_t>(registerCount);
        const qsizetype limit = std::max<qsizetype>(2 * registerCount + 5, 6);
        QCOMPARE(r.engine->longestAcceptableAnswer(), limit);
        for (int i = 0; i < 2000; ++i) {
            r.port.deliverNow(QByteArray(chunkSize, static_cast<char>(i)));
            QVERIFY(r.engine->AnswerBuffer().size() <= limit + 1);
            QCOMPARE(r.port.bytesWaiting(), 0);  // the port is drained every time
        }
        QVERIFY(r.decoded.isEmpty());
        QCOMPARE(r.strays.size(), 2000);
        r.answerEverything();
        r.tick();
        QCOMPARE(r.decoded.size(), 11);
    }

    // An arrival is read whole; a decode empties the port's input.
    void receiveHandling() {
        Rig r(Screen::PanelMount);
        r.request.RegisterCount = 4;
        r.port.calls.clear();
        r.port.deliverNow(SwitchAnswer(1, 0x01));
        QCOMPARE(r.port.calls, (QStringList{"inputLength=0", "read", "clearInput"}));
        QCOMPARE(r.decoded.size(), 1);
    }

    // The end closes the port, stops the timer and ends the program once.
    void endsOnce() {
        Rig r(Screen::DinRail);
        r.engine->toggle(AcquisitionButton::Primary);
        r.engine->end();
        r.engine->end();
        QCOMPARE(r.rec.endProgramCalls, 1);
        QVERIFY(!r.port.isOpen());
        QVERIFY(!r.engine->timer()->isActive());
        r.tick();
        QVERIFY(r.port.writes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
