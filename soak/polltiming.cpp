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

#include "panel_meter/panelpoller.h"
#include "rail_meter/railpollcycle.h"
#include "rail_meter/railschedule.h"
#include "support/livemonitor.h"
#include "support/simdriver.h"

using namespace mt;
using namespace mt::test;

namespace {

double ResidentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    const double pages = fields.size() > 1 ? fields[1].toDouble() : 0;
    return pages * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

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

bool Run(const QString& which, int seconds, const PrivateRuntime& runtime) {
    const bool panel = which == QLatin1String("panel");
    const Schedule schedule =
        panel ? Schedule{10, static_cast<int>(kPrimarySchedule.size()), 4000, kStepPauseMs}
              : Schedule{70, static_cast<int>(RailPollSchedule.size()), 5000,
                         RailPollCycle::kPauseMs};
    SimProcess sim(runtime.path(), which);
    QString failure;
    if (!sim.start(1, {"--meter", panel ? "panel" : "rail", "--seed", "1"}, &failure)) {
        std::fprintf(stderr, "metertest_polltiming: %s\n", qPrintable(failure));
        return false;
    }
    std::unique_ptr<LivePanelMonitor> panelMonitor;
    std::unique_ptr<LiveRailMonitor> railMonitor;
    bool opened = false;
    if (panel) {
        panelMonitor = std::make_unique<LivePanelMonitor>(schedule.intervalMs);
        panelMonitor->port.keepWrites = false;
        opened = panelMonitor->open(1);
        panelMonitor->form.Command1Click();
    } else {
        railMonitor = std::make_unique<LiveRailMonitor>(schedule.intervalMs);
        railMonitor->port.keepWrites = false;
        opened = railMonitor->open(1);
        railMonitor->form.Command1Click();
    }
    if (!opened) {
        std::fprintf(stderr, "metertest_polltiming: com1 did not open\n");
        return false;
    }
    std::fprintf(stderr, "metertest_polltiming: %s monitor polling for %d s\n", qPrintable(which),
                 seconds);
    RunEventsFor(seconds * 1000);
    // Stop as a user would and let the tick under way end.
    panel ? panelMonitor->form.Command1Click() : railMonitor->form.Command1Click();
    const TickCounter& ticks = panel ? panelMonitor->ticks : railMonitor->ticks;
    WaitUntil([&] { return ticks.runningForMs() == 0; }, 60000);
    RunEventsFor(500);
    const double rss = ResidentMiB();
    sim.stop();

    Measure(which, sim.requests(), schedule);
    Metric(which + ".ticks", ticks.completed(), "count");
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
