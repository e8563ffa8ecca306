// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the DIN-rail monitor polls metersim on a line that drops
// answers, with the trend window open; the trend holds exactly the values the
// screen accepted, tick by tick, with gaps after the dropped answers, and the
// plot shows exactly the trend's points.

#include <qcustomplot.h>
#include <QAction>
#include <QApplication>
#include <QtTest>
#include <cmath>

#include "e2etools.h"
#include "trend/trendstore.h"
#include "trend/trendwindow.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kCom = 7;
constexpr int kInterval = 2500;
constexpr int kTicks = 4;

}  // namespace

class TestE2eTrend : public QObject {
    Q_OBJECT

public:
    explicit TestE2eTrend(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void trendHoldsWhatTheScreenAccepted() {
        const QStringList meter{"--meter", "rail", "--seed", "71", "--fault-drop", "0.3"};
        SimProcess sim(runtime_.path(), "trend");
        QString failure;
        QVERIFY2(sim.start(kCom, meter, &failure), qPrintable(failure));
        LiveRailMonitor monitor(kInterval);
        QList<TickReadings> ticks;
        QObject::connect(&monitor.form, &MonitorWindow::tickRead,
                         [&](const TickReadings& tick) { ticks.append(tick); });
        test::Ctl<QAction>(monitor.form, "TrendAction")->trigger();
        auto* window = static_cast<TrendWindow*>(monitor.form.trendWindow());
        QVERIFY(window != nullptr);
        window->setSeriesShown("UanT", true);
        window->setSeriesShown("FT", true);
        RunTicks(sim, monitor, kCom, kTicks);

        const TrendStore* store = monitor.form.trendStore();
        QVERIFY(store != nullptr);
        QCOMPARE(store->size(), ticks.size());
        QVERIFY(ticks.size() >= kTicks);
        int gaps = 0;
        for (int k = 0; k < store->size(); ++k) {
            QCOMPARE(store->timeAt(k), ticks[k].summary.startedAt.toMSecsSinceEpoch());
            for (const TrendSeries& s : store->series()) {
                const float v = store->valueAt(store->indexOf(s.key), k);
                const auto text = ticks[k].texts.constFind(s.key);
                if (text == ticks[k].texts.constEnd()) {
                    QVERIFY2(std::isnan(v), qPrintable(s.key));
                    ++gaps;
                } else {
                    QCOMPARE(v, TrendValueOf(*text, s.isSwitch));
                }
            }
        }
        QVERIFY2(gaps > 0, "the dropped answers left no gap");
        // The last tick's values are what the screen shows.
        for (auto it = ticks.back().texts.constBegin(); it != ticks.back().texts.constEnd(); ++it) {
            QCOMPARE(monitor.text(it.key().toLatin1().constData()), it.value());
        }
        // And what the simulator sent, as far as the screen could take it.
        const FieldOutcomes expected = ExpectedRailScreen(ExchangesOf(sim));
        for (auto it = ticks.back().texts.constBegin(); it != ticks.back().texts.constEnd(); ++it) {
            QVERIFY2(FieldOutcome(expected, it.key()).allows(it.value()), qPrintable(it.key()));
        }
        // The plot, redrawn after the last tick, holds the store's points.
        QTRY_COMPARE(window->graphOf("UanT")->data()->size(), store->size());
        const int u = store->indexOf("UanT");
        for (int k = 0; k < store->size(); ++k) {
            const double plotted = (window->graphOf("UanT")->data()->constBegin() + k)->value;
            const float held = store->valueAt(u, k);
            QVERIFY(std::isnan(held) ? std::isnan(plotted) : plotted == double(held));
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    // The window linked in, so that the test can look at its plot.
    SetTrendViewMaker([](const TrendStore& store, std::function<bool()> busy, QWidget* parent) {
        return new TrendWindow(store, std::move(busy), parent);
    });
    TestE2eTrend test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_trend.moc"
