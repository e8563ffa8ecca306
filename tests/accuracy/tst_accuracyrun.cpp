// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy test's run on a fake line whose meters are simulated meters
// with known errors, all measuring one source: the errors found to the
// readings' resolution and the verdicts; a round with a missing answer taken
// again and never filled in; a lost reference pausing the test; stop,
// resume and skip keeping what was measured; auto start; typed references;
// creep and the register check.

#include <QtTest>
#include <memory>

#include "accuracy/accuracyrun.h"
#include "shell/busfamilies.h"
#include "simbench.h"

using namespace mt;
using namespace mt::test;

namespace {

using Bench = SimBench;

TestPosition Position(int address, MeterKind kind, const char* cls = "1", bool reference = false) {
    TestPosition p;
    p.meter = BusMeter{address, kind, QStringLiteral("表%1").arg(address), true};
    p.activeClass = *ActiveClassOf(QString::fromLatin1(cls));
    p.reference = reference;
    return p;
}

TestPoint ErrorPoint(const char* current, const char* pf, const char* judged, int readings = 3) {
    TestPoint p;
    ReadCurrent(QString::fromLatin1(current), p);
    p.pf = *PowerFactorOf(QString::fromLatin1(pf));
    p.judged = *ReadJudged(QString::fromLatin1(judged));
    p.readings = readings;
    p.settleSeconds = 0;
    return p;
}

TestPlan Plan(QList<TestPoint> points) {
    TestPlan plan;
    plan.name = QStringLiteral("bench");
    plan.un = 230;
    plan.in = 10;
    plan.imax = 60;
    plan.points = std::move(points);
    return plan;
}

// Proceeds through every point, setting the source to each set point first.
bool RunThrough(AccuracyRun& run, Bench& bench, int timeoutMs = 20000) {
    return QTest::qWaitFor(
        [&] {
            if (run.phase() == AccuracyRun::Phase::Waiting) {
                const SetValues set = run.results().at(run.currentPoint()).set;
                const TestPoint& point = run.plan().points.at(run.currentPoint());
                bench.set(QStringLiteral("U=%1 I=%2 PF=%3")
                              .arg(set.u)
                              .arg(set.i)
                              .arg(PowerFactorText(point.pf)));
                run.proceed();
            }
            return run.phase() == AccuracyRun::Phase::Finished;
        },
        timeoutMs);
}

const Judgement& Of(const AccuracyRun& run, int point, int position, Quantity q) {
    static const Judgement none;
    const auto& j =
        run.results().at(point).positions.at(position).quantities[static_cast<std::size_t>(q)];
    return j ? *j : none;
}

// The error found lies within its resolution of the error the meter has.
bool Found(const Judgement& j, double expected) {
    return j.error && std::abs(*j.error - expected) <= j.errorResolution + 1e-6;
}

}  // namespace

Q_DECLARE_METATYPE(mt::AccuracyVerdict)

class TestAccuracyRun : public QObject {
    Q_OBJECT

private slots:
    // A panel-mount reference and meters of both families with known errors.
    void errorsAndVerdicts() {
        Bench bench(QStringLiteral("U=230 I=0 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::PanelMount, 1));
        QVERIFY(bench.add(MeterKind::DinRail, 2, "U=0.1,I=-0.2,P=0.4"));
        QVERIFY(bench.add(MeterKind::DinRail, 3, "P=1.6"));
        QVERIFY(bench.add(MeterKind::PanelMount, 4, "P=-0.3,PF=-0.004,Q=1.2"));
        QVERIFY(bench.add(MeterKind::PanelMount, 5, "P=0.7"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        run.setPlan(
            Plan({ErrorPoint("100%", "1", "U I P PF F"), ErrorPoint("Imax", "0.5L", "P Q")}));
        run.setPositions({Position(1, MeterKind::PanelMount, "1", true),
                          Position(2, MeterKind::DinRail), Position(3, MeterKind::DinRail),
                          Position(4, MeterKind::PanelMount),
                          Position(5, MeterKind::PanelMount, "0.5S")});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        QVERIFY(RunThrough(run, bench));
        QVERIFY(!bench.port.isOpen());

        // Point 1: 100 % In at PF 1.
        QVERIFY(Found(Of(run, 0, 1, Quantity::P), 0.4));
        QVERIFY(Found(Of(run, 0, 1, Quantity::Ia), -0.2));
        QVERIFY(Found(Of(run, 0, 1, Quantity::Ub), 0.1));
        QCOMPARE(Of(run, 0, 1, Quantity::P).verdict, AccuracyVerdict::Pass);
        QVERIFY(Found(Of(run, 0, 2, Quantity::P), 1.6));
        QCOMPARE(Of(run, 0, 2, Quantity::P).verdict, AccuracyVerdict::Fail);
        QVERIFY(Found(Of(run, 0, 3, Quantity::P), -0.3));
        QVERIFY(std::abs(*Of(run, 0, 3, Quantity::PF).error + 0.004) < 1e-6);
        QCOMPARE(Of(run, 0, 3, Quantity::PF).verdict, AccuracyVerdict::Pass);
        QVERIFY(Found(Of(run, 0, 4, Quantity::P), 0.7));
        QCOMPARE(Of(run, 0, 4, Quantity::P).verdict, AccuracyVerdict::Fail);  // class 0.5S
        QCOMPARE(Of(run, 0, 4, Quantity::P).limit.value_or(0), 0.5);
        // Panel-mount singles: the error to a few millionths.
        QVERIFY(Of(run, 0, 3, Quantity::P).errorResolution < 1e-3);
        QCOMPARE(run.results()[0].positions[0].reference, true);

        // Point 2: Imax at 0.5L.
        QVERIFY(Found(Of(run, 1, 1, Quantity::P), 0.4));
        QVERIFY(Found(Of(run, 1, 3, Quantity::Q), 1.2));
        QCOMPARE(Of(run, 1, 3, Quantity::Q).verdict, AccuracyVerdict::Pass);
        QCOMPARE(run.results()[1].positions[2].overall(), std::optional(AccuracyVerdict::Fail));
        QCOMPARE(run.results()[1].positions[3].overall(), std::optional(AccuracyVerdict::Pass));
        for (const PointResult& r : run.results()) {
            QCOMPARE(r.state, PointState::Done);
            QCOMPARE(r.rounds, 3);
        }
    }

    // A round in which one meter did not answer is taken again: every mean
    // is of N readings of N whole rounds.
    void missedRoundTakenAgain() {
        Bench bench(QStringLiteral("U=230 I=10 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::PanelMount, 1));
        QVERIFY(bench.add(MeterKind::PanelMount, 2, "P=0.5"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        run.poller().setFirstMarginMs(20);
        run.setPlan(Plan({ErrorPoint("100%", "1", "P", 4)}));
        run.setPositions(
            {Position(1, MeterKind::PanelMount, "1", true), Position(2, MeterKind::PanelMount)});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        run.proceed();
        // Mute the meter under test for one round once the first counted.
        QVERIFY(QTest::qWaitFor([&] { return run.roundsTaken() >= 1; }, 5000));
        bench.dropNext.insert(2, 2);  // both reads of a round, or the power read of one
        QVERIFY(QTest::qWaitFor([&] { return run.phase() == AccuracyRun::Phase::Finished; }, 5000));
        const PointResult& r = run.results()[0];
        QVERIFY2(r.repeated >= 1, qPrintable(QString::number(r.repeated)));
        QCOMPARE(r.rounds, 4);
        QCOMPARE(Of(run, 0, 1, Quantity::P).reading.count, 4);
        QVERIFY(Found(Of(run, 0, 1, Quantity::P), 0.5));
    }

    // The reference stops answering: the test pauses with one message and
    // goes on with 继续 once it answers again; the point is measured anew.
    void lostReferencePauses() {
        Bench bench(QStringLiteral("U=230 I=10 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::DinRail, 1));
        QVERIFY(bench.add(MeterKind::DinRail, 2, "P=0.3"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        run.poller().setFirstMarginMs(20);
        run.poller().setRetryMs(200);
        run.setPlan(Plan({ErrorPoint("100%", "1", "P", 50)}));
        run.setPositions(
            {Position(1, MeterKind::DinRail, "1", true), Position(2, MeterKind::DinRail)});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        run.proceed();
        QVERIFY(QTest::qWaitFor([&] { return run.roundsTaken() >= 2; }, 5000));
        bench.muted.insert(1);
        QVERIFY(QTest::qWaitFor([&] { return run.phase() == AccuracyRun::Phase::Paused; }, 10000));
        QVERIFY2(run.message().contains(QStringLiteral("基准表（地址 1）无应答")),
                 qPrintable(run.message()));
        QCOMPARE(run.results()[0].state, PointState::NotRun);
        bench.muted.remove(1);
        run.proceed();
        QCOMPARE(run.phase(), AccuracyRun::Phase::Waiting);
        QCOMPARE(run.roundsTaken(), 0);
        run.stop();
        QCOMPARE(run.results()[0].state, PointState::Stopped);
    }

    // Stop keeps what was measured; a new start from the stopped point keeps
    // the points before it; skip marks a point and goes on.
    void stopResumeAndSkip() {
        Bench bench(QStringLiteral("U=230 I=10 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::PanelMount, 1));
        QVERIFY(bench.add(MeterKind::PanelMount, 2, "P=0.2"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        run.setPlan(Plan({ErrorPoint("100%", "1", "P"), ErrorPoint("50%", "1", "P", 200),
                          ErrorPoint("10%", "1", "P")}));
        run.setPositions(
            {Position(1, MeterKind::PanelMount, "1", true), Position(2, MeterKind::PanelMount)});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (run.phase() == AccuracyRun::Phase::Waiting) {
                    run.proceed();
                }
                return run.currentPoint() == 1 && run.roundsTaken() >= 2;
            },
            10000));
        run.stop();
        QVERIFY(!run.running());
        QVERIFY(!bench.port.isOpen());
        QCOMPARE(run.results()[0].state, PointState::Done);
        QCOMPARE(run.results()[1].state, PointState::Stopped);
        QVERIFY(Of(run, 1, 1, Quantity::P).reading.count >= 2);  // what it had is kept
        QCOMPARE(run.results()[2].state, PointState::NotRun);

        QVERIFY(run.start(1, "9600,N,8,1", 1).ok());
        QCOMPARE(run.currentPoint(), 1);
        QCOMPARE(run.results()[0].state, PointState::Done);
        run.skip();
        QCOMPARE(run.results()[1].state, PointState::Skipped);
        QCOMPARE(run.currentPoint(), 2);
        QVERIFY(RunThrough(run, bench));
        QCOMPARE(run.results()[2].state, PointState::Done);
        QVERIFY(Found(Of(run, 2, 1, Quantity::P), 0.2));

        // The same positions keep the results; others clear them, so that no
        // result is read as another meter's.
        run.setPositions(run.positions());
        QCOMPARE(run.results()[2].state, PointState::Done);
        run.setPositions(
            {Position(2, MeterKind::PanelMount, "1", true), Position(1, MeterKind::PanelMount)});
        for (const PointResult& r : run.results()) {
            QCOMPARE(r.state, PointState::NotRun);
            QVERIFY(r.positions.isEmpty());
            QVERIFY(r.set.i > 0);  // the set point stays
        }
    }

    // Auto mode waits until the reference shows the set point, steady for
    // the settle time, then starts by itself.
    void autoStartWaitsForTheSource() {
        Bench bench(QStringLiteral("U=230 I=2 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::PanelMount, 1));
        QVERIFY(bench.add(MeterKind::PanelMount, 2, "I=0.3"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        TestPoint point = ErrorPoint("100%", "0.5L", "I");
        point.settleSeconds = 1;
        run.setPlan(Plan({point}));
        run.setPositions(
            {Position(1, MeterKind::PanelMount, "1", true), Position(2, MeterKind::PanelMount)});
        run.setAutoStart(true);
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        QTest::qWait(1500);
        QCOMPARE(run.phase(), AccuracyRun::Phase::Waiting);  // 2 A, not 10 A
        bench.set(QStringLiteral("I=10 PF=0.5L"));
        QVERIFY(
            QTest::qWaitFor([&] { return run.phase() == AccuracyRun::Phase::Finished; }, 10000));
        QVERIFY(Found(Of(run, 0, 1, Quantity::Ia), 0.3));
    }

    // Typed reference values instead of a reference meter.
    void typedReference() {
        Bench bench(QStringLiteral("U=230 I=10 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::PanelMount, 2, "U=-0.2"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        run.setPlan(Plan({ErrorPoint("100%", "1", "U")}));
        run.setPositions({Position(2, MeterKind::PanelMount)});
        QVERIFY(!run.start(1, "9600,N,8,1").ok());  // no reference meter
        QVERIFY(run.message().contains(QStringLiteral("没有基准表")));
        run.setTypedReference(true);
        // The standard shows 230.1 V where 230 V was set.
        bench.set(QStringLiteral("U=230.1"));
        run.setTypedValues(0,
                           {{Quantity::Ua, 230.1}, {Quantity::Ub, 230.1}, {Quantity::Uc, 230.1}});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        run.proceed();
        QVERIFY(
            QTest::qWaitFor([&] { return run.phase() == AccuracyRun::Phase::Finished; }, 10000));
        QVERIFY(Found(Of(run, 0, 0, Quantity::Ua), -0.2));
        QCOMPARE(*run.results()[0].reference[static_cast<std::size_t>(Quantity::Ua)], 230.1);
    }

    // No-load creep: the creeping register fails, the others stand still;
    // the register check finds a gross register error.
    void creepAndRegisterCheck() {
        Bench bench(QStringLiteral("U=230 I=0 PF=1 F=50"));
        QVERIFY(bench.add(MeterKind::DinRail, 1));
        QVERIFY(bench.add(MeterKind::DinRail, 2, "P=20"));
        QVERIFY(bench.add(MeterKind::DinRail, 3, "creep=60000"));
        AccuracyRun run(bench.port, AccuracyFamilies());
        TestPoint creep;
        creep.kind = PointKind::Creep;
        creep.voltage = 1.15;
        creep.settleSeconds = 0;
        creep.seconds = 2;
        TestPoint energy;
        energy.kind = PointKind::Energy;
        ReadCurrent(QStringLiteral("300A"), energy);
        energy.settleSeconds = 0;
        energy.seconds = 3;
        TestPlan plan = Plan({creep, energy});
        plan.imax = 300;
        run.setPlan(plan);
        run.setPositions({Position(1, MeterKind::DinRail, "1", true),
                          Position(2, MeterKind::DinRail), Position(3, MeterKind::DinRail)});
        QVERIFY(run.start(1, "9600,N,8,1").ok());
        QVERIFY(RunThrough(run, bench));
        const PointResult& c = run.results()[0];
        QCOMPARE(c.positions[1].registerVerdict, std::optional(AccuracyVerdict::Pass));
        QCOMPARE(c.positions[2].registerVerdict, std::optional(AccuracyVerdict::Fail));
        QVERIFY(*c.positions[2].endKwh > *c.positions[2].startKwh);
        const PointResult& e = run.results()[1];
        QVERIFY(e.referenceAdvanceKwh > 0.1);
        const PositionResult& off = e.positions[1];
        QVERIFY(off.energyError);
        QVERIFY2(std::abs(*off.energyError - 20) <= off.energyResolution + 1e-6,
                 qPrintable(QString::number(*off.energyError)));
        QCOMPARE(off.registerVerdict, std::optional(AccuracyVerdict::Fail));
        // The run time the class asks for, when the plan leaves it open.
        TestPlan open = plan;
        open.points[1].seconds = 0;
        run.setPlan(open);
        // 1 % of 207 kW: 0.02 kWh of steps over a tenth of 1 % is 20 kWh, about 348 s.
        QVERIFY2(std::abs(run.runSeconds(1) - 348) <= 1,
                 qPrintable(QString::number(run.runSeconds(1))));
    }
};

QTEST_GUILESS_MAIN(TestAccuracyRun)
#include "tst_accuracyrun.moc"
