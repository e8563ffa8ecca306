// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: a monitor on the real serial component polls metersim with a
// wiring fault; the analysis window names the fault, and the values it
// analysed are exactly those the simulator sent in that tick.

#include <QAction>
#include <QApplication>
#include <QTableWidget>
#include <QtTest>

#include "analysis/analysiswindow.h"
#include "e2etools.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kCom = 6;
constexpr int kPanelInterval = 2200;
constexpr int kRailInterval = 2500;

QString VerdictOf(AnalysisWindow& window, const QString& check) {
    auto* table = test::Ctl<QTableWidget>(window, "CheckTable");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() == check) {
            return table->item(row, 1)->text();
        }
    }
    return QStringLiteral("(no check %1)").arg(check);
}

// The window analysed the tick's own values: every reading it has is the
// number of the text the simulator's answer put on the screen, and nothing
// else.
template <typename Live>
void CheckTickValues(Live& monitor, AnalysisWindow& window, const FieldOutcomes& expected) {
    const TickReadings& tick = monitor.form.lastTick();
    QVERIFY(!tick.texts.isEmpty());
    for (auto it = tick.texts.constBegin(); it != tick.texts.constEnd(); ++it) {
        if (monitor.form.valueField(it.key()) == nullptr) {
            continue;  // a switch channel
        }
        QCOMPARE(monitor.text(it.key().toLatin1().constData()), it.value());
        QVERIFY2(FieldOutcome(expected, it.key()).allows(it.value()), qPrintable(it.key()));
    }
    const PhaseReadings fromTick = ReadPhaseValues(monitor.form.meterKind(), tick.mode, tick.texts);
    const PhaseReadings& shown = window.readings();
    QCOMPARE(shown.u, fromTick.u);
    QCOMPARE(shown.i, fromTick.i);
    QCOMPARE(shown.p, fromTick.p);
    QCOMPARE(shown.q, fromTick.q);
    QCOMPARE(shown.angle, fromTick.angle);
    QCOMPARE(shown.pTotal, fromTick.pTotal);
    QCOMPARE(shown.frequency, fromTick.frequency);
    QCOMPARE(*shown.u[0], tick.texts.value("UanT").toDouble());
}

}  // namespace

class TestE2eAnalysis : public QObject {
    Q_OBJECT

public:
    explicit TestE2eAnalysis(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void wiringFaultNamed_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("wiring");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("named");
        QTest::newRow("rail, CT b reversed") << "rail"
                                             << "reverse-ct=b"
                                             << "有功功率方向"
                                             << "异常"
                                             << "B相电流互感器（CT）极性接反";
        QTest::newRow("rail, negative sequence") << "rail"
                                                 << "negative-sequence"
                                                 << "相序"
                                                 << "异常"
                                                 << "逆相序";
        QTest::newRow("rail, healthy") << "rail"
                                       << "healthy"
                                       << "相序"
                                       << "正常"
                                       << "正常";
        QTest::newRow("panel, three-wire") << "panel"
                                           << "three-wire"
                                           << "线电压与相电压"
                                           << "异常"
                                           << "三线制";
        QTest::newRow("panel, currents swapped") << "panel"
                                                 << "swap-currents=ab"
                                                 << "有功功率方向"
                                                 << "异常"
                                                 << "接错了相";
        QTest::newRow("panel, healthy") << "panel"
                                        << "healthy"
                                        << "功率角一致性"
                                        << "正常"
                                        << "正常";
    }
    void wiringFaultNamed() {
        QFETCH(QString, family);
        QFETCH(QString, wiring);
        QFETCH(QString, check);
        QFETCH(QString, verdict);
        QFETCH(QString, named);
        const QStringList meter{"--meter", family, "--seed", "61", "--wiring", wiring};
        SimProcess sim(runtime_.path(), "analysis");
        QString failure;
        QVERIFY2(sim.start(kCom, meter, &failure), qPrintable(failure));

        auto run = [&](auto& monitor) {
            // Opened before the first tick, as a user opens it while polling.
            test::Ctl<QAction>(monitor.form, "AnalysisAction")->trigger();
            AnalysisWindow* window = monitor.form.analysisWindow();
            QVERIFY(window->isVisible());
            RunTicks(sim, monitor, kCom, 1);
            QCOMPARE(VerdictOf(*window, check), verdict);
            QVERIFY2(window->conclusion().contains(named), qPrintable(window->conclusion()));
            const QList<SimExchange> exchanges = ExchangesOf(sim);
            const FieldOutcomes expected = family == "rail"
                                               ? ExpectedRailScreen(exchanges)
                                               : ExpectedPanelScreen(exchanges, false).fields;
            CheckTickValues(monitor, *window, expected);
            if (verdict == QStringLiteral("正常")) {
                QVERIFY2(!window->conclusion().contains("注意") &&
                             !window->conclusion().contains("异常"),
                         qPrintable(window->conclusion()));
            }
            QVERIFY(monitor.live.messages.isEmpty());
        };
        if (family == "rail") {
            LiveRailMonitor monitor(kRailInterval);
            run(monitor);
        } else {
            LivePanelMonitor monitor(kPanelInterval);
            run(monitor);
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eAnalysis test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_analysis.moc"
