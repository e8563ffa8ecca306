// SPDX-License-Identifier: GPL-3.0-or-later
// metertest_polltiming: how closely the monitors keep their poll timing.
// Each monitor polls a simulated meter at its real timer interval and with
// its real pauses (panel-mount 4000 ms / 500 ms, DIN-rail 5000 ms / 200 ms)
// for the given time, one after the other; the simulator's request log tells
// when each request reached the line. Prints one line per metric,
// "name<TAB>value<TAB>unit", on standard output; notes go to standard error.
//
//   metertest_polltiming [--seconds S] [--monitor panel|rail|both]

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/railschedule.h"

using namespace mt;
using namespace mt::drive;

namespace {

void Metric(const QString& name, double value, const char* unit) {
    std::printf(std::strcmp(unit, "count") == 0 ? "%s\t%.0f\t%s\n" : "%s\t%.1f\t%s\n",
                qPrintable(name), value, unit);
}

// The value below which `share` of the sorted values lie (nearest rank).
double Quantile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// Median of the errors (measured minus nominal), and the 99th percentile
// and the maximum of their size.
void ErrorMetrics(const QString& name, const std::vector<double>& measured, double nominal) {
    Metric(name + ".nominal", nominal, "ms");
    Metric(name + ".samples", static_cast<double>(measured.size()), "count");
    if (measured.empty()) {
        return;
    }
    std::vector<double> errors;
    std::vector<double> sizes;
    for (const double value : measured) {
        errors.push_back(value - nominal);
        sizes.push_back(std::abs(value - nominal));
    }
    Metric(name + ".median_error", Quantile(errors, 0.5), "ms");
    Metric(name + ".p99_error", Quantile(sizes, 0.99), "ms");
    Metric(name + ".max_error", *std::max_element(sizes.begin(), sizes.end()), "ms");
}

struct Schedule {
    int firstStart;  // start register of the first read of a tick
    int reads;       // reads per tick
    int intervalMs;
    int pauseMs;
};

// Splits the logged requests into ticks (each begins with the first read of
// the schedule) and measures the time between tick starts and between the
// reads inside a tick.
void Measure(const QString& prefix, const QList<SimLogLine>& requests, const Schedule& schedule) {
    std::vector<double> intervals;
    std::vector<double> spacings;
    qint64 tickStart = -1;
    int inTick = 0;
    qint64 previous = -1;
    for (const SimLogLine& request : requests) {
        const int start = request.bytes.size() >= 4
                              ? (static_cast<std::uint8_t>(request.bytes[2]) << 8) |
                                    static_cast<std::uint8_t>(request.bytes[3])
                              : -1;
        if (start == schedule.firstStart) {
            if (tickStart >= 0) {
                intervals.push_back(static_cast<double>(request.ms - tickStart));
            }
            tickStart = request.ms;
            inTick = 1;
        } else if (inTick > 0 && inTick < schedule.reads) {
            spacings.push_back(static_cast<double>(request.ms - previous));
            ++inTick;
        }
        previous = request.ms;
    }
    ErrorMetrics(prefix + ".tick_interval", intervals, schedule.intervalMs);
    ErrorMetrics(prefix + ".request_spacing", spacings, schedule.pauseMs);
}

// Lets one monitor poll for `seconds` from a start click to a stop click.
template <typename Live>
bool Poll(Live& monitor, int seconds, const QString& which) {
    monitor.port.keepWrites = false;
    if (!monitor.open(1)) {
        std::fprintf(stderr, "metertest_polltiming: com1 did not open\n");
        return false;
    }
    monitor.form.onPrimaryClicked();
    std::fprintf(stderr, "metertest_polltiming: %s monitor polling for %d s\n", qPrintable(which),
                 seconds);
    RunEventsFor(seconds * 1000);
    // Stop as a user would and let the tick under way end.
    monitor.form.onPrimaryClicked();
    WaitUntil([&] { return monitor.ticks.runningForMs() == 0; }, 60000);
    RunEventsFor(500);
    return true;
}

bool Run(const QString& which, int seconds, const PrivateRuntime& runtime) {
    const bool panel = which == QLatin1String("panel");
    const Schedule schedule =
        panel ? Schedule{kPrimarySchedule[0].start, static_cast<int>(kPrimarySchedule.size()),
                         kPanelTimerIntervalMs, kPanelPauseMs}
              : Schedule{RailPollSchedule[0].start, static_cast<int>(RailPollSchedule.size()),
                         kRailTimerIntervalMs, kRailPauseMs};
    SimProcess sim(runtime.path(), which);
    QString failure;
    if (!sim.start(1, {"--meter", panel ? "panel" : "rail", "--seed", "1"}, &failure)) {
        std::fprintf(stderr, "metertest_polltiming: %s\n", qPrintable(failure));
        return false;
    }
    int ticks = 0;
    bool polled = false;
    if (panel) {
        LivePanelMonitor monitor(schedule.intervalMs);
        polled = Poll(monitor, seconds, which);
        ticks = monitor.ticks.completed();
    } else {
        LiveRailMonitor monitor(schedule.intervalMs);
        polled = Poll(monitor, seconds, which);
        ticks = monitor.ticks.completed();
    }
    if (!polled) {
        return false;
    }
    const double rss = ResidentMiB();
    sim.stop();

    Measure(which, sim.requests(), schedule);
    Metric(which + ".ticks", ticks, "count");
    Metric(which + ".rss_after_polling", rss, "MiB");
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The private runtime folder comes first: before the application and
    // before anything asks QStandardPaths where the comN links live.
    const PrivateRuntime runtime;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int seconds = 60;
    QString monitor = QStringLiteral("both");
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        bool ok = i + 1 < args.size();
        if (args[i] == "--seconds" && ok) {
            seconds = args[++i].toInt(&ok);
            ok = ok && seconds > 0;
        } else if (args[i] == "--monitor" && ok) {
            monitor = args[++i];
            ok = monitor == "panel" || monitor == "rail" || monitor == "both";
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr,
                         "Usage: metertest_polltiming [--seconds S] [--monitor panel|rail|both]\n");
            return 2;
        }
    }
    if (!runtime.valid()) {
        return 2;
    }
    bool ok = true;
    for (const QString& which : {QStringLiteral("panel"), QStringLiteral("rail")}) {
        if (monitor == which || monitor == QLatin1String("both")) {
            ok = Run(which, seconds, runtime) && ok;
        }
    }
    return ok ? 0 : 1;
}
