// SPDX-License-Identifier: GPL-3.0-or-later
// What the three-phase analysis costs per tick: reading a tick's field
// texts into numbers and running every check on them, for a healthy meter
// and a miswired one of each family (the DIN-rail screen's texts as its
// decoders make them from the simulated meter's registers): the median and
// 99th percentile of many repetitions.
//
//   bench_analysis [--repetitions N] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "acquisition/answerbytes.h"
#include "analysis/checks.h"
#include "metrics.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"
#include "sim/metermodel.h"

using namespace mt;

namespace {

QByteArray Answer(const std::vector<std::uint16_t>& registers, int function) {
    QByteArray frame;
    frame.append(char(1)).append(char(function)).append(char(2 * registers.size()));
    for (const std::uint16_t r : registers) {
        frame.append(char(r >> 8)).append(char(r & 0xFF));
    }
    return frame.append(2, '\0');  // the decoders do not look at the CRC
}

QHash<QString, QString> Texts(MeterKind kind, const char* wiring) {
    Wiring w;
    AddWiringFaults(wiring, w);
    const MeterModel model(kind, 3, CalendarTime{}, w);
    const bool rail = kind == MeterKind::DinRail;
    const std::span<const PollStep> schedule = rail ? std::span<const PollStep>(RailPollSchedule)
                                                    : std::span<const PollStep>(kPrimarySchedule);
    QHash<QString, QString> texts;
    for (const PollStep& step : schedule) {
        const auto registers = model.ReadRegisters(static_cast<std::uint16_t>(step.start),
                                                   static_cast<std::uint16_t>(step.count), 60000);
        if (!registers || (step.function != 3 && step.function != 4)) {
            continue;
        }
        const QByteArray answer = Answer(*registers, step.function);
        const auto fields = rail ? DecodeDinRailAnswer(BytesOf(answer), step.blockTag.value_or(0))
                                 : DecodePrimaryAnswer(BytesOf(answer)).fields;
        for (const FieldText& f : fields) {
            texts.insert(QString::fromLatin1(f.field.data(), qsizetype(f.field.size())),
                         QString::fromStdString(f.text));
        }
    }
    return texts;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int repetitions = 20000;
    std::string tsv;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--repetitions") {
            repetitions = std::max(100, args[i + 1].toInt());
        } else if (args[i] == "--tsv") {
            tsv = args[i + 1].toStdString();
        }
    }
    bench::Metrics metrics;
    struct Case {
        const char* name;
        MeterKind kind;
        const char* wiring;
    };
    const Case cases[] = {
        {"panel-mount, healthy", MeterKind::PanelMount, "healthy"},
        {"panel-mount, CT b reversed", MeterKind::PanelMount, "reverse-ct=b"},
        {"DIN-rail, healthy", MeterKind::DinRail, "healthy"},
        {"DIN-rail, three-wire", MeterKind::DinRail, "three-wire"},
    };
    for (const Case& c : cases) {
        const QHash<QString, QString> texts = Texts(c.kind, c.wiring);
        std::vector<double> us;
        us.reserve(static_cast<std::size_t>(repetitions));
        std::size_t sink = 0;
        for (int i = 0; i < repetitions; ++i) {
            QElapsedTimer timer;
            timer.start();
            const PhaseReadings r = ReadPhaseValues(c.kind, QStringLiteral("一次"), texts);
            const auto results = RunChecks(r, Thresholds{});
            sink += Conclusion(results).size();
            us.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
        }
        std::nth_element(us.begin(), us.begin() + us.size() / 2, us.end());
        const double median = us[us.size() / 2];
        std::sort(us.begin(), us.end());
        const double p99 = us[us.size() * 99 / 100];
        metrics.add(std::string("checks per tick, ") + c.name + " (goal well under 1 ms): median",
                    median, "µs");
        metrics.add(std::string("checks per tick, ") + c.name + ": p99", p99, "µs");
        if (sink == 0) {
            return 1;
        }
    }
    metrics.writeTsv(tsv);
    return 0;
}
