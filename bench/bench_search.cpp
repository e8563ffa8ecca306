// SPDX-License-Identifier: GPL-3.0-or-later
// One sweep of the meter search against metersim, against the line's limit.
//
//   bench_search [--runs N] [--tsv FILE]
//
// Starts metersim (a panel-mount meter at address 124, 9600 baud, parity N)
// on a pseudo-terminal in a private runtime folder, then lets the search
// sweep addresses 1 to 247 at 9600,N with a 50 ms answer timeout, N times
// (default 3), through the production serial component. Each sweep must
// find the meter once, as a panel-mount meter; otherwise the program fails.
//
// The limit of a sweep is the sum over the reads it sent of the request's
// line time (8 characters of 11 bits) plus the answer timeout: 247 common
// reads and the one panel-only read that follows the find. Prints every
// sweep, then "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "drive/simdriver.h"
#include "platform/qtserialport.h"
#include "search/metersearch.h"

namespace {

constexpr int kCom = 1;
constexpr int kMeterAddress = 124;
constexpr int kBaud = 9600;
constexpr int kTimeoutMs = 50;
constexpr int kSweepPatienceMs = 120000;

struct Sweep {
    double measuredMs = 0;
    double limitMs = 0;
    int reads = 0;
};

bool RunSweep(Sweep& sweep, std::string& failure) {
    mt::QtSerialPort port;
    mt::MeterSearch search(port, kCom, mt::SearchPlan::Make({kBaud}, {'N'}, 1, 247, kTimeoutMs));
    QEventLoop loop;
    std::optional<mt::SearchEnd> end;
    QObject::connect(&search, &mt::MeterSearch::finished, &loop, [&](mt::SearchEnd e) {
        end = e;
        loop.quit();
    });
    QTimer::singleShot(kSweepPatienceMs, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    search.start();
    if (!end) {
        loop.exec();
    }
    sweep.measuredMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    sweep.limitMs = static_cast<double>(search.limitOfReadsSentUs()) / 1e3;
    sweep.reads = search.readsSent();

    if (end != mt::SearchEnd::Completed) {
        failure = "the sweep did not complete";
        if (search.failure()) {
            failure += ": " + search.failure()->detail.toStdString();
        }
        return false;
    }
    const auto& finds = search.finds();
    if (finds.size() != 1 || finds[0].kind != mt::SearchFind::Kind::Meter ||
        finds[0].address != kMeterAddress || finds[0].family != mt::MeterKind::PanelMount) {
        failure = "the sweep did not find the panel-mount meter at its address exactly once";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The private runtime folder comes first, before anything asks where the
    // comN links live.
    const mt::drive::PrivateRuntime runtime;
    QCoreApplication app(argc, argv);

    int runs = 3;
    std::string tsvPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--tsv" && i + 1 < argc) {
            tsvPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_search [--runs N] [--tsv FILE]\n");
            return 2;
        }
    }
    if (!runtime.valid()) {
        std::fprintf(stderr, "bench_search: no private runtime folder\n");
        return 1;
    }

    QString failure;
    mt::drive::SimProcess sim(runtime.path(), QStringLiteral("search"));
    if (!sim.start(kCom,
                   {"--meter", "panel", "--address", QString::number(kMeterAddress), "--baud",
                    QString::number(kBaud), "--seed", "1"},
                   &failure)) {
        std::fprintf(stderr, "bench_search: metersim did not start: %s\n", qPrintable(failure));
        return 1;
    }

    std::vector<Sweep> sweeps;
    for (int run = 0; run < runs; ++run) {
        Sweep sweep;
        std::string why;
        if (!RunSweep(sweep, why)) {
            std::fprintf(stderr, "bench_search: sweep %d: %s\n", run + 1, why.c_str());
            return 1;
        }
        std::printf("sweep %d: %.1f ms for %d reads, limit %.1f ms, ratio %.3f\n", run + 1,
                    sweep.measuredMs, sweep.reads, sweep.limitMs, sweep.measuredMs / sweep.limitMs);
        std::fflush(stdout);
        sweeps.push_back(sweep);
    }
    (void)sim.stop();

    std::sort(sweeps.begin(), sweeps.end(),
              [](const Sweep& a, const Sweep& b) { return a.measuredMs < b.measuredMs; });
    const Sweep& median = sweeps[sweeps.size() / 2];
    const Sweep& worst = sweeps.back();
    char lines[1024];
    std::snprintf(lines, sizeof lines,
                  "sweep 1-247 at 9600,N, 50 ms timeout, meter at 124: measured, median of %zu "
                  "(max %.0f)\t%.0f\tms\n"
                  "sweep limit: %d reads x (8 characters' line time + 50 ms)\t%.0f\tms\n"
                  "sweep measured / limit, median (max %.3f; goal at most 1.2)\t%.3f\tratio\n",
                  sweeps.size(), worst.measuredMs, median.measuredMs, median.reads, median.limitMs,
                  worst.measuredMs / worst.limitMs, median.measuredMs / median.limitMs);
    std::fputs(lines, stdout);
    if (!tsvPath.empty()) {
        std::ofstream(tsvPath) << lines;
    }
    return 0;
}
