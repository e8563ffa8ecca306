// SPDX-License-Identifier: GPL-3.0-or-later
// What the trend costs: adding a tick's values with a day held, redrawing
// ten series over a day, the memory of a day of every DIN-rail field, and
// the event loop's longest gap while the DIN-rail monitor polls metersim
// with a trend window of ten series over a full day open and redrawing
// after every tick, against without it.
//
//   bench_trend [--seconds N] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <qcustomplot.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "eventloopgap.h"
#include "metrics.h"
#include "pollingargs.h"
#include "trend/trendstore.h"
#include "trend/trendwindow.h"

using namespace mt;
using namespace mt::drive;

namespace {

constexpr int kCom = 9;
constexpr int kRailIntervalMs = 5000;
constexpr int kDayTicks = 24 * 3600 * 1000 / kRailIntervalMs + 60;
const std::int64_t kStartMs = 1765000000000;

bench::Metrics g_metrics;

void Metric(const std::string& name, double value, const char* unit) {
    g_metrics.add(name, value, unit);
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// A tick's texts for every field, one answer in twenty lost: slowly varying
// numbers with a little noise, as a meter gives them, or (`jagged`) a saw
// tooth whose every point differs much from the one before, the worst case
// for drawing.
QHash<QString, QString> TickTexts(const QList<TrendSeries>& series, int n, bool jagged) {
    QHash<QString, QString> texts;
    for (int s = 0; s < series.size(); ++s) {
        if ((n + s) % 20 == 0) {
            continue;
        }
        const double value =
            jagged ? 220.0 + ((n * 7 + s * 13) % 200) / 10.0
                   : 220.0 + 5 * std::sin(n / 400.0 + s) + ((n * 7 + s * 13) % 10) / 100.0;
        texts.insert(series[s].key, series[s].isSwitch
                                        ? QString::fromUtf8((n / 7 + s) % 2 ? "闭合" : "断开")
                                        : QString::number(value));
    }
    return texts;
}

void Fill(TrendStore& store, const QList<TrendSeries>& series, bool jagged) {
    store.clear();
    for (int n = 0; n < kDayTicks; ++n) {
        store.addTick(kStartMs + std::int64_t{kRailIntervalMs} * n, TickTexts(series, n, jagged));
    }
}

double RedrawMs(TrendWindow& window) {
    window.refresh();
    RunEventsFor(300);
    std::vector<double> redraws;
    for (int n = 0; n < 15; ++n) {
        QElapsedTimer clock;
        clock.start();
        window.plot()->replot(QCustomPlot::rpImmediateRefresh);
        redraws.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return Median(redraws);
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const auto [seconds, tsv] = bench::ParsePollingArgs(app.arguments(), 30);

    SimProcess sim(runtime.path(), "trend");
    QString failure;
    if (!sim.start(kCom, {"--meter", "rail", "--seed", "5", "--turnaround", "30"}, &failure)) {
        std::fprintf(stderr, "bench_trend: %s\n", qPrintable(failure));
        return 1;
    }
    LiveRailMonitor monitor(2500);
    monitor.port.keepWrites = false;
    const QList<TrendSeries> series = TrendSeriesOf(monitor.form.readings());

    // A day of every field of the DIN-rail screen.
    const double before = ResidentMiB();
    TrendStore store(series, kDayTicks);
    std::vector<QHash<QString, QString>> samples;
    for (int n = 0; n < 100; ++n) {
        samples.push_back(TickTexts(series, n, false));
    }
    Fill(store, series, false);
    const double filled = ResidentMiB();

    // Adding a tick with the day held (the oldest goes).
    std::vector<double> adds;
    for (int n = 0; n < 2000; ++n) {
        QElapsedTimer clock;
        clock.start();
        store.addTick(kStartMs + std::int64_t{kRailIntervalMs} * (kDayTicks + n), samples[n % 100]);
        adds.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
    }
    Fill(store, series, false);

    // Ten series over the whole day, redrawn.
    TrendWindow window(
        store, [&] { return monitor.form.acquisition().tickRunning(); }, nullptr);
    window.resize(1280, 720);
    window.show();
    int shown = 0;
    for (const TrendSeries& s : series) {
        if (!s.isSwitch && shown < 10) {
            window.setSeriesShown(s.key, true);
            ++shown;
        }
    }
    window.setSpan(4);
    const double smoothMs = RedrawMs(window);
    const double withWindow = ResidentMiB();
    Fill(store, series, true);
    const double jaggedMs = RedrawMs(window);
    Fill(store, series, false);
    window.refresh();
    RunEventsFor(300);

    // Polling: the window hidden, then open and redrawn after every tick.
    if (!monitor.open(kCom)) {
        std::fprintf(stderr, "bench_trend: com%d did not open\n", kCom);
        return 1;
    }
    window.hide();
    QObject::connect(&monitor.form, &MonitorWindow::tickRead, &window,
                     [&](const TickReadings& tick) {
                         store.addTick(tick.summary.startedAt.toMSecsSinceEpoch(), tick.texts);
                         window.refresh();
                     });
    monitor.form.onPrimaryClicked();
    std::fprintf(stderr, "bench_trend: polling %d s with the window closed, then open\n", seconds);
    RunEventsFor(3000);
    const qint64 closedGap = bench::LongestEventLoopGap(seconds);
    window.show();
    RunEventsFor(500);
    const qint64 openGap = bench::LongestEventLoopGap(seconds);
    monitor.form.onPrimaryClicked();
    sim.stop();

    Metric("add a tick of 41 fields, a day held (goal under 50 µs): median", Median(adds), "µs");
    std::sort(adds.begin(), adds.end());
    Metric("add a tick of 41 fields, a day held: p99", adds[adds.size() * 99 / 100], "µs");
    Metric("redraw 10 series over a day, 1280 × 720, meter-like values (goal under 30 ms): median",
           smoothMs, "ms");
    Metric("redraw 10 series over a day, 1280 × 720, every point jumping (worst case): median",
           jaggedMs, "ms");
    Metric("memory of a day (17,340 ticks) of every DIN-rail field (goal under 20 MiB)",
           filled - before, "MiB");
    Metric("memory with the window open, 10 series over the day, on top", withWindow - filled,
           "MiB");
    Metric("event loop's longest gap while polling, trend window closed", double(closedGap), "ms");
    Metric("event loop's longest gap while polling, trend window open and redrawing",
           double(openGap), "ms");
    g_metrics.writeTsv(tsv);
    return 0;
}
