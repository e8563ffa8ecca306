// The DIN-rail monitor end to end: real bytes through the QSerialPort
// component, a pseudo-terminal and metersim, with the real 200 ms pauses and
// a shortened timer interval. What the screen shows is checked against the
// answers the simulator logged, decoded as the monitor decodes them.

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "e2etools.h"
#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "platform/portmap.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

// A tick pauses 11 x 200 ms; the interval leaves room for its end.
constexpr int kInterval = 2500;
constexpr int kCom = 4;
constexpr int kFieldCount = 41;

QStringList RailFieldNames() {
    QStringList names;
    for (const std::string_view name : DinRailFieldNames()) {
        names << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    return names;
}

}  // namespace

class TestE2eRail : public QObject {
    Q_OBJECT

public:
    explicit TestE2eRail(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

    void runTicks(const SimProcess& sim, LiveRailMonitor& monitor, int ticks) {
        QVERIFY(monitor.open(kCom));
        monitor.ticks.stopAfter(ticks);
        monitor.form.onPrimaryClicked();
        QVERIFY(monitor.form.pollTimer->isActive());
        QVERIFY2(monitor.ticks.waitFor(ticks, kTickPatienceMs * ticks), "ticks did not complete");
        QVERIFY(WaitForAnswers(sim, monitor.port, kQuietMs, kQuietPatienceMs));
    }

    static QList<SimExchange> exchangesOf(SimProcess& sim) {
        const auto plan = PlanOf(sim.options());
        if (!plan) {
            return {};
        }
        QString failure;
        const auto exchanges = PairExchanges(sim.requests(), sim.answers(), *plan, &failure);
        if (!exchanges) {
            qWarning("%s", qPrintable(failure));
            return {};
        }
        return *exchanges;
    }

    static void compareScreen(const LiveRailMonitor& monitor,
                              const QMap<QString, Outcome<QString>>& expected) {
        for (const QString& name : RailFieldNames()) {
            const QString shown = monitor.text(name.toLatin1().constData());
            const Outcome<QString> outcome = expected.value(name, Outcome<QString>(QString()));
            QVERIFY2(outcome.allows(shown),
                     qPrintable(QStringLiteral("%1 shows \"%2\", expected %3")
                                    .arg(name, shown, Alternatives(outcome))));
        }
    }

    // Every field holds a decoded value for certain (or, with `filled`
    // false, is empty for certain).
    static void checkAllFields(const QMap<QString, Outcome<QString>>& expected, bool filled) {
        for (const QString& name : RailFieldNames()) {
            const Outcome<QString> outcome = expected.value(name, Outcome<QString>(QString()));
            QVERIFY2(outcome.certain() && outcome.allows(QString()) != filled, qPrintable(name));
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(runtime_.valid());
        QCOMPARE(RailFieldNames().size(), kFieldCount);
    }

    void oneTickShowsWhatTheMeterSent() {
        const QStringList meter{"--meter", "rail", "--seed", "51"};
        SimProcess sim(runtime_.path(), "tick");
        QString failure;
        QVERIFY2(sim.start(kCom, meter, &failure), qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        runTicks(sim, monitor, 1);

        // Eleven reads with function 4, in the cycle's order, each after the
        // pause of the one before. The simulator stamps a request when it
        // reads it, a few ms after it was written, so its spacing may come
        // out a little below the pause.
        const QList<SimLogLine> requests = sim.requests();
        QCOMPARE(LoggedBytes(requests), TickRequests(RailPollSchedule, 1));
        for (qsizetype i = 1; i < requests.size(); ++i) {
            QVERIFY2(requests[i].ms - requests[i - 1].ms >= kRailPauseMs - 20,
                     qPrintable(QStringLiteral("request %1 came %2 ms after the one before")
                                    .arg(i + 1)
                                    .arg(requests[i].ms - requests[i - 1].ms)));
            QVERIFY(monitor.port.writes[i].atMs - monitor.port.writes[i - 1].atMs >=
                    kRailPauseMs - 1);
        }

        const QList<SimExchange> exchanges = exchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 11);
        const auto expected = ExpectedRailScreen(exchanges);
        checkAllFields(expected, true);
        compareScreen(monitor, expected);

        // The simulator's own view, independent of the monitor's decoder: the
        // clearing time never changes, the others drift slowly.
        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues(meter, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        QVERIFY(dump->find(1024));
        QCOMPARE(monitor.text("EPP0TimeT"), dump->find(1024)->value);
        for (const auto& [field, reg] : {std::pair{"UanT", 70},
                                         {"IbT", 77},
                                         {"FT", 95},
                                         {"SWT", 8192},
                                         {"FAET", 8448},
                                         {"RRET", 9472}}) {
            QVERIFY2(Near(monitor.text(field), DumpNumber(*dump, reg)),
                     qPrintable(QStringLiteral("%1 shows %2, the meter had %3")
                                    .arg(field, monitor.text(field))
                                    .arg(DumpNumber(*dump, reg))));
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void faultyLine_data() {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("allFilled");
        QTest::addColumn<bool>("noneFilled");
        QTest::newRow("split within the pause")
            << QStringList{"--fault-split", "1", "--split-gap", "50"} << 1 << true << false;
        QTest::newRow("corrupt CRC") << QStringList{"--fault-crc", "1"} << 1 << false << true;
        QTest::newRow("no answers") << QStringList{"--fault-drop", "1"} << 1 << false << true;
        // Over two ticks, so that fields keep texts of the first tick where
        // the second tick's answer is refused.
        QTest::newRow("every fault among good answers")
            << QStringList{"--fault-crc",       "0.15", "--fault-drop",    "0.15",
                           "--fault-exception", "0.15", "--fault-garbage", "0.15",
                           "--fault-noise",     "0.3"}
            << 2 << false << false;
    }
    void faultyLine() {
        QFETCH(QStringList, faults);
        QFETCH(int, ticks);
        QFETCH(bool, allFilled);
        QFETCH(bool, noneFilled);
        SimProcess sim(runtime_.path(), "faults");
        QString failure;
        QVERIFY2(sim.start(kCom, QStringList{"--meter", "rail", "--seed", "61"} + faults, &failure),
                 qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        runTicks(sim, monitor, ticks);

        QList<QByteArray> expectedRequests;
        for (int i = 0; i < ticks; ++i) {
            expectedRequests += TickRequests(RailPollSchedule, 1);
        }
        QCOMPARE(LoggedBytes(sim.requests()), expectedRequests);
        const QList<SimExchange> exchanges = exchangesOf(sim);
        QCOMPARE(exchanges.size(), 11 * ticks);
        const AnswerTally tally = Tally(exchanges);
        if (!allFilled && !noneFilled) {
            QVERIFY2(
                tally.taken > 0 && tally.refused > 0,
                qPrintable(
                    QStringLiteral("%1 taken, %2 refused").arg(tally.taken).arg(tally.refused)));
        }
        const auto expected = ExpectedRailScreen(exchanges);
        compareScreen(monitor, expected);
        if (allFilled || noneFilled) {
            checkAllFields(expected, allFilled);
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // The meter goes away in the middle of the first tick, and comes back:
    // the panel shows the port closed and acquisition idle, warns once,
    // writes nothing more; reopening and one start press poll again.
    void vanishingDeviceClosesThePanel() {
        SimProcess sim(runtime_.path(), "vanish");
        QString failure;
        QVERIFY2(
            sim.start(kCom, {"--meter", "rail", "--seed", "71", "--vanish-after", "5"}, &failure),
            qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        QVERIFY(monitor.open(kCom));
        monitor.form.onPrimaryClicked();
        QVERIFY(WaitUntil([&] { return !sim.running(); }, 3 * kTickPatienceMs));
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(WaitUntil(
            [&] {
                return monitor.form.portPanel->openCloseButton->text() == PortPanel::kOpenCaption;
            },
            kQuietPatienceMs));
        // Let the abandoned tick and anything queued run out.
        RunEventsFor(1000);

        QVERIFY(!monitor.port.isOpen());
        QVERIFY(!monitor.form.portPanel->lamp->showsOpen());
        QCOMPARE(monitor.form.primaryButton->text(), Form2::kStartCaption);
        QCOMPARE(monitor.form.primaryButton->property("tag").toString(), QStringLiteral("0"));
        QVERIFY(monitor.form.primaryButton->isEnabled());
        QVERIFY(!monitor.form.pollTimer->isActive());
        QVERIFY(!monitor.form.acquisition().tickRunning());
        QCOMPARE(monitor.live.messages.size(), 1);
        QVERIFY(monitor.live.messages.front().text.startsWith(PortPanel::kDisconnected));
        QCOMPARE(monitor.live.messages.front().icon, MessageIcon::Warning);
        QCOMPARE(monitor.live.endProgramCalls, 0);
        QCOMPARE(monitor.port.losses, 1);
        QCOMPARE(monitor.port.writesAfterLoss, 0);
        const int requests = static_cast<int>(sim.requests().size());
        // Five answers went out; the sixth request may have reached the line
        // before it went away, nothing later did.
        QVERIFY2(requests == 5 || requests == 6, qPrintable(QString::number(requests)));
        QVERIFY(!QFileInfo(PortLinkFolder() + QStringLiteral("/com%1").arg(kCom)).isSymLink());
        const QString clearTime = monitor.text("EPP0TimeT");
        QVERIFY(!clearTime.isEmpty());

        // The meter is back on the same port: open, one start press.
        SimProcess back(runtime_.path(), "back");
        QVERIFY2(back.start(kCom, {"--meter", "rail", "--seed", "72"}, &failure),
                 qPrintable(failure));
        runTicks(back, monitor, monitor.ticks.completed() + 1);
        QCOMPARE(LoggedBytes(back.requests()), TickRequests(RailPollSchedule, 1));
        QVERIFY(monitor.text("EPP0TimeT") != clearTime);  // another meter, another clearing time
        QCOMPARE(monitor.live.messages.size(), 1);
        QVERIFY2(back.stop(&failure), qPrintable(failure));
    }

    void meterAddress_data() {
        QTest::addColumn<QString>("addressText");
        QTest::addColumn<bool>("answered");
        QTest::newRow("the meter's address") << "5" << true;
        QTest::newRow("another meter's address") << "1" << false;
    }
    void meterAddress() {
        QFETCH(QString, addressText);
        QFETCH(bool, answered);
        SimProcess sim(runtime_.path(), "address");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "rail", "--seed", "81", "--address", "5"}, &failure),
                 qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        monitor.form.portPanel->addressList->setCurrentText(addressText);
        runTicks(sim, monitor, 1);

        QCOMPARE(LoggedBytes(sim.requests()), TickRequests(RailPollSchedule, addressText.toInt()));
        QCOMPARE(sim.answers().isEmpty(), !answered);
        const auto expected = ExpectedRailScreen(exchangesOf(sim));
        checkAllFields(expected, answered);
        compareScreen(monitor, expected);
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    // The private runtime folder comes first: before the application and
    // before anything asks QStandardPaths where the comN links live.
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eRail test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_rail.moc"
