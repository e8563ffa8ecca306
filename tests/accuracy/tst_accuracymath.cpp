// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy test's arithmetic and its plan file: limits per class, point
// and power factor; errors against positive, negative and zero references;
// what the readings' resolution allows; the plan file read back, and bad
// files refused with their line.

#include <QtTest>
#include <cmath>

#include "accuracy/accuracymath.h"
#include "accuracy/accuracyrun.h"
#include "accuracy/testplan.h"
#include "csv/csvtext.h"

using namespace mt;

Q_DECLARE_METATYPE(mt::AccuracyVerdict)
Q_DECLARE_METATYPE(mt::Quantity)

class TestAccuracyMath : public QObject {
    Q_OBJECT

private slots:
    void activeLimits_data() {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<double>("current");
        QTest::addColumn<QString>("pf");
        QTest::addColumn<double>("limit");  // -1: none
        // Class 1 and 2, direct: 5-10 % Ib wider at PF 1, 10-20 % at 0.5L/0.8C.
        QTest::newRow("1 direct 5% PF1") << "1" << true << 0.05 << "1" << 1.5;
        QTest::newRow("1 direct 10% PF1") << "1" << true << 0.10 << "1" << 1.0;
        QTest::newRow("1 direct Imax PF1") << "1" << true << 12.0 << "1" << 1.0;
        QTest::newRow("1 direct below 5%") << "1" << true << 0.04 << "1" << -1.0;
        QTest::newRow("1 direct 10% 0.5L") << "1" << true << 0.10 << "0.5L" << 1.5;
        QTest::newRow("1 direct 20% 0.8C") << "1" << true << 0.20 << "0.8C" << 1.0;
        QTest::newRow("1 direct 5% 0.5L: none") << "1" << true << 0.05 << "0.5L" << -1.0;
        QTest::newRow("2 direct 5% PF1") << "2" << true << 0.05 << "1" << 2.5;
        QTest::newRow("2 direct 100% 0.5L") << "2" << true << 1.0 << "0.5L" << 2.0;
        // Transformer-operated class 1: from 2 % In.
        QTest::newRow("1 transformer 2%") << "1" << false << 0.02 << "1" << 1.5;
        QTest::newRow("1 transformer 5%") << "1" << false << 0.05 << "1" << 1.0;
        QTest::newRow("1 transformer 5% 0.5L") << "1" << false << 0.05 << "0.5L" << 1.5;
        // 0.5S and 0.2S.
        QTest::newRow("0.5S 1%") << "0.5S" << false << 0.01 << "1" << 1.0;
        QTest::newRow("0.5S 5%") << "0.5S" << false << 0.05 << "1" << 0.5;
        QTest::newRow("0.5S 2% 0.5L") << "0.5S" << false << 0.02 << "0.5L" << 1.0;
        QTest::newRow("0.5S 10% 0.8C") << "0.5S" << false << 0.10 << "0.8C" << 0.6;
        QTest::newRow("0.2S 1%") << "0.2S" << false << 0.01 << "1" << 0.4;
        QTest::newRow("0.2S 100%") << "0.2S" << false << 1.0 << "1" << 0.2;
        QTest::newRow("0.2S 100% 0.5L") << "0.2S" << false << 1.0 << "0.5L" << 0.3;
        QTest::newRow("0.2S below 1%") << "0.2S" << false << 0.005 << "1" << -1.0;
        QTest::newRow("below cos 0.5: none") << "1" << true << 1.0 << "0.3L" << -1.0;
    }
    void activeLimits() {
        QFETCH(QString, cls);
        QFETCH(bool, direct);
        QFETCH(double, current);
        QFETCH(QString, pf);
        QFETCH(double, limit);
        const std::optional<double> got = ActivePowerLimit(
            *ActiveClassOf(cls), direct ? Connection::Direct : Connection::Transformer, current,
            *PowerFactorOf(pf));
        if (limit < 0) {
            QVERIFY2(!got, qPrintable(QString::number(got.value_or(0))));
        } else {
            QVERIFY(got);
            QCOMPARE(*got, limit);
        }
    }

    void powerFactorTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("back");  // empty: refused
        QTest::newRow("unity") << "1"
                               << "1";
        QTest::newRow("unity with letter") << "1.0L"
                                           << "1";
        QTest::newRow("lagging") << "0.5L"
                                 << "0.5L";
        QTest::newRow("leading lower case") << " 0.8c "
                                            << "0.8C";
        QTest::newRow("no direction") << "0.5"
                                      << "";
        QTest::newRow("above one") << "1.2L"
                                   << "";
        QTest::newRow("negative") << "-0.5L"
                                  << "";
        QTest::newRow("words") << "lagging"
                               << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void powerFactorTexts() {
        QFETCH(QString, text);
        QFETCH(QString, back);
        const std::optional<PowerFactor> pf = PowerFactorOf(text);
        QCOMPARE(pf.has_value(), !back.isEmpty());
        if (pf) {
            QCOMPARE(PowerFactorText(*pf), back);
        }
    }

    void judge_data() {
        QTest::addColumn<Quantity>("quantity");
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<double>("reference");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("limit");  // -1: none
        QTest::addColumn<double>("error");  // NaN: none
        QTest::addColumn<AccuracyVerdict>("verdict");
        const double none = std::nan("");
        QTest::newRow("inside") << Quantity::P << QList<double>{1004, 1004, 1004} << 1000.0 << 0.0
                                << 1.0 << 0.4 << AccuracyVerdict::Pass;
        QTest::newRow("on the limit") << Quantity::P << QList<double>{1010} << 1000.0 << 0.0 << 1.0
                                      << 1.0 << AccuracyVerdict::Pass;
        QTest::newRow("outside") << Quantity::P << QList<double>{1016, 1016} << 1000.0 << 0.0 << 1.0
                                 << 1.6 << AccuracyVerdict::Fail;
        QTest::newRow("below, outside") << Quantity::Ia << QList<double>{4.9} << 5.0 << 0.0 << 0.5
                                        << -2.0 << AccuracyVerdict::Fail;
        QTest::newRow("negative reference: sign of the magnitude's error")
            << Quantity::P << QList<double>{-1010} << -1000.0 << 0.0 << 1.5 << 1.0
            << AccuracyVerdict::Pass;
        QTest::newRow("zero reference") << Quantity::Q << QList<double>{3} << 0.0 << 0.0 << 2.0
                                        << none << AccuracyVerdict::NoReference;
        QTest::newRow("reference below half its step")
            << Quantity::Ia << QList<double>{0.01} << 0.004 << 0.01 << 0.5 << none
            << AccuracyVerdict::NoReference;
        QTest::newRow("no readings") << Quantity::P << QList<double>{} << 1000.0 << 0.0 << 1.0
                                     << none << AccuracyVerdict::NoReference;
        // 0.1 A steps at 0.25 A: 40 % steps cannot judge 0.5 %.
        QTest::newRow("too coarse") << Quantity::Ia << QList<double>{0.3} << 0.25 << 0.1 << 0.5
                                    << 20.0 << AccuracyVerdict::TooCoarse;
        // Far outside even with the coarse steps: a failure all the same.
        QTest::newRow("coarse but far out") << Quantity::Ia << QList<double>{0.6} << 0.25 << 0.1
                                            << 0.5 << 140.0 << AccuracyVerdict::Fail;
        QTest::newRow("no limit, zero reference") << Quantity::Q << QList<double>{5} << 0.0 << 0.0
                                                  << -1.0 << none << AccuracyVerdict::NoLimit;
        QTest::newRow("no limit") << Quantity::P << QList<double>{1004} << 1000.0 << 0.0 << -1.0
                                  << 0.4 << AccuracyVerdict::NoLimit;
        // Power factor: the difference, not a percentage.
        QTest::newRow("pf inside") << Quantity::PF << QList<double>{0.996} << 1.0 << 0.001 << 0.005
                                   << -0.004 << AccuracyVerdict::Pass;
        QTest::newRow("pf outside") << Quantity::PF << QList<double>{0.49} << 0.5 << 0.001 << 0.005
                                    << -0.01 << AccuracyVerdict::Fail;
        QTest::newRow("pf of zero") << Quantity::PF << QList<double>{0.002} << 0.0 << 0.001 << 0.005
                                    << 0.002 << AccuracyVerdict::Pass;
    }
    void judge() {
        QFETCH(Quantity, quantity);
        QFETCH(QList<double>, readings);
        QFETCH(double, reference);
        QFETCH(double, step);
        QFETCH(double, limit);
        QFETCH(double, error);
        QFETCH(AccuracyVerdict, verdict);
        const std::vector<double> values(readings.begin(), readings.end());
        const Judgement j = Judge(quantity, values, reference, step, step,
                                  limit < 0 ? std::nullopt : std::optional<double>(limit));
        QCOMPARE(j.verdict, verdict);
        QCOMPARE(j.error.has_value(), !std::isnan(error));
        if (j.error) {
            QVERIFY2(std::abs(*j.error - error) < 1e-9,
                     qPrintable(QString::number(*j.error, 'g', 12)));
        }
    }

    void statistics() {
        const std::vector<double> values = {229.9, 230.1, 230.0, 230.2, 229.8};
        const Statistics s = StatisticsOf(values);
        QCOMPARE(s.count, 5);
        QVERIFY(std::abs(s.mean - 230.0) < 1e-9);
        QVERIFY(std::abs(s.stddev - std::sqrt(0.1 / 4)) < 1e-9);  // sample deviation (n − 1)
        QCOMPARE(StatisticsOf(std::vector<double>{5}).stddev, 0.0);
        QCOMPARE(StatisticsOf(std::vector<double>{}).count, 0);
    }

    void resolutions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("step");  // 0: not a number
        QTest::newRow("decimals") << "230.1" << 0.1;
        QTest::newRow("whole") << "5" << 1.0;
        QTest::newRow("trailing zeros count") << "0.250" << 0.001;
        QTest::newRow("exponent") << "1.5E-07" << 1e-8;
        QTest::newRow("words") << "abc" << 0.0;
        QTest::newRow("infinite") << "inf" << 0.0;
    }
    void resolutions() {
        QFETCH(QString, text);
        QFETCH(double, step);
        const std::optional<double> got = ResolutionOfText(text);
        QCOMPARE(got.has_value(), step > 0);
        if (got) {
            QVERIFY(std::abs(*got - step) < step * 1e-9);
        }
    }

    // The families' steps: the DIN-rail meter's scaled integers (its totals
    // are sums of three rounded phases), the panel-mount meter's singles.
    void readingSteps() {
        QCOMPARE(ReadingStep(MeterKind::DinRail, Quantity::Ua, 230), 0.1);
        QCOMPARE(ReadingStep(MeterKind::PanelMount, Quantity::Ua, 230), 0.1);  // shown to 0.1 V
        QCOMPARE(ReadingStep(MeterKind::DinRail, Quantity::Ia, 5), 0.01);
        QCOMPARE(ReadingStep(MeterKind::DinRail, Quantity::Pa, 1150), 10.0);
        QCOMPARE(ReadingStep(MeterKind::DinRail, Quantity::P, 3450), 30.0);
        QCOMPARE(ReadingStep(MeterKind::DinRail, std::nullopt, 0), 0.01);
        QVERIFY(std::abs(ReadingStep(MeterKind::PanelMount, Quantity::P, 3450) - 0.001) < 1e-12);
        QCOMPARE(ReadingStep(MeterKind::PanelMount, std::nullopt, 12.5), 0.001);  // Wh counter
        QVERIFY(std::abs(ReadingStep(MeterKind::PanelMount, std::nullopt, 40000) - 0.01) < 1e-12);
        QCOMPARE(*ReadingValue(MeterKind::DinRail, Quantity::P, "3.45"), 3450.0);
        QCOMPARE(*ReadingValue(MeterKind::PanelMount, Quantity::P, "3450"), 3450.0);
        QVERIFY(!ReadingValue(MeterKind::PanelMount, Quantity::P, "nan"));
    }

    void registerTimes() {
        // 600 × 10⁶ / (100 steps/kWh × 3 × 230 V × 60 A) = 144.9 min for class 1.
        QVERIFY(std::abs(CreepMinutes(ActiveClass::C1, 100, 3, 230, 60) - 144.927536) < 1e-5);
        QVERIFY(CreepMinutes(ActiveClass::C2, 100, 3, 230, 60) <
                CreepMinutes(ActiveClass::C1, 100, 3, 230, 60));
        QVERIFY(CreepMinutes(ActiveClass::C02S, 100, 3, 230, 60) >
                CreepMinutes(ActiveClass::C05S, 100, 3, 230, 60));
        QCOMPARE(CreepMinutes(ActiveClass::C1, 0, 3, 230, 60), 0.0);
        // A tenth of 1 % with two registers of 0.01 kWh: 20 kWh.
        QVERIFY(std::abs(EnergyForCheckKwh(1.0, 0.01, 0.01) - 20) < 1e-9);
        QVERIFY(std::abs(*EnergyError(10.1, 10) - 1) < 1e-9);
        QVERIFY(!EnergyError(0.1, 0));
    }

    void setValues() {
        TestPlan plan;
        plan.un = 230;
        plan.in = 5;
        plan.imax = 60;
        TestPoint point;
        QVERIFY(ReadCurrent("10%In", point));
        point.pf = *PowerFactorOf("0.5L");
        SetValues set = SetValuesOf(plan, point);
        QCOMPARE(set.i, 0.5);
        QVERIFY(std::abs(set.p - 172.5) < 1e-9);
        QVERIFY(set.q > 0);
        QVERIFY(std::abs(set.currentFraction - 0.1) < 1e-12);
        point.pf = *PowerFactorOf("0.8C");
        QVERIFY(SetValuesOf(plan, point).q < 0);
        QVERIFY(ReadCurrent("Imax", point));
        QCOMPARE(SetValuesOf(plan, point).i, 60.0);
        QCOMPARE(SetValuesOf(plan, point).currentFraction, 12.0);
        point.kind = PointKind::Creep;
        QCOMPARE(SetValuesOf(plan, point).i, 0.0);
    }

    // Every shipped plan survives its own file, and so does a plan by hand.
    void planFileRoundTrip() {
        QList<TestPlan> plans = DefaultPlans();
        plans.append(plans.first());
        plans.last().name.clear();  // a plan without a name is written "name," and read back
        for (const TestPlan& plan : plans) {
            const PlanLoad load = ParsePlan(PlanCsv(plan));
            QVERIFY2(load.plan, qPrintable(QStringLiteral("%1: line %2: %3")
                                               .arg(plan.name)
                                               .arg(load.line)
                                               .arg(load.error)));
            QCOMPARE(*load.plan, plan);
        }
        const QByteArray byHand =
            "MeterTest plan,1\n# a comment\nname,\"bench, "
            "A\"\nconnection,transformer\nUn,57.7\nIn,1\n"
            "Imax,2\n\nkind,U,I,PF,f,settle,N,judge,time\nerror,100%,2.5A,0.5L,60,0,3,U;P,\n"
            "creep,115%Un,,,,,,,900\n";
        const PlanLoad load = ParsePlan(byHand);
        QVERIFY2(load.plan, qPrintable(load.error));
        QCOMPARE(load.plan->name, QStringLiteral("bench, A"));
        QCOMPARE(load.plan->points.size(), 2);
        QCOMPARE(load.plan->points[0].current, 2.5);
        QVERIFY(load.plan->points[0].currentAbsolute);
        QCOMPARE(load.plan->points[0].frequency, 60.0);
        QCOMPARE(load.plan->points[0].judged.size(), 4);
        QCOMPARE(load.plan->points[1].kind, PointKind::Creep);
        QCOMPARE(load.plan->points[1].seconds, 900);
    }

    void badPlanFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");  // the start of the reason
        const QByteArray head = "MeterTest plan,1\nkind,U,I,PF,f,settle,N,judge,time\n";
        QTest::newRow("empty") << QByteArray() << 1 << "文件是空的";
        QTest::newRow("another file") << QByteArray("地址,名称\n1,a\n") << 1 << "不是试验方案文件";
        QTest::newRow("newer version") << QByteArray("MeterTest plan,2\n") << 1 << "格式版本 2";
        QTest::newRow("no version") << QByteArray("MeterTest plan\n") << 1 << "缺少格式版本";
        QTest::newRow("unknown key")
            << QByteArray("MeterTest plan,1\ncolour,red\n") << 2 << "未知的项";
        QTest::newRow("bad rating")
            << QByteArray("MeterTest plan,1\nIn,-5\n") << 2 << "“-5”不是正数";
        QTest::newRow("no heading")
            << QByteArray("MeterTest plan,1\nname,x\n") << 3 << "缺少试验点标题行";
        QTest::newRow("no points") << head << 3 << "方案中没有试验点";
        QTest::newRow("bad kind") << head + "warmup,100%,5%,1\n" << 3 << "未知的试验类型";
        QTest::newRow("bad voltage") << head + "error,abc,5%,1,,,,P\n" << 3 << "电压";
        QTest::newRow("bad current") << head + "error,100%,5%Imaxx,1,,,,P\n" << 3 << "电流";
        QTest::newRow("bad pf") << head + "error,100%,5%,0.5,,,,P\n" << 3 << "功率因数";
        QTest::newRow("bad frequency") << head + "error,100%,5%,1,500,,,P\n" << 3 << "频率";
        QTest::newRow("zero readings") << head + "error,100%,5%,1,50,5,0,P\n" << 3 << "读数次数";
        QTest::newRow("unknown quantity") << head + "error,100%,5%,1,50,5,5,P X\n" << 3 << "判定量";
        QTest::newRow("nothing judged") << head + "error,100%,5%,1,50,5,5,\n" << 3 << "误差试验点";
        QTest::newRow("too many cells") << head + "error,100%,5%,1,50,5,5,P,,extra\n"
                                        << 3 << "列数多于";
        QTest::newRow("open quote") << head + "error,\"100%,5%\n" << 3 << "引号没有闭合";
        QTest::newRow("good then bad") << head + "error,100%,5%,1,50,5,5,P\nerror,100%,5%,2\n"
                                       << 4 << "功率因数";
        QTest::newRow("not UTF-8")
            << QByteArray("MeterTest plan,1\nname,\xff\xfe\n") << 2 << "不是 UTF-8";
        QTest::newRow("Imax below In") << QByteArray(
                                              "MeterTest "
                                              "plan,1\nIn,10\nImax,5\nkind,U,I,PF,f,settle,N,judge,"
                                              "time\nerror,100%,5%,1,,,,P\n")
                                       << 1 << "Imax 小于 In";
    }
    void badPlanFiles() {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const PlanLoad load = ParsePlan(file);
        QVERIFY(!load.plan);
        QCOMPARE(load.line, line);
        QVERIFY2(load.error.startsWith(reason) || load.error.contains(reason),
                 qPrintable(load.error));
    }

    // The window's cells read what the file reads, and nonsense is refused.
    void cellReaders_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("ok");
        QTest::newRow("percent") << "5%" << true;
        QTest::newRow("percent of In") << "5 %In" << true;
        QTest::newRow("Imax") << "Imax" << true;
        QTest::newRow("half Imax") << "50%Imax" << true;
        QTest::newRow("amps") << "2.5 A" << true;
        QTest::newRow("amps of Imax") << "3AImax" << false;
        QTest::newRow("negative") << "-1" << false;
        QTest::newRow("huge") << "5000%" << false;
        QTest::newRow("word") << "full" << false;
        QTest::newRow("empty") << "" << false;
    }
    void cellReaders() {
        QFETCH(QString, current);
        QFETCH(bool, ok);
        TestPoint point;
        QCOMPARE(ReadCurrent(current, point), ok);
        QVERIFY(!ReadVoltage(QStringLiteral("0V"), point));
        QVERIFY(ReadVoltage(QStringLiteral("57.7V"), point));
        QVERIFY(!ReadJudged(QStringLiteral("U I Z")));
        QCOMPARE(ReadJudged(QStringLiteral("U, PF"))->size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestAccuracyMath)
#include "tst_accuracymath.moc"
