// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic monitor's cost: the time to add a frame with 10,000 frames
// held, the resident memory of a full monitor window, and the longest gap of
// the event loop while a monitor polls metersim with the window open against
// the same run with it closed.
//
//   bench_traffic [--seconds S] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE); notes go to
// standard error.

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "diagnostics/trafficwindow.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "eventloopgap.h"
#include "metrics.h"
#include "pollingargs.h"

using namespace mt;
using namespace mt::drive;

namespace {

constexpr int kHeld = TrafficModel::kDefaultCapacity;
constexpr int kCom = 1;

bench::Metrics g_metrics;

void Metric(const std::string& name, double value, const char* unit) {
    g_metrics.add(name, value, unit);
}

// Frames as a DIN-rail tick gives them: an 8-byte request, a 51-byte answer.
TrafficFrame Frame(int i) {
    const bool sent = i % 2 == 0;
    return {QDateTime::currentDateTime(),
            sent ? TrafficFrame::Direction::Sent : TrafficFrame::Direction::Received,
            QByteArray(sent ? 8 : 51, static_cast<char>(i)),
            sent ? QString() : QStringLiteral("正常"), sent ? -1 : 58};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Nanoseconds per frame added to a model that already holds kHeld frames,
// through `add`, with `settle` run after every 10 frames (a tick of the
// DIN-rail monitor gives some 20).
template <typename Add, typename Settle>
double AppendCost(Add add, Settle settle) {
    std::vector<double> runs;
    constexpr int kFrames = 20000;
    std::vector<TrafficFrame> frames;
    for (int i = 0; i < kFrames; ++i) {
        frames.push_back(Frame(i));
    }
    for (int run = 0; run < 5; ++run) {
        std::vector<TrafficFrame> batch = frames;  // made before the clock runs
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kFrames; ++i) {
            add(std::move(batch[static_cast<std::size_t>(i)]));
            if (i % 10 == 9) {
                settle();
            }
        }
        runs.push_back(static_cast<double>(clock.nsecsElapsed()) / kFrames);
    }
    return Median(runs);
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const auto [seconds, tsv] = bench::ParsePollingArgs(app.arguments(), 30);

    // Adding a frame: the model alone, and the window that shows it.
    {
        TrafficModel model;
        for (int i = 0; i < kHeld; ++i) {
            model.append(Frame(i));
        }
        Metric("append_model_held_10000",
               AppendCost([&](TrafficFrame f) { model.append(std::move(f)); }, [] {}), "ns/frame");
        TrafficWindow window(QStringLiteral("导轨式电力仪表"));
        window.show();
        for (int i = 0; i < kHeld; ++i) {
            window.addFrame(Frame(i));
        }
        QCoreApplication::processEvents();
        // The list takes the frames in batches of ten; drawing it is apart.
        Metric("append_window_list_held_10000",
               AppendCost([&](TrafficFrame f) { window.addFrame(std::move(f)); },
                          [&] { window.flush(); }),
               "ns/frame");
        std::vector<double> paints;
        for (int i = 0; i < 20; ++i) {
            window.addFrame(Frame(i));
            window.flush();
            QElapsedTimer clock;
            clock.start();
            window.view()->viewport()->repaint();
            paints.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        Metric("redraw_window_list", Median(paints), "ms");
    }

    SimProcess sim(runtime.path(), "traffic");
    QString failure;
    if (!sim.start(kCom, {"--meter", "rail", "--seed", "5", "--turnaround", "30"}, &failure)) {
        std::fprintf(stderr, "bench_traffic: %s\n", qPrintable(failure));
        return 1;
    }
    LiveRailMonitor monitor(2500);
    monitor.port.keepWrites = false;
    if (!monitor.open(kCom)) {
        std::fprintf(stderr, "bench_traffic: com%d did not open\n", kCom);
        return 1;
    }
    monitor.form.onPrimaryClicked();
    std::fprintf(stderr, "bench_traffic: polling %d s with the window closed, then open\n",
                 seconds);
    RunEventsFor(3000);  // the first tick
    const qint64 closedGap = bench::LongestEventLoopGap(seconds);
    const double closedRss = ResidentMiB();

    TrafficWindow* window = monitor.form.trafficWindow();
    window->show();
    for (int i = 0; i < kHeld; ++i) {
        window->addFrame(Frame(i));
    }
    const qint64 openGap = bench::LongestEventLoopGap(seconds);
    const double openRss = ResidentMiB();
    monitor.form.onPrimaryClicked();
    WaitUntil([&] { return !monitor.form.acquisition().tickRunning(); }, 60000);
    sim.stop();

    Metric("event_loop_gap_window_closed", static_cast<double>(closedGap), "ms");
    Metric("event_loop_gap_window_open_full", static_cast<double>(openGap), "ms");
    Metric("rss_window_closed", closedRss, "MiB");
    Metric("rss_window_open_full", openRss, "MiB");
    Metric("rss_full_window_extra", openRss - closedRss, "MiB");
    g_metrics.writeTsv(tsv);
    return 0;
}
