// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a user runs it, measured from outside under X:
//  - the private memory of the selection screen, against a bare Qt window
//    (bench_floorwindow) running beside it: pages of libraries both map are
//    shared and count for neither, so the difference is what the program
//    brings along beyond the floor;
//  - the CPU time of the whole process while the panel-mount monitor polls
//    primary data from metersim at the screen's own rhythm (4000 ms, 500 ms
//    pauses), from /proc/<pid>/task/*/schedstat, and each thread's wake-ups.
// The program is started from this build's bin/ folder with a private
// runtime and settings folder, and driven with mouse clicks (xdotool) at the
// places its controls have: the same screens are built here first to find
// them. No window manager may move windows (a bare Xvfb, as scripts/bench
// starts).
//
//   bench_blackbox [--seconds S] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE); notes go to
// standard error.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "metrics.h"
#include "panel_meter/panelmeterwindow.h"
#include "platform/qtserialport.h"
#include "platform/services.h"
#include "pollingargs.h"
#include "shell/startscreen.h"

using namespace mt;
using namespace mt::drive;

namespace {

constexpr int kCom = 1;
bench::Metrics g_metrics;

QString BinFile(const char* name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

// Runs xdotool with `args`; false when it fails or is missing.
bool XDo(const QStringList& args) {
    QProcess xdo;
    xdo.start(QStringLiteral("xdotool"), args);
    return xdo.waitForFinished(15000) && xdo.exitStatus() == QProcess::NormalExit &&
           xdo.exitCode() == 0;
}

bool Click(QPoint at) {
    return XDo({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                QStringLiteral("click"), QStringLiteral("1")});
}

// Waits until a process shows a window (bounded by xdotool's own retries).
bool WaitForWindow(qint64 pid) {
    return XDo({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--pid"), QString::number(pid)});
}

// Where a control of a top-level window shows on the screen, as this
// build's code places it.
QPoint CentreOf(QWidget& window, const char* name) {
    auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
    return control != nullptr ? control->mapToGlobal(control->rect().center()) : QPoint(-1, -1);
}

struct Places {
    QPoint enter;    // the selection screen's enter button
    QPoint open;     // the port panel's open button
    QPoint primary;  // 一次数据采集
};

Places FindPlaces() {
    Places places;
    Services services = Services::production();
    services.settings = nullptr;
    {
        StartScreen start([](MeterKind) { return nullptr; }, services);
        start.show();
        RunEventsFor(300);
        places.enter = CentreOf(start, "Command1");
    }
    {
        QtSerialPort port;
        PanelMeterWindow monitor(port, services);
        monitor.show();
        RunEventsFor(300);
        places.open = CentreOf(monitor, "Command3");
        places.primary = CentreOf(monitor, "Command1");
    }
    RunEventsFor(100);
    return places;
}

// Private memory of a process in KiB: its clean and dirty private pages.
double PrivateKiB(qint64 pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly)) {
        return 0;
    }
    double kib = 0;
    for (const QByteArray& line : rollup.readAll().split('\n')) {
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:")) {
            kib += line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
        }
    }
    return kib;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QProcessEnvironment ProgramEnvironment(const QTemporaryDir& config) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

// The selection screen beside the floor: the median of five samples of each.
bool MeasureMemory(const QTemporaryDir& config, bool controls, double* program, double* floor) {
    QProcess floorWindow;
    floorWindow.setProcessEnvironment(ProgramEnvironment(config));
    floorWindow.start(BinFile("bench_floorwindow"),
                      controls ? QStringList{QStringLiteral("--controls")} : QStringList{});
    QProcess metertest;
    metertest.setProcessEnvironment(ProgramEnvironment(config));
    metertest.start(BinFile("metertest"), {});
    if (!floorWindow.waitForStarted() || !metertest.waitForStarted() ||
        !WaitForWindow(floorWindow.processId()) || !WaitForWindow(metertest.processId())) {
        std::fprintf(stderr, "bench_blackbox: the programs did not show their windows\n");
        return false;
    }
    QThread::msleep(2000);  // first paints done, fonts loaded
    std::vector<double> programs;
    std::vector<double> floors;
    for (int sample = 0; sample < 5; ++sample) {
        programs.push_back(PrivateKiB(metertest.processId()));
        floors.push_back(PrivateKiB(floorWindow.processId()));
        QThread::msleep(300);
    }
    *program = Median(programs);
    *floor = Median(floors);
    for (QProcess* process : {&floorWindow, &metertest}) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    return *program > 0 && *floor > 0;
}

struct TaskUse {
    std::string name;
    double cpuMs = 0;
    double switches = 0;
};

// Every thread of a process by its id: the CPU time it ran (schedstat, in
// nanoseconds) and its context switches.
std::map<QString, TaskUse> TaskUses(qint64 pid) {
    std::map<QString, TaskUse> uses;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + "/comm"));
        QFile sched(tasks.filePath(tid + "/schedstat"));
        QFile status(tasks.filePath(tid + "/status"));
        if (!comm.open(QIODevice::ReadOnly) || !sched.open(QIODevice::ReadOnly) ||
            !status.open(QIODevice::ReadOnly)) {
            continue;
        }
        TaskUse& use = uses[tid];
        use.name = comm.readAll().trimmed().toStdString();
        use.cpuMs = sched.readAll().split(' ').value(0).toDouble() / 1e6;
        for (const QByteArray& entry : status.readAll().split('\n')) {
            if (entry.startsWith("voluntary_ctxt_switches:") ||
                entry.startsWith("nonvoluntary_ctxt_switches:")) {
                use.switches += entry.mid(entry.indexOf(':') + 1).trimmed().toDouble();
            }
        }
    }
    return uses;
}

bool MeasureCpu(const QTemporaryDir& config, const PrivateRuntime& runtime, const Places& places,
                int seconds) {
    SimProcess sim(runtime.path(), QStringLiteral("blackbox"));
    QString failure;
    if (!sim.start(kCom, {QStringLiteral("--meter"), QStringLiteral("panel")}, &failure)) {
        std::fprintf(stderr, "bench_blackbox: metersim: %s\n", qPrintable(failure));
        return false;
    }
    QProcess metertest;
    metertest.setProcessEnvironment(ProgramEnvironment(config));
    metertest.start(BinFile("metertest"), {});
    if (!metertest.waitForStarted() || !WaitForWindow(metertest.processId())) {
        std::fprintf(stderr, "bench_blackbox: metertest showed no window\n");
        return false;
    }
    QThread::msleep(500);
    Click(places.enter);
    QThread::msleep(1500);
    Click(places.open);
    QThread::msleep(500);
    Click(places.primary);
    QThread::msleep(6000);  // the first tick comes one interval after the start
    const qint64 pid = metertest.processId();
    const qsizetype requestsBefore = sim.requests().size();
    const auto before = TaskUses(pid);
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    const auto after = TaskUses(pid);
    const qsizetype requests = sim.requests().size() - requestsBefore;
    metertest.terminate();
    if (!metertest.waitForFinished(5000)) {
        metertest.kill();
        metertest.waitForFinished(5000);
    }
    sim.stop();
    // Five reads every 4 s.
    const qsizetype expected = seconds * 5 / 4;
    if (requests < expected - 5) {
        std::fprintf(stderr, "bench_blackbox: only %lld requests in %d s (expected %lld)\n",
                     static_cast<long long>(requests), seconds, static_cast<long long>(expected));
        return false;
    }
    double totalMs = 0;
    double uiMs = 0;
    double uiSwitches = 0;
    double otherSwitches = 0;
    for (const auto& [tid, end] : after) {
        const auto start = before.find(tid);
        const double ms = end.cpuMs - (start != before.end() ? start->second.cpuMs : 0);
        const double switches = end.switches - (start != before.end() ? start->second.switches : 0);
        totalMs += ms;
        std::fprintf(stderr, "  %-20s %8.1f ms %6.0f wake-ups\n", end.name.c_str(), ms, switches);
        if (end.name == "metertest") {
            uiMs += ms;
            uiSwitches += switches;
        } else {
            otherSwitches += switches;
        }
    }
    const QString span = QStringLiteral("%1 s").arg(seconds);
    g_metrics.add(QStringLiteral("CPU while the panel-mount monitor polls primary data, whole "
                                 "process, black box under X, %1 (goal at most 0.2 %)")
                      .arg(span)
                      .toStdString(),
                  totalMs / (seconds * 10.0), "% of a core");
    g_metrics.addText("CPU per 20 s while polling: whole process / user-interface thread",
                      (QString::number(totalMs * 20 / seconds, 'f', 1) + " / " +
                       QString::number(uiMs * 20 / seconds, 'f', 1))
                          .toStdString(),
                      "ms");
    g_metrics.addText("wake-ups while polling: user-interface thread / all other threads",
                      (QString::number(uiSwitches / seconds, 'f', 1) + " / " +
                       QString::number(otherSwitches / seconds, 'f', 1))
                          .toStdString(),
                      "per s");
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    const bench::PollingArgs args = bench::ParsePollingArgs(QCoreApplication::arguments(), 60);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "bench_blackbox: needs X (DISPLAY), not %s\n",
                     qPrintable(QGuiApplication::platformName()));
        return 1;
    }
    if (!runtime.valid()) {
        std::fprintf(stderr, "bench_blackbox: no private runtime folder\n");
        return 1;
    }
    const QTemporaryDir config;
    const Places places = FindPlaces();
    std::fprintf(stderr, "bench_blackbox: enter (%d,%d), open (%d,%d), primary (%d,%d)\n",
                 places.enter.x(), places.enter.y(), places.open.x(), places.open.y(),
                 places.primary.x(), places.primary.y());

    bool ok = true;
    double program = 0;
    double floor = 0;
    if (MeasureMemory(config, true, &program, &floor)) {
        g_metrics.add(
            "private memory at the selection screen minus a bare Qt window with the "
            "same controls, side by side (goal at most 2 MiB)",
            (program - floor) / 1024, "MiB");
        g_metrics.addText(
            "private memory at the selection screen / the bare window with its controls",
            (QString::number(program / 1024, 'f', 2) + " / " +
             QString::number(floor / 1024, 'f', 2))
                .toStdString(),
            "MiB");
    } else {
        ok = false;
    }
    if (MeasureMemory(config, false, &program, &floor)) {
        g_metrics.add(
            "private memory at the selection screen minus an empty Qt window, side by "
            "side",
            (program - floor) / 1024, "MiB");
    } else {
        ok = false;
    }
    ok = MeasureCpu(config, runtime, places, args.seconds) && ok;
    g_metrics.writeTsv(args.tsv);
    return ok ? 0 : 1;
}
