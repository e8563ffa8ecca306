// SPDX-License-Identifier: GPL-3.0-or-later
// What a gateway on the network costs, on localhost.
//
//   bench_network [--requests N] [--rounds N] [--tsv FILE]
//
// 1. Round trip: metersim behind its simulated gateway (Modbus TCP) with one
//    panel-mount meter (20 ms turnaround); the program's port component,
//    the port number mapped to it, sends N (default 200) reads of the first
//    primary block one after the other. Each request's round trip, from the
//    write to the whole RTU answer handed up, is set against the time the
//    simulator itself took for it (its request and answer logs: the request
//    received, the answer sent after the line's time and the turnaround):
//    the difference is what the TCP transport adds (the mean: the logs keep
//    whole milliseconds).
// 2. The bus overview's round through a Modbus TCP port: 32 meters (16 + 16)
//    behind the gateway, its line at 9600,N with a 20 ms turnaround, polled as
//    fast as the line allows; a round against the limit of the serial line
//    behind the gateway (as bench_bus computes it).
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <QCoreApplication>
#include <QElapsedTimer>
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
#include "link/crc16.h"
#include "platform/lineport.h"
#include "platform/portmap.h"
#include "shell/busfamilies.h"

namespace {

constexpr int kCom = 9;
using mt::bench::kBaud;
using mt::bench::KindOf;
using mt::bench::kMeters;
using mt::bench::kTurnaroundMs;
using mt::bench::RoundLimitMs;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The logs keep whole milliseconds: a difference of two is off by less than
// 1 ms either way, evenly, so the mean of many is what is exact.
double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (const double v : values) {
        sum += v;
    }
    return values.empty() ? 0 : sum / double(values.size());
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(q * double(values.size() - 1))];
}

void MapTo(int tcpPort) {
    mt::SetNetworkPorts(
        {{kCom, mt::NetworkEndpoint{"127.0.0.1", tcpPort, mt::Framing::ModbusTcp}}});
    mt::SetAutoReconnectChoices({{kCom, false}});
}

bool OpenConnected(mt::LinePort& port) {
    if (!port.setPortNumber(kCom).ok() || !port.open().ok()) {
        return false;
    }
    QEventLoop loop;
    QObject::connect(&port, &mt::SerialPort::linkStateChanged, &loop, [&] { loop.quit(); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (port.linkState() != mt::LinkState::Connected) {
        loop.exec();
    }
    return port.linkState() == mt::LinkState::Connected;
}

// Part 1: the transport's own share of a round trip, in ms per request.
bool RoundTrips(const QString& folder, int requests, std::vector<double>& added,
                std::vector<double>& trips) {
    mt::drive::SimProcess sim(folder, QStringLiteral("roundtrip"));
    QString failure;
    if (!sim.startTcp(0,
                      {"--meter", "panel", "--turnaround", QString::number(kTurnaroundMs),
                       "--framing", "mbap", "--seed", "3"},
                      &failure)) {
        std::fprintf(stderr, "bench_network: %s\n", qPrintable(failure));
        return false;
    }
    MapTo(sim.tcpPort());
    mt::LinePort port;
    if (!OpenConnected(port)) {
        std::fprintf(stderr, "bench_network: no connection to metersim\n");
        return false;
    }
    QByteArray request;
    for (const int byte : {1, 4, 0, 10, 0, 24}) {
        request.append(static_cast<char>(byte));
    }
    const std::uint16_t crc = mt::Crc16(std::span(
        reinterpret_cast<const std::uint8_t*>(request.constData()), size_t(request.size())));
    request.append(static_cast<char>(crc & 0xFF)).append(static_cast<char>(crc >> 8));
    const int expected = static_cast<int>(mt::ExpectedAnswerLength(4, 24));
    port.setReceiveThreshold(expected);
    QElapsedTimer clock;
    for (int i = 0; i < requests; ++i) {
        port.clearInput();
        QEventLoop loop;
        const auto arrived = QObject::connect(&port, &mt::SerialPort::commEvent, &loop, [&] {
            if (port.bytesWaiting() >= expected) {
                loop.quit();
            }
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        clock.start();
        if (!port.write(request).ok()) {
            std::fprintf(stderr, "bench_network: write failed\n");
            return false;
        }
        loop.exec();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        QObject::disconnect(arrived);
        if (port.bytesWaiting() < expected) {
            std::fprintf(stderr, "bench_network: request %d not answered\n", i + 1);
            return false;
        }
        trips.push_back(ms);
    }
    port.close();
    (void)sim.stop();
    const QList<mt::drive::SimLogLine> in = sim.requests();
    const QList<mt::drive::SimLogLine> out = sim.answers();
    if (in.size() != requests || out.size() != requests) {
        std::fprintf(stderr, "bench_network: metersim logged %lld requests, %lld answers\n",
                     static_cast<long long>(in.size()), static_cast<long long>(out.size()));
        return false;
    }
    for (int i = 0; i < requests; ++i) {
        const double simMs = static_cast<double>(out[i].ms - in[i].ms);
        added.push_back(trips[static_cast<size_t>(i)] - simMs);
    }
    return true;
}

// Part 2: bus rounds through the Modbus TCP port, in ms per round.
bool BusRounds(const QString& folder, int rounds, std::vector<double>& times) {
    QStringList options = {"--baud", QString::number(kBaud), "--seed", "1", "--framing", "mbap"};
    QList<mt::BusMeter> meters;
    for (int address = 1; address <= kMeters; ++address) {
        const mt::MeterKind kind = KindOf(address);
        options << "--meter" << (kind == mt::MeterKind::PanelMount ? "panel" : "rail")
                << "--address" << QString::number(address) << "--turnaround"
                << QString::number(kTurnaroundMs);
        meters << mt::BusMeter{address, kind, {}, true};
    }
    mt::drive::SimProcess sim(folder, QStringLiteral("bus"));
    QString failure;
    if (!sim.startTcp(0, options, &failure)) {
        std::fprintf(stderr, "bench_network: %s\n", qPrintable(failure));
        return false;
    }
    MapTo(sim.tcpPort());
    mt::LinePort port;
    mt::BusPoller poller(port, mt::MeasurementFamilies());
    poller.setMeters(meters);
    QEventLoop loop;
    QObject::connect(&poller, &mt::BusPoller::roundFinished, &loop, [&](quint64 round, qint64 ms) {
        std::printf("round %llu: %lld ms\n", static_cast<unsigned long long>(round),
                    static_cast<long long>(ms));
        std::fflush(stdout);
        if (round > 1) {
            times.push_back(static_cast<double>(ms));
        }
        if (static_cast<int>(round) >= rounds) {
            poller.stop();
            loop.quit();
        }
    });
    QTimer::singleShot(rounds * 20000, &loop, &QEventLoop::quit);
    if (!poller.start(kCom, QStringLiteral("9600,N,8,1"))) {
        std::fprintf(stderr, "bench_network: the network port did not open\n");
        return false;
    }
    loop.exec();
    poller.stop();
    (void)sim.stop();
    for (const mt::BusMeterStatus& meter : poller.meters()) {
        if (meter.counts.accepted != meter.counts.requests || meter.counts.requests == 0) {
            std::fprintf(stderr, "bench_network: meter %d answered %lld of %lld reads\n",
                         meter.meter.address, static_cast<long long>(meter.counts.accepted),
                         static_cast<long long>(meter.counts.requests));
            return false;
        }
    }
    return !times.empty();
}

}  // namespace

int main(int argc, char* argv[]) {
    const mt::drive::PrivateRuntime runtime;
    QCoreApplication app(argc, argv);
    int requests = 200;
    int rounds = 10;
    std::string tsvPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--requests" && i + 1 < argc) {
            requests = std::max(10, std::atoi(argv[++i]));
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(2, std::atoi(argv[++i]));
        } else if (arg == "--tsv" && i + 1 < argc) {
            tsvPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_network [--requests N] [--rounds N] [--tsv FILE]\n");
            return 2;
        }
    }
    if (!runtime.valid()) {
        std::fprintf(stderr, "bench_network: no private runtime folder\n");
        return 1;
    }
    std::vector<double> added;
    std::vector<double> trips;
    if (!RoundTrips(runtime.path(), requests, added, trips)) {
        return 1;
    }
    std::vector<double> times;
    if (!BusRounds(runtime.path(), rounds, times)) {
        return 1;
    }
    const double limit = RoundLimitMs();
    const double median = Median(times);
    const double worst = *std::max_element(times.begin(), times.end());
    char lines[1400];
    std::snprintf(
        lines, sizeof lines,
        "Modbus TCP round trip on localhost, 20 ms turnaround: median of %d (p95 %.2f)\t%.2f\tms\n"
        "added by the TCP transport over metersim's own time: mean (goal under 1)\t%.2f\tms\n"
        "bus round of 32 meters through Modbus TCP, line 9600,N: median of %zu rounds (max "
        "%.0f)\t%.0f\tms\n"
        "bus round through Modbus TCP / limit of the line behind it, median (max %.3f; goal at "
        "most 1.2)\t%.3f\tratio\n",
        requests, Quantile(trips, 0.95), Median(trips), Mean(added), times.size(), worst, median,
        worst / limit, median / limit);
    std::fputs(lines, stdout);
    if (!tsvPath.empty()) {
        std::ofstream(tsvPath) << lines;
    }
    return 0;
}
