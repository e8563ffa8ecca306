// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of what the tool does with every answer that arrives: the
// acceptance test (length, function code, CRC) and the decoder of the screen,
// per answer shape; and the CRC-16 of the link layer against Boost.CRC on the
// same frames. Ends with a summary, one "metric<TAB>value<TAB>unit" line
// each, on standard output and, with --tsv=FILE, in FILE.
//
// Any option of Google Benchmark works (--benchmark_min_time=0.1,
// --benchmark_repetitions=5, --benchmark_filter=rail, ...). With repetitions
// the summary gives the median.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <boost/crc.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "answers.h"
#include "link/crc16.h"

namespace {

using mt::bench::AnswerShape;
using mt::bench::Frame;

// The CRC-16 of Modbus as Boost.CRC spells it: polynomial 0x8005, initial
// value 0xFFFF, no final XOR, input and output reflected.
using BoostModbusCrc = boost::crc_optimal<16, 0x8005, 0xFFFF, 0, true, true>;

constexpr int kFramesPerShape = 32;
constexpr std::string_view kCrcOurs = "crc16/ours";
constexpr std::string_view kCrcBoost = "crc16/boost";

std::uint16_t BoostCrc(std::span<const std::uint8_t> bytes) {
    BoostModbusCrc crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

// The bytes a receiver runs the CRC over: all but the two CRC bytes.
std::span<const std::uint8_t> Covered(const Frame& frame) {
    return std::span<const std::uint8_t>(frame.bytes).first(frame.bytes.size() - 2);
}

std::uint16_t SentCrc(const Frame& frame) {
    const std::size_t n = frame.bytes.size();
    return static_cast<std::uint16_t>(frame.bytes[n - 2] | (frame.bytes[n - 1] << 8));
}

// Both CRCs must give the same result on every frame before either is timed,
// and the one the simulated meter sent on every frame that is meant to pass.
bool CrcsAgree(const std::vector<AnswerShape>& shapes, std::string& problem) {
    static constexpr std::array<std::uint8_t, 9> kCheckInput{'1', '2', '3', '4', '5',
                                                             '6', '7', '8', '9'};
    if (mt::Crc16(kCheckInput) != 0x4B37 || BoostCrc(kCheckInput) != 0x4B37) {
        problem = "check value of \"123456789\" is not 0x4B37";
        return false;
    }
    for (const AnswerShape& shape : shapes) {
        for (const Frame& frame : shape.frames) {
            const std::uint16_t ours = mt::Crc16(Covered(frame));
            const std::uint16_t boost = BoostCrc(Covered(frame));
            const bool sentMatches = ours == SentCrc(frame);
            if (ours != boost || sentMatches != shape.accepted) {
                char text[160];
                std::snprintf(text, sizeof text, "%s: ours %04X, Boost.CRC %04X, sent %04X",
                              shape.label.c_str(), ours, boost, SentCrc(frame));
                problem = text;
                return false;
            }
        }
    }
    return true;
}

void RegisterShape(const AnswerShape& shape) {
    benchmark::RegisterBenchmark(
        ("accept_decode/" + shape.id).c_str(), [&shape](benchmark::State& state) {
            for (auto _ : state) {
                for (const Frame& frame : shape.frames) {
                    std::size_t set = mt::bench::AcceptAndDecode(shape, frame);
                    benchmark::DoNotOptimize(set);
                }
            }
            state.SetItemsProcessed(state.iterations() *
                                    static_cast<std::int64_t>(shape.frames.size()));
        });
}

template <typename CrcFunction>
void RegisterCrc(std::string_view name, const std::vector<std::span<const std::uint8_t>>& frames,
                 CrcFunction crc) {
    std::size_t bytes = 0;
    for (const auto& frame : frames) {
        bytes += frame.size();
    }
    benchmark::RegisterBenchmark(
        std::string(name).c_str(), [&frames, bytes, crc](benchmark::State& state) {
            for (auto _ : state) {
                for (const auto& frame : frames) {
                    std::uint16_t value = crc(frame);
                    benchmark::DoNotOptimize(value);
                }
            }
            state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
            state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
        });
}

// Shows the runs as usual and keeps the frames per second of every run.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports) {
            const auto rate = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred &&
                rate != run.counters.end()) {
                rates_[run.run_name.function_name].push_back(rate->second.value);
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    // Median frames per second of a benchmark over its repetitions; 0 when
    // it did not run.
    double MedianRate(const std::string& name) const {
        const auto found = rates_.find(name);
        if (found == rates_.end() || found->second.empty()) {
            return 0;
        }
        std::vector<double> rates = found->second;
        std::sort(rates.begin(), rates.end());
        const std::size_t mid = rates.size() / 2;
        return rates.size() % 2 == 1 ? rates[mid] : (rates[mid - 1] + rates[mid]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> rates_;
};

std::string Fixed(double value, int decimals) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(decimals);
    text << value;
    return text.str();
}

// Removes --tsv=FILE from the arguments (Google Benchmark refuses options it
// does not know) and gives FILE.
std::string TakeTsvOption(int& argc, char** argv) {
    constexpr std::string_view kOption = "--tsv=";
    std::string path;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg.starts_with(kOption)) {
            path = std::string(arg.substr(kOption.size()));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tsvPath = TakeTsvOption(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }

    const std::vector<AnswerShape> shapes = mt::bench::MakeAnswerShapes(kFramesPerShape);
    std::string problem;
    if (!mt::bench::CheckAnswerShapes(shapes, problem)) {
        std::cerr << "bench_frames: answer set is wrong: " << problem << '\n';
        return 1;
    }
    if (!CrcsAgree(shapes, problem)) {
        std::cerr << "bench_frames: the CRCs disagree: " << problem << '\n';
        return 1;
    }
    std::vector<std::span<const std::uint8_t>> crcFrames;
    for (const AnswerShape& shape : shapes) {
        for (const Frame& frame : shape.frames) {
            crcFrames.push_back(Covered(frame));
        }
    }
    std::cout << "CRC-16: ours and Boost.CRC agree on all " << crcFrames.size() << " frames\n";

    for (const AnswerShape& shape : shapes) {
        RegisterShape(shape);
    }
    RegisterCrc(kCrcOurs, crcFrames,
                [](std::span<const std::uint8_t> bytes) { return mt::Crc16(bytes); });
    RegisterCrc(kCrcBoost, crcFrames, BoostCrc);

    CollectingReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                                      : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::ostringstream summary;
    for (const AnswerShape& shape : shapes) {
        const double rate = reporter.MedianRate("accept_decode/" + shape.id);
        if (rate > 0) {
            summary << "accept+decode " << shape.label << '\t' << Fixed(rate, 0) << "\tframes/s\n";
        }
    }
    const double ours = reporter.MedianRate(std::string(kCrcOurs));
    const double boost = reporter.MedianRate(std::string(kCrcBoost));
    if (ours > 0 && boost > 0) {
        summary << "CRC-16 ours (link/crc16)\t" << Fixed(1e9 / ours, 1) << "\tns/frame\n"
                << "CRC-16 Boost.CRC crc_optimal\t" << Fixed(1e9 / boost, 1) << "\tns/frame\n"
                << "CRC-16 time ours / Boost.CRC\t" << Fixed(boost / ours, 2)
                << "\tratio (<1: ours faster)\n";
    }
    std::cout << "\nsummary\n" << summary.str();
    if (!tsvPath.empty()) {
        std::ofstream tsv(tsvPath);
        tsv << summary.str();
        if (!tsv) {
            std::cerr << "bench_frames: cannot write " << tsvPath << '\n';
            return 1;
        }
    }
    return 0;
}
