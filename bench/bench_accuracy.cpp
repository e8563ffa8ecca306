// SPDX-License-Identifier: GPL-3.0-or-later
// What the accuracy test costs. The arithmetic of a round for 32 positions
// and every quantity (each reading's text to a number and its step), and of
// a point's judgement (mean, standard deviation, error, limit and verdict of
// every quantity over 10 readings): median and 99th percentile of many
// repetitions. Then a point's wall time against metersim: four meters (two
// of each family, 20 ms turnaround) at 9600,N, a 2 s settle time and 5
// readings, from 继续 to the point's result, set against the settle time
// plus the rounds the point took at the poller's own round time.
//
//   bench_accuracy [--repetitions N] [--tsv FILE]
//
// Prints "metric<TAB>value<TAB>unit" lines (also to FILE).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "accuracy/accuracyrun.h"
#include "drive/simdriver.h"
#include "metrics.h"
#include "platform/qtserialport.h"
#include "shell/busfamilies.h"

using namespace mt;

namespace {

constexpr int kPositions = 32;
constexpr int kReadings = 10;
constexpr int kCom = 1;

struct Spread {
    double median = 0;
    double p99 = 0;
};

Spread SpreadOf(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

// A round's texts of one position as the decoders write them.
QHash<QString, QString> Texts(int position) {
    QHash<QString, QString> texts;
    const double wobble = 1 + position * 1e-4;
    for (int k = 0; k < kQuantityCount; ++k) {
        const auto q = static_cast<Quantity>(k);
        double value = 230.0;
        if (q == Quantity::Ia || q == Quantity::Ib || q == Quantity::Ic) {
            value = 5.0;
        } else if (q == Quantity::PF) {
            value = 0.5;
        } else if (q == Quantity::F) {
            value = 50.0;
        } else if (q != Quantity::Ua && q != Quantity::Ub && q != Quantity::Uc) {
            value = 1725.0;
        }
        texts.insert(QString::fromLatin1(QuantityField(q)),
                     QString::number(value * wobble, 'g', 7));
    }
    return texts;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int repetitions = 2000;
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

    // A round: every position's texts to readings and steps.
    std::vector<QHash<QString, QString>> texts;
    for (int p = 0; p < kPositions; ++p) {
        texts.push_back(Texts(p));
    }
    std::vector<double> roundUs;
    std::vector<std::array<double, kQuantityCount>> readings(kPositions);
    double sink = 0;
    for (int r = 0; r < repetitions; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (int p = 0; p < kPositions; ++p) {
            const MeterKind kind = p % 2 == 0 ? MeterKind::PanelMount : MeterKind::DinRail;
            for (int k = 0; k < kQuantityCount; ++k) {
                const auto q = static_cast<Quantity>(k);
                const std::optional<double> v =
                    ReadingValue(kind, q,
                                 texts[static_cast<std::size_t>(p)].value(
                                     QString::fromLatin1(QuantityField(q))));
                readings[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] = v.value_or(0);
                sink += ReadingStep(kind, q, v.value_or(0));
            }
        }
        roundUs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    const Spread round = SpreadOf(roundUs);
    metrics.add("round, 32 positions x 14 quantities read (goal well under 1 ms): median",
                round.median, "µs");
    metrics.add("round, 32 positions x 14 quantities read: p99", round.p99, "µs");

    // A point's judgement over 10 readings of each.
    LimitInputs inputs;
    inputs.pf = *PowerFactorOf(QStringLiteral("0.5L"));
    std::vector<double> judgeUs;
    for (int r = 0; r < repetitions; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (int p = 0; p < kPositions; ++p) {
            for (int k = 0; k < kQuantityCount; ++k) {
                const auto q = static_cast<Quantity>(k);
                std::array<double, kReadings> values{};
                for (int n = 0; n < kReadings; ++n) {
                    values[static_cast<std::size_t>(n)] =
                        readings[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)] *
                        (1 + n * 1e-5);
                }
                const Judgement j = Judge(q, values, readings[0][static_cast<std::size_t>(k)], 0.01,
                                          0.01, QuantityLimit(q, inputs));
                sink += j.error.value_or(0);
            }
        }
        judgeUs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    const Spread judge = SpreadOf(judgeUs);
    metrics.add(
        "point judgement, 32 positions x 14 quantities x 10 readings (goal well under 1 ms): "
        "median",
        judge.median, "µs");
    metrics.add("point judgement, 32 x 14 x 10: p99", judge.p99, "µs");

    // A point's wall time on a real line.
    const drive::PrivateRuntime runtime;
    drive::SimProcess sim(runtime.path(), QStringLiteral("accuracy"));
    QString failure;
    const QStringList options = {"--source",     "U=230 I=5 PF=1",
                                 "--meter",      "panel",
                                 "--address",    "1",
                                 "--turnaround", "20",
                                 "--meter",      "panel",
                                 "--address",    "2",
                                 "--turnaround", "20",
                                 "--error",      "P=0.3",
                                 "--meter",      "rail",
                                 "--address",    "3",
                                 "--turnaround", "20",
                                 "--meter",      "rail",
                                 "--address",    "4",
                                 "--turnaround", "20",
                                 "--error",      "P=-0.5"};
    if (!sim.start(kCom, options, &failure)) {
        std::fprintf(stderr, "bench_accuracy: %s\n", qPrintable(failure));
        return 1;
    }
    QtSerialPort port;
    AccuracyRun run(port, AccuracyFamilies());
    TestPlan plan;
    plan.in = 5;
    TestPoint point;
    point.judged = *ReadJudged(QStringLiteral("U I P PF F"));
    point.readings = 5;
    point.settleSeconds = 2;
    plan.points = {point};
    run.setPlan(plan);
    QList<TestPosition> positions;
    for (int address = 1; address <= 4; ++address) {
        TestPosition p;
        p.meter =
            BusMeter{address, address <= 2 ? MeterKind::PanelMount : MeterKind::DinRail, {}, true};
        p.reference = address == 1;
        positions.append(p);
    }
    run.setPositions(positions);
    std::vector<double> roundMs;
    QObject::connect(&run.poller(), &BusPoller::roundFinished, &run,
                     [&](quint64, qint64 ms) { roundMs.push_back(static_cast<double>(ms)); });
    if (!run.start(kCom, QStringLiteral("9600,N,8,1"))) {
        std::fprintf(stderr, "bench_accuracy: the line does not open\n");
        return 1;
    }
    // Two rounds before 继续, so the meters' turnarounds are known.
    QElapsedTimer wait;
    wait.start();
    while (run.poller().completedRound() < 2 && wait.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    QElapsedTimer wall;
    wall.start();
    const std::size_t roundsBefore = roundMs.size();
    run.proceed();
    while (run.phase() != AccuracyRun::Phase::Finished && wall.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const double wallMs = static_cast<double>(wall.elapsed());
    if (run.phase() != AccuracyRun::Phase::Finished || run.results()[0].rounds != point.readings) {
        std::fprintf(stderr, "bench_accuracy: the point did not finish with its readings\n");
        return 1;
    }
    std::vector<double> during(roundMs.begin() + static_cast<std::ptrdiff_t>(roundsBefore),
                               roundMs.end());
    std::sort(during.begin(), during.end());
    const double roundTime = during[during.size() / 2];
    const double expected = point.settleSeconds * 1000.0 + point.readings * roundTime;
    metrics.add("point, 4 meters, settle 2 s, 5 readings: wall time", wallMs, "ms");
    metrics.add("point: the poller's round time (median)", roundTime, "ms");
    metrics.add(
        "point: wall time over settle + 5 rounds (goal nothing more; at most the round the settle "
        "time ends in)",
        (wallMs - expected) / roundTime, "rounds");
    metrics.add("point: rounds taken again", run.results()[0].repeated, "rounds");
    sim.stop(&failure);
    metrics.writeTsv(tsv);
    return sink == 0 ? 1 : 0;
}
