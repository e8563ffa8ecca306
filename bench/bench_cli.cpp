// SPDX-License-Identifier: GPL-3.0-or-later
// metertest-cli's start and memory.
//
//   bench_cli [--starts N] [--seconds S] [--tsv FILE]
//
// 1. Start to first request: a pseudo-terminal held by this program stands
//    for the meter (the link com1 in a private runtime folder points to it);
//    metertest-cli is started N times (default 15) with "read --port com1
//    --family panel", and the time from just before the fork to the first
//    byte of its first request on the pseudo-terminal is taken. Median.
// 2. Resident memory while polling: metertest-cli "read --follow" against
//    metersim's panel-mount meter for S seconds (default 10), then VmRSS and
//    VmHWM from /proc.
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "drive/simdriver.h"
#include "platform/portmap.h"

namespace {

QString CliPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/metertest-cli");
}

// Milliseconds from the start of metertest-cli to its first request byte,
// or a negative number when none came.
double FirstRequestMs() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        return -1;
    }
    const QString device = QString::fromLocal8Bit(::ptsname(master));
    const QString link = mt::PortLinkFolder() + QStringLiteral("/com1");
    QDir().mkpath(mt::PortLinkFolder());
    QFile::remove(link);
    QFile::link(device, link);
    // The slave stays open here too, so that the pseudo-terminal lives
    // between the program's opening and closing it.
    const int slave = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(CliPath(), {"read", "--port", "com1", "--family", "panel", "--timeout", "50",
                          "--format", "json"});
    pollfd fd{master, POLLIN, 0};
    double ms = -1;
    if (::poll(&fd, 1, 10000) == 1) {
        ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    cli.waitForFinished(10000);
    ::close(slave);
    ::close(master);
    return ms;
}

long StatusKib(qint64 pid, const char* key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(key) + 1);
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    const mt::drive::PrivateRuntime runtime;
    QCoreApplication app(argc, argv);
    int starts = 15;
    int seconds = 10;
    std::string tsvPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--starts" && i + 1 < argc) {
            starts = std::max(3, std::atoi(argv[++i]));
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::max(2, std::atoi(argv[++i]));
        } else if (arg == "--tsv" && i + 1 < argc) {
            tsvPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_cli [--starts N] [--seconds S] [--tsv FILE]\n");
            return 2;
        }
    }
    std::vector<double> times;
    for (int i = 0; i < starts; ++i) {
        const double ms = FirstRequestMs();
        if (ms < 0) {
            std::fprintf(stderr, "bench_cli: no request from metertest-cli\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());

    mt::drive::SimProcess sim(runtime.path(), QStringLiteral("cli"));
    QString failure;
    if (!sim.start(2, {"--meter", "panel", "--turnaround", "20"}, &failure)) {
        std::fprintf(stderr, "bench_cli: %s\n", qPrintable(failure));
        return 1;
    }
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.start(CliPath(), {"read", "--port", "com2", "--family", "panel", "--follow", "--interval",
                          "1000", "--format", "json"});
    if (!cli.waitForStarted()) {
        std::fprintf(stderr, "bench_cli: metertest-cli did not start\n");
        return 1;
    }
    QThread::sleep(static_cast<unsigned long>(seconds));
    const long rss = StatusKib(cli.processId(), "VmRSS:");
    const long hwm = StatusKib(cli.processId(), "VmHWM:");
    cli.terminate();
    cli.waitForFinished(10000);
    (void)sim.stop();
    if (rss <= 0) {
        std::fprintf(stderr, "bench_cli: no memory figure\n");
        return 1;
    }
    char lines[800];
    std::snprintf(
        lines, sizeof lines,
        "metertest-cli start to first request, median of %d (range %.1f-%.1f ms; goal "
        "under 50)\t%.1f\tms\n"
        "metertest-cli resident memory after %d s of polling (peak %.1f MiB)\t%.1f\tMiB\n",
        starts, times.front(), times.back(), times[times.size() / 2], seconds,
        static_cast<double>(hwm) / 1024, static_cast<double>(rss) / 1024);
    std::fputs(lines, stdout);
    if (!tsvPath.empty()) {
        std::ofstream(tsvPath) << lines;
    }
    return 0;
}
