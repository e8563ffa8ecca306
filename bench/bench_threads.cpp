// SPDX-License-Identifier: GPL-3.0-or-later
// What waiting costs: the panel-mount monitor polls primary data from
// metersim at 9600 baud for a while, then keeps the port open and idle. For
// each phase, the process's CPU time as a share of one core, and for every
// thread of ours the CPU time and how often it woke per second (its context
// switches, from /proc/self/task). Ours are the user-interface thread
// ("bench_threads") and the arrival watch ("arrival"); Qt's own helper
// threads are listed together.
//
//   bench_threads [--seconds S] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE); notes go to
// standard error.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "metrics.h"
#include "pollingargs.h"

using namespace mt;
using namespace mt::drive;

namespace {

constexpr int kCom = 1;

bench::Metrics g_metrics;

struct ThreadUse {
    double cpuMs = 0;
    double switches = 0;
};

// Every thread of this process by its name: CPU time (user and system) and
// context switches (voluntary and not: each is a wake-up after a sleep or a
// preemption).
std::map<std::string, ThreadUse> ThreadUses() {
    std::map<std::string, ThreadUse> uses;
    const double msPerTick = 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + "/comm"));
        QFile stat(tasks.filePath(tid + "/stat"));
        QFile status(tasks.filePath(tid + "/status"));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly) ||
            !status.open(QIODevice::ReadOnly)) {
            continue;
        }
        std::string name = comm.readAll().trimmed().toStdString();
        if (name != "bench_threads" && name != "arrival" && name != "recording") {
            name = "qt-helpers";
        }
        ThreadUse& use = uses[name];
        // After the name in parentheses: field 14 and 15 are utime and stime.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12) {
            use.cpuMs += (fields[11].toDouble() + fields[12].toDouble()) * msPerTick;
        }
        for (const QByteArray& entry : status.readAll().split('\n')) {
            if (entry.startsWith("voluntary_ctxt_switches:") ||
                entry.startsWith("nonvoluntary_ctxt_switches:")) {
                use.switches += entry.mid(entry.indexOf(':') + 1).trimmed().toDouble();
            }
        }
    }
    return uses;
}

// The process's CPU time in ms (all threads, also those that ended).
double ProcessCpuMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double msPerTick = 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) * msPerTick : 0;
}

// Runs the event loop for `seconds` and reports what the process and each
// thread spent meanwhile, under `phase`.
void Measure(const std::string& phase, int seconds) {
    const auto before = ThreadUses();
    const double cpuBefore = ProcessCpuMs();
    RunEventsFor(seconds * 1000);
    const double cpuAfter = ProcessCpuMs();
    const auto after = ThreadUses();
    g_metrics.add(phase + "_process_cpu", (cpuAfter - cpuBefore) / (seconds * 10.0), "% of a core");
    for (const auto& [name, use] : after) {
        const auto was = before.find(name);
        const ThreadUse start = was != before.end() ? was->second : ThreadUse{};
        const std::string thread = name == "bench_threads" ? "ui" : name;
        g_metrics.add(phase + "_" + thread + "_cpu", use.cpuMs - start.cpuMs, "ms");
        g_metrics.add(phase + "_" + thread + "_wakeups", (use.switches - start.switches) / seconds,
                      "per s");
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const auto [seconds, tsv] = bench::ParsePollingArgs(app.arguments(), 60);

    SimProcess sim(runtime.path(), "threads");
    QString failure;
    if (!sim.start(kCom, {"--meter", "panel", "--seed", "5"}, &failure)) {
        std::fprintf(stderr, "bench_threads: %s\n", qPrintable(failure));
        return 1;
    }
    LivePanelMonitor monitor(4000);
    monitor.port.keepWrites = false;
    if (!monitor.open(kCom)) {
        std::fprintf(stderr, "bench_threads: com%d did not open\n", kCom);
        return 1;
    }
    monitor.form.onPrimaryClicked();
    std::fprintf(stderr, "bench_threads: polling %d s, then %d s open and idle\n", seconds,
                 seconds);
    RunEventsFor(5000);  // the first ticks, the fonts and the caches
    const int ticksBefore = monitor.ticks.completed();
    Measure("polling", seconds);
    const int ticks = monitor.ticks.completed() - ticksBefore;

    monitor.form.onPrimaryClicked();
    WaitUntil([&] { return !monitor.form.acquisition().tickRunning(); }, 60000);
    RunEventsFor(2000);
    Measure("idle_open", seconds);
    sim.stop();

    g_metrics.add("polling_ticks", ticks, "ticks");
    g_metrics.writeTsv(tsv);
    return 0;
}
