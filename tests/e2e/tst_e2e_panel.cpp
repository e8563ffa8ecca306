// SPDX-License-Identifier: GPL-3.0-or-later
// The panel-mount monitor end to end: real bytes through the QSerialPort
// component, a pseudo-terminal and metersim, with the real pauses and a
// shortened timer interval. What the screen shows is checked against the
// answers the simulator logged, decoded as the monitor decodes them.

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "acquisition/acquisition.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "e2etools.h"
#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "panel_meter/switchpanelview.h"
#include "platform/language.h"
#include "platform/portmap.h"
#include "support/controls.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

// A primary tick pauses 4 x 500 ms, a secondary one 3 x 500 ms; the
// intervals leave room for their end.
constexpr int kInterval = 2200;
constexpr int kSecondaryInterval = 1700;
// The simulator's exception code unless told otherwise: server device failure.
constexpr std::uint8_t kSimExceptionCode = 0x04;
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

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void primaryTickShowsWhatTheMeterSent() {
        SimProcess sim(runtime_.path(), "primary");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "11"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        RunTicks(sim, monitor, kCom, 1);

        QCOMPARE(LoggedBytes(sim.requests()), kPrimaryRequests);
        QCOMPARE(monitor.port.writes.size(), kPrimaryRequests.size());
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 5);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        CheckAllFields(kPanelFields, expected.fields, true);
        CompareScreen(monitor, expected);

        // The simulator's own view of the same moment, independent of the
        // monitor's decoders.
        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues({"--meter", "panel", "--seed", "11"}, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        CheckAgainstDump(
            monitor, *dump,
            {{"UanT", 10}, {"UcaT", 20}, {"IaT", 22}, {"PsT", 34}, {"FT", 48}, {"WPPT", 50}});
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // The same screen in English: the same bytes on the wire and the same
    // values, English captions, switch states and line counters.
    void englishScreenShowsWhatTheMeterSent() {
        QVERIFY(InstallLanguage(Language::English));
        const auto chinese = qScopeGuard([] { InstallLanguage(Language::Chinese); });
        SimProcess sim(runtime_.path(), "english");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "11"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        QCOMPARE(monitor.form.windowTitle(), QStringLiteral("MeterTest - Panel-mount power meter"));
        RunTicks(sim, monitor, kCom, 1);

        QCOMPARE(LoggedBytes(sim.requests()), kPrimaryRequests);
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        CheckAllFields(kPanelFields, expected.fields, true);
        CompareScreen(monitor, expected);
        QCOMPARE(monitor.form.valueField("UanT")->accessibleName(), QStringLiteral("Voltage Uan"));
        QCOMPARE(Ctl<QPushButton>(monitor.form, "Command1")->text(),
                 QStringLiteral("Stop primary"));
        // Each switch label says in English what the model holds.
        for (const char* name : {"Picture1", "Picture2"}) {
            const auto& view = *Ctl<SwitchPanelView>(monitor.form, name);
            const QList<QLabel*> labels = view.findChildren<QLabel*>();
            QCOMPARE(labels.size(), kSwitchChannels);
            for (int k = 0; k < kSwitchChannels; ++k) {
                QCOMPARE(labels[k]->text(), view.model().channelClosed(k) ? QStringLiteral("Closed")
                                                                          : QStringLiteral("Open"));
            }
        }
        const QString counts = Ctl<QLabel>(monitor.form, "CountsLine")->text();
        QVERIFY2(counts.startsWith(QStringLiteral("Requests 5  OK 5  No answer 0")),
                 qPrintable(counts));
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void secondaryTickShowsWhatTheMeterSent() {
        SimProcess sim(runtime_.path(), "secondary");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "12"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kSecondaryInterval);
        RunTicks(sim, monitor, kCom, 1, true);

        QCOMPARE(LoggedBytes(sim.requests()), kSecondaryRequests);
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(Tally(exchanges).taken, 4);
        const PanelScreen expected = ExpectedPanelScreen(exchanges, true);
        CheckAllFields(kPanelFields, expected.fields, true);
        CompareScreen(monitor, expected);

        const qint64 at = exchanges.front().sent->ms - sim.startedMs();
        const auto dump = DumpSimValues({"--meter", "panel", "--seed", "12"}, at, &failure);
        QVERIFY2(dump, qPrintable(failure));
        CheckAgainstDump(monitor, *dump, {{"UanT", 70}, {"IcT", 78}, {"FT", 92}});
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // For every answered request, the response time is the time from the
    // request to the answer's last byte that the simulator's logs give: the
    // answer's first piece, and when paced, the pieces after it at 11 bits a
    // byte. None reads 0. On a busy machine a thread may lose the processor
    // between an event and the moment it takes the time (the simulator
    // between due and written, the monitor between its write and the time
    // it notes), so single requests may be off by more; the typical request
    // agrees within a few ms.
    void responseTimesMatchTheSimulator_data() {
        QTest::addColumn<int>("turnaround");
        QTest::addColumn<bool>("paced");
        QTest::newRow("10 ms, written at once") << 10 << false;
        QTest::newRow("30 ms, paced") << 30 << true;
        QTest::newRow("80 ms, paced") << 80 << true;
    }
    void responseTimesMatchTheSimulator() {
        QFETCH(int, turnaround);
        QFETCH(bool, paced);
        constexpr double kCharacterMs = 11 * 1000.0 / 9600;
        constexpr int kPieceBytes = 16;  // the simulator's default pieces
        constexpr int kToleranceMs = 4;
        constexpr int kBusyMachineMs = 40;
        QStringList options{"--meter", "panel",        "--seed",
                            "13",      "--turnaround", QString::number(turnaround)};
        if (!paced) {
            options << "--no-pace";
        }
        SimProcess sim(runtime_.path(), QStringLiteral("response-%1").arg(turnaround));
        QString failure;
        QVERIFY2(sim.start(kCom, options, &failure), qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        QList<RequestRecord> records;
        connect(&monitor.form.acquisition(), &AcquisitionEngine::requestFinished, this,
                [&](const RequestRecord& record) { records << record; });
        RunTicks(sim, monitor, kCom, 2);

        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(records.size(), exchanges.size());
        QCOMPARE(records.size(), 2 * kPrimaryRequests.size());
        QList<double> deviations;
        for (qsizetype i = 0; i < records.size(); ++i) {
            const SimExchange& exchange = exchanges[i];
            QVERIFY(exchange.sent.has_value());
            const qsizetype bytes = exchange.sent->bytes.size();
            const double tail =
                paced ? static_cast<double>(bytes - std::min<qsizetype>(bytes, kPieceBytes)) *
                            kCharacterMs
                      : 0.0;
            const double expected =
                static_cast<double>(exchange.sent->ms - exchange.request.ms) + tail;
            const double measured = static_cast<double>(records[i].responseMs);
            deviations << measured - expected;
            QVERIFY2(measured > 0 && std::abs(measured - expected) <= kBusyMachineMs,
                     qPrintable(QStringLiteral("request %1: %2 ms, the simulator's logs give %3 ms")
                                    .arg(i + 1)
                                    .arg(measured)
                                    .arg(expected, 0, 'f', 1)));
        }
        std::sort(deviations.begin(), deviations.end());
        const double median = deviations[deviations.size() / 2];
        QVERIFY2(std::abs(median) <= kToleranceMs,
                 qPrintable(QStringLiteral("median deviation %1 ms").arg(median)));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // Faulty lines: whatever the monitor cannot take leaves the fields as
    // they were, without a message, and later answers are still taken.
    void faultyLine_data() { AddFaultyLineRows(100); }
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
        const ExceptionCodes exceptions(monitor.form.acquisition());
        RunTicks(sim, monitor, kCom, ticks);

        QCOMPARE(LoggedBytes(sim.requests()), Repeated(kPrimaryRequests, ticks));
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(exchanges.size(), 5 * ticks);
        if (!allFilled && !noneFilled) {
            CheckMixedTally(exchanges);
        }
        const PanelScreen expected = ExpectedPanelScreen(exchanges, false);
        CompareScreen(monitor, expected);
        if (allFilled || noneFilled) {
            CheckAllFields(kPanelFields, expected.fields, allFilled);
        }
        CheckLineCounters(monitor, exchanges, exceptions.codes, kSimExceptionCode);
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
        AcquireUntilVanished(sim, monitor, kCom);
        QVERIFY(sim.errorOutput().contains(QStringLiteral("after 3 answers")));
        CheckClosedAfterLoss(monitor, kCom, QStringLiteral("一次数据采集"));
        QCOMPARE(Ctl<QPushButton>(monitor.form, "Command4")->text(),
                 QStringLiteral("二次数据采集"));
        QVERIFY(Ctl<QPushButton>(monitor.form, "Command4")->isEnabled());
        // Three answers went out; the fourth request may have reached the
        // line before it went away, nothing later did.
        const int requests = static_cast<int>(sim.requests().size());
        QVERIFY2(requests == 3 || requests == 4, qPrintable(QString::number(requests)));
        // The fields keep what the answers before the loss showed.
        QVERIFY(!monitor.text("UanT").isEmpty());
    }

    void meterAddress_data() { AddMeterAddressRows(); }
    void meterAddress() {
        QFETCH(QString, addressText);
        QFETCH(bool, answered);
        SimProcess sim(runtime_.path(), "address");
        QString failure;
        QVERIFY2(sim.start(kCom, {"--meter", "panel", "--seed", "41", "--address", "5"}, &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(kInterval);
        Ctl<PanelComboBox>(monitor.form, "Combo1")->setCurrentText(addressText);
        RunTicks(sim, monitor, kCom, 1);

        QCOMPARE(LoggedBytes(sim.requests()), PrimaryRequests(addressText.toInt()));
        QCOMPARE(sim.answers().isEmpty(), !answered);
        const PanelScreen expected = ExpectedPanelScreen(ExchangesOf(sim), false);
        CheckAllFields(kPanelFields, expected.fields, answered);
        CompareScreen(monitor, expected);
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
