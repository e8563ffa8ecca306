// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "support/controls.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

// A tick pauses 11 x 200 ms; the interval leaves room for its end.
constexpr int kInterval = 2500;
// The simulator's exception code unless told otherwise: server device failure.
constexpr std::uint8_t kSimExceptionCode = 0x04;
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
        RunTicks(sim, monitor, kCom, 1);

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

        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 11);
        const auto expected = ExpectedRailScreen(exchanges);
        CheckAllFields(RailFieldNames(), expected, true);
        CompareFields(monitor, RailFieldNames(), expected);

        // The simulator's own view, independent of the monitor's decoder: the
        // clearing time never changes, the others drift slowly.
        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues(meter, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        QVERIFY(dump->find(1024));
        QCOMPARE(monitor.text("EPP0TimeT"), dump->find(1024)->value);
        CheckAgainstDump(
            monitor, *dump,
            {{"UanT", 70}, {"IbT", 77}, {"FT", 95}, {"SWT", 8192}, {"FAET", 8448}, {"RRET", 9472}});
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void faultyLine_data() { AddFaultyLineRows(50); }
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
        const ExceptionCodes exceptions(monitor.form.acquisition());
        RunTicks(sim, monitor, kCom, ticks);

        QList<QByteArray> expectedRequests;
        for (int i = 0; i < ticks; ++i) {
            expectedRequests += TickRequests(RailPollSchedule, 1);
        }
        QCOMPARE(LoggedBytes(sim.requests()), expectedRequests);
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(exchanges.size(), 11 * ticks);
        if (!allFilled && !noneFilled) {
            CheckMixedTally(exchanges);
        }
        const auto expected = ExpectedRailScreen(exchanges);
        CompareFields(monitor, RailFieldNames(), expected);
        if (allFilled || noneFilled) {
            CheckAllFields(RailFieldNames(), expected, allFilled);
        }
        CheckLineCounters(monitor, exchanges, exceptions.codes, kSimExceptionCode);
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
        AcquireUntilVanished(sim, monitor, kCom);
        CheckClosedAfterLoss(monitor, kCom, QStringLiteral("数据采集"));
        const int requests = static_cast<int>(sim.requests().size());
        // Five answers went out; the sixth request may have reached the line
        // before it went away, nothing later did.
        QVERIFY2(requests == 5 || requests == 6, qPrintable(QString::number(requests)));
        const QString clearTime = monitor.text("EPP0TimeT");
        QVERIFY(!clearTime.isEmpty());

        // The meter is back on the same port: open, one start press.
        SimProcess back(runtime_.path(), "back");
        QVERIFY2(back.start(kCom, {"--meter", "rail", "--seed", "72"}, &failure),
                 qPrintable(failure));
        RunTicks(back, monitor, kCom, monitor.ticks.completed() + 1);
        QCOMPARE(LoggedBytes(back.requests()), TickRequests(RailPollSchedule, 1));
        QVERIFY(monitor.text("EPP0TimeT") != clearTime);  // another meter, another clearing time
        QCOMPARE(monitor.live.messages.size(), 1);
        QVERIFY2(back.stop(&failure), qPrintable(failure));
    }

    void meterAddress_data() { AddMeterAddressRows(); }
    void meterAddress() {
        QFETCH(QString, addressText);
        QFETCH(bool, answered);
        SimProcess sim(runtime_.path(), "address");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "rail", "--seed", "81", "--address", "5"}, &failure),
                 qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        Ctl<PanelComboBox>(monitor.form, "Combo1")->setCurrentText(addressText);
        RunTicks(sim, monitor, kCom, 1);

        QCOMPARE(LoggedBytes(sim.requests()), TickRequests(RailPollSchedule, addressText.toInt()));
        QCOMPARE(sim.answers().isEmpty(), !answered);
        const auto expected = ExpectedRailScreen(ExchangesOf(sim));
        CheckAllFields(RailFieldNames(), expected, answered);
        CompareFields(monitor, RailFieldNames(), expected);
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
