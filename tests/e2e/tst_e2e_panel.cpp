// The panel-mount monitor end to end: real bytes through the QSerialPort
// component, a pseudo-terminal and metersim, with the real pauses and a
// shortened timer interval. What the screen shows is checked against the
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
#include "panel_meter/switchpanelview.h"
#include "platform/portmap.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

// A primary tick pauses 4 x 500 ms, a secondary one 3 x 500 ms; the
// intervals leave room for their end.
constexpr int kInterval = 2200;
constexpr int kSecondaryInterval = 1700;
constexpr int kCom = 3;

// Written out by hand, apart from the schedules they check.
QList<QByteArray> PrimaryRequests(int address) {
    return {Request(address, 4, 10, 24), Request(address, 4, 34, 22), Request(address, 4, 56, 2),
            Request(address, 1, 0, 4), Request(address, 2, 0, 4)};
}
const QList<QByteArray> kPrimaryRequests = PrimaryRequests(1);
const QList<QByteArray> kSecondaryRequests = {Request(1, 4, 70, 23), Request(1, 4, 93, 8),
                                              Request(1, 1, 0, 4), Request(1, 2, 0, 4)};

QList<QByteArray> Repeated(const QList<QByteArray>& frames, int times) {
    QList<QByteArray> all;
    for (int i = 0; i < times; ++i) {
        all += frames;
    }
    return all;
}

}  // namespace

class TestE2ePanel : public QObject {
    Q_OBJECT

public:
    explicit TestE2ePanel(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

    // Starts acquisition in one mode, lets `ticks` ticks run to their end
    // and waits until their last answers are in.
    void runTicks(const SimProcess& sim, LivePanelMonitor& monitor, bool secondary, int ticks) {
        QVERIFY(monitor.open(kCom));
        monitor.ticks.stopAfter(ticks);
        secondary ? monitor.form.onSecondaryClicked() : monitor.form.onPrimaryClicked();
        QVERIFY(monitor.form.pollTimer->isActive());
        QVERIFY2(monitor.ticks.waitFor(ticks, kTickPatienceMs * ticks), "ticks did not complete");
        QVERIFY(WaitForAnswers(sim, monitor.port, kQuietMs, kQuietPatienceMs));
    }

    // Everything the simulator logged, paired up.
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

    static void compareScreen(const LivePanelMonitor& monitor, const PanelScreen& expected) {
        for (const QString& name : kPanelFields) {
            const QString shown = monitor.text(name.toLatin1().constData());
            QVERIFY2(expected.field(name).allows(shown),
                     qPrintable(QStringLiteral("%1 shows \"%2\", expected %3")
                                    .arg(name, shown, Alternatives(expected.field(name)))));
        }
        const std::uint8_t outputs = SwitchStatusShown(*monitor.form.outputSwitches);
        QVERIFY2(expected.outputs.allows(outputs),
                 qPrintable(QStringLiteral("the outputs show %1, expected %2")
                                .arg(outputs)
                                .arg(Alternatives(expected.outputs))));
        const std::uint8_t inputs = SwitchStatusShown(*monitor.form.inputSwitches);
        QVERIFY2(expected.inputs.allows(inputs),
                 qPrintable(QStringLiteral("the inputs show %1, expected %2")
                                .arg(inputs)
                                .arg(Alternatives(expected.inputs))));
    }

    // Every field holds a decoded value for certain (or, with `filled`
    // false, is empty for certain).
    static void checkAllFields(const PanelScreen& expected, bool filled) {
        for (const QString& name : kPanelFields) {
            const Outcome<QString> outcome = expected.field(name);
            QVERIFY2(outcome.certain() && outcome.allows(QString()) != filled, qPrintable(name));
        }
    }

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void primaryTickShowsWhatTheMeterSent() {
        SimProcess sim(runtime_.path(), "primary");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "11"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        runTicks(sim, monitor, false, 1);

        QCOMPARE(LoggedBytes(sim.requests()), kPrimaryRequests);
        QCOMPARE(monitor.port.writes.size(), kPrimaryRequests.size());
        const QList<SimExchange> exchanges = exchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 5);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        checkAllFields(expected, true);
        compareScreen(monitor, expected);

        // The simulator's own view of the same moment, independent of the
        // monitor's decoders.
        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues({"--meter", "panel", "--seed", "11"}, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        for (const auto& [field, reg] : {std::pair{"UanT", 10},
                                         {"UcaT", 20},
                                         {"IaT", 22},
                                         {"PsT", 34},
                                         {"FT", 48},
                                         {"WPPT", 50}}) {
            QVERIFY2(Near(monitor.text(field), DumpNumber(*dump, reg)),
                     qPrintable(QStringLiteral("%1 shows %2, the meter had %3")
                                    .arg(field, monitor.text(field))
                                    .arg(DumpNumber(*dump, reg))));
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void secondaryTickShowsWhatTheMeterSent() {
        SimProcess sim(runtime_.path(), "secondary");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "12"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kSecondaryInterval);
        runTicks(sim, monitor, true, 1);

        QCOMPARE(LoggedBytes(sim.requests()), kSecondaryRequests);
        const QList<SimExchange> exchanges = exchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 4);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, true);
        checkAllFields(expected, true);
        compareScreen(monitor, expected);

        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues({"--meter", "panel", "--seed", "12"}, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        for (const auto& [field, reg] : {std::pair{"UanT", 70}, {"IcT", 78}, {"FT", 92}}) {
            QVERIFY2(Near(monitor.text(field), DumpNumber(*dump, reg)),
                     qPrintable(QStringLiteral("%1 shows %2, the meter had %3")
                                    .arg(field, monitor.text(field))
                                    .arg(DumpNumber(*dump, reg))));
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // Faulty lines: whatever the monitor cannot take leaves the fields as
    // they were, without a message, and later answers are still taken.
    void faultyLine_data() {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("allFilled");  // every field must end up filled
        QTest::addColumn<bool>("noneFilled");
        QTest::newRow("split within the pause")
            << QStringList{"--fault-split", "1", "--split-gap", "100"} << 1 << true << false;
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
        const QStringList options = QStringList{"--meter", "panel", "--seed", "21"} + faults;
        SimProcess sim(runtime_.path(), "faults");
        QString failure;
        QVERIFY2(sim.start(kCom, options, &failure), qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        runTicks(sim, monitor, false, ticks);

        QCOMPARE(LoggedBytes(sim.requests()), Repeated(kPrimaryRequests, ticks));
        const QList<SimExchange> exchanges = exchangesOf(sim);
        QCOMPARE(exchanges.size(), 5 * ticks);
        const AnswerTally tally = Tally(exchanges);
        if (!allFilled && !noneFilled) {
            // The seed must give both kinds, or the row proves little.
            QVERIFY2(
                tally.taken > 0 && tally.refused > 0,
                qPrintable(
                    QStringLiteral("%1 taken, %2 refused").arg(tally.taken).arg(tally.refused)));
        }
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        compareScreen(monitor, expected);
        if (allFilled || noneFilled) {
            checkAllFields(expected, allFilled);
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // The converter is pulled in the middle of the first tick: the panel
    // shows the port closed and acquisition idle, warns once, and writes
    // nothing more.
    void vanishingDeviceClosesThePanel() {
        SimProcess sim(runtime_.path(), "vanish");
        QString failure;
        QVERIFY2(
            sim.start(kCom, {"--meter", "panel", "--seed", "31", "--vanish-after", "3"}, &failure),
            qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        QVERIFY(monitor.open(kCom));
        monitor.form.onPrimaryClicked();
        QVERIFY(WaitUntil([&] { return !sim.running(); }, 3 * kTickPatienceMs));
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(sim.errorOutput().contains(QStringLiteral("after 3 answers")));
        QVERIFY(WaitUntil(
            [&] {
                return monitor.form.portPanel->openCloseButton->text() == PortPanel::kOpenCaption;
            },
            kQuietPatienceMs));
        // Let the abandoned tick and anything queued run out.
        RunEventsFor(1000);

        QVERIFY(!monitor.port.isOpen());
        QVERIFY(!monitor.form.portPanel->lamp->showsOpen());
        QCOMPARE(monitor.form.primaryButton->text(), Form1::kPrimaryIdle);
        QCOMPARE(monitor.form.primaryButton->property("tag").toString(), QStringLiteral("0"));
        QVERIFY(monitor.form.primaryButton->isEnabled());
        QCOMPARE(monitor.form.secondaryButton->text(), Form1::kSecondaryIdle);
        QVERIFY(monitor.form.secondaryButton->isEnabled());
        QVERIFY(!monitor.form.pollTimer->isActive());
        QVERIFY(!monitor.form.acquisition().tickRunning());

        QCOMPARE(monitor.live.messages.size(), 1);
        QVERIFY(monitor.live.messages.front().text.startsWith(PortPanel::kDisconnected));
        QCOMPARE(monitor.live.messages.front().title, kAppTitle);
        QCOMPARE(monitor.live.messages.front().icon, MessageIcon::Warning);
        QCOMPARE(monitor.live.endProgramCalls, 0);
        QCOMPARE(monitor.port.losses, 1);
        QCOMPARE(monitor.port.writesAfterLoss, 0);
        // Three answers went out; the fourth request may have reached the
        // line before it went away, nothing later did.
        const int requests = static_cast<int>(sim.requests().size());
        QVERIFY2(requests == 3 || requests == 4, qPrintable(QString::number(requests)));
        QVERIFY(!QFileInfo(PortLinkFolder() + QStringLiteral("/com%1").arg(kCom)).isSymLink());
        // The fields keep what the answers before the loss showed.
        QVERIFY(!monitor.text("UanT").isEmpty());
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
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "41", "--address", "5"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        monitor.form.portPanel->addressList->setCurrentText(addressText);
        runTicks(sim, monitor, false, 1);

        QCOMPARE(LoggedBytes(sim.requests()), PrimaryRequests(addressText.toInt()));
        QCOMPARE(sim.answers().isEmpty(), !answered);
        const PanelScreen expected = ExpectedPanelScreen(exchangesOf(sim), false);
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
    TestE2ePanel test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_panel.moc"
