// SPDX-License-Identifier: GPL-3.0-or-later
// A round of the bus overview over 32 simulated meters, against the line's
// limit.
//
//   bench_bus [--rounds N] [--tsv FILE]
//
// Starts one metersim line at 9600,N with 32 meters (addresses 1 to 32,
// panel-mount and DIN-rail in turn, each with a turnaround of 20 ms give or
// take 20 %) on a pseudo-terminal in a private runtime folder, then lets the
// bus poller run N rounds (default 10) through the production serial
// component as fast as the line allows. Every meter must answer every read.
//
// The limit of a round is, per read, the request's and the answer's
// characters at 11 bits, plus the meter's turnaround (20 ms, as set), plus
// the 3.5-character silence. The first round is left out: its timeouts are
// still the first margin (it costs nothing while every meter answers, but the
// turnaround is being learnt). Prints every round, then
// "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bus/buspoller.h"
#include "bus/busreads.h"
#include "busline.h"
#include "drive/simdriver.h"
#include "link/answercheck.h"
#include "platform/qtserialport.h"
#include "shell/busfamilies.h"

namespace {

constexpr int kCom = 1;
using mt::bench::kBaud;
using mt::bench::KindOf;
using mt::bench::kMeters;
using mt::bench::kTurnaroundMs;
using mt::bench::RoundLimitMs;

}  // namespace

int main(int argc, char* argv[]) {
    const mt::drive::PrivateRuntime runtime;
    QCoreApplication app(argc, argv);

    int rounds = 10;
    std::string tsvPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(2, std::atoi(argv[++i]));
        } else if (arg == "--tsv" && i + 1 < argc) {
            tsvPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_bus [--rounds N] [--tsv FILE]\n");
            return 2;
        }
    }
    if (!runtime.valid()) {
        std::fprintf(stderr, "bench_bus: no private runtime folder\n");
        return 1;
    }

    QStringList options = {"--baud", QString::number(kBaud), "--seed", "1"};
    QList<mt::BusMeter> meters;
    for (int address = 1; address <= kMeters; ++address) {
        const mt::MeterKind kind = KindOf(address);
        options << "--meter" << (kind == mt::MeterKind::PanelMount ? "panel" : "rail")
                << "--address" << QString::number(address) << "--turnaround"
                << QString::number(kTurnaroundMs);
        meters << mt::BusMeter{address, kind, {}, true};
    }
    QString failure;
    mt::drive::SimProcess sim(runtime.path(), QStringLiteral("bus"));
    if (!sim.start(kCom, options, &failure)) {
        std::fprintf(stderr, "bench_bus: metersim did not start: %s\n", qPrintable(failure));
        return 1;
    }

    mt::QtSerialPort port;
    mt::BusPoller poller(port, mt::MeasurementFamilies());
    poller.setMeters(meters);
    std::vector<double> times;
    std::vector<double> pollerLimits;
    QEventLoop loop;
    QObject::connect(&poller, &mt::BusPoller::roundFinished, &loop, [&](quint64 round, qint64 ms) {
        std::printf("round %llu: %lld ms (the poller's own limit %.0f ms)\n",
                    static_cast<unsigned long long>(round), static_cast<long long>(ms),
                    poller.lastRoundLimitMs());
        std::fflush(stdout);
        if (round > 1) {
            times.push_back(static_cast<double>(ms));
            pollerLimits.push_back(poller.lastRoundLimitMs());
        }
        if (static_cast<int>(round) >= rounds) {
            poller.stop();
            loop.quit();
        }
    });
    QTimer::singleShot(rounds * 20000, &loop, &QEventLoop::quit);
    if (!poller.start(kCom, QStringLiteral("9600,N,8,1"))) {
        std::fprintf(stderr, "bench_bus: the port did not open\n");
        return 1;
    }
    loop.exec();
    poller.stop();
    (void)sim.stop();

    for (const mt::BusMeterStatus& meter : poller.meters()) {
        if (meter.counts.accepted != meter.counts.requests || meter.counts.requests == 0) {
            std::fprintf(stderr, "bench_bus: meter %d answered %lld of %lld reads\n",
                         meter.meter.address, static_cast<long long>(meter.counts.accepted),
                         static_cast<long long>(meter.counts.requests));
            return 1;
        }
    }
    if (times.empty()) {
        std::fprintf(stderr, "bench_bus: no round completed\n");
        return 1;
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double worst = sorted.back();
    const double limit = RoundLimitMs();
    char lines[1024];
    std::snprintf(lines, sizeof lines,
                  "round of 32 meters (16 + 16) at 9600,N, 20 ms turnaround: measured, median of "
                  "%zu rounds (max %.0f)\t%.0f\tms\n"
                  "round limit: 64 reads x (request + answer at 11 bits + 20 ms + 3.5 "
                  "characters)\t%.0f\tms\n"
                  "round measured / limit, median (max %.3f; goal at most 1.2)\t%.3f\tratio\n",
                  times.size(), worst, median, limit, worst / limit, median / limit);
    std::fputs(lines, stdout);
    if (!tsvPath.empty()) {
        std::ofstream(tsvPath) << lines;
    }
    return 0;
}
