// SPDX-License-Identifier: GPL-3.0-or-later
// The wiring and plausibility checks: every simulated wiring fault through
// the screens' decoders gives its verdict, a healthy meter none, and values
// that are missing, zero or nonsense give defined results.

#include <QtTest>

#include "analysis/checks.h"
#include "sim/wiring.h"
#include "simreadings.h"

using namespace mt;

namespace {

const CalendarTime kStart{2024, 5, 1, 10, 0, 0};

PhaseReadings Simulated(MeterKind kind, const QString& mode, const char* wiring,
                        std::uint64_t seed = 7, qint64 ms = 60000) {
    Wiring w;
    if (!AddWiringFaults(wiring, w)) {
        qFatal("bad wiring %s", wiring);
    }
    const MeterModel model(kind, seed, kStart, w);
    return ReadPhaseValues(kind, mode, test::SimTexts(model, mode, ms));
}

const CheckResult& Find(const std::vector<CheckResult>& results, const char* id) {
    for (const CheckResult& c : results) {
        if (qstrcmp(c.id, id) == 0) {
            return c;
        }
    }
    qFatal("no check %s", id);
}

QString Describe(const std::vector<CheckResult>& results) {
    QStringList lines;
    for (const CheckResult& c : results) {
        lines << QStringLiteral("%1 %2 | %3 | %4")
                     .arg(QLatin1String(c.id), VerdictText(c.verdict), c.figures, c.advice);
    }
    return lines.join('\n');
}

// A hand-made balanced DIN-rail tick: 230 V, 10 A, PF 0.9 on every phase.
PhaseReadings Balanced() {
    PhaseReadings r;
    r.kind = MeterKind::DinRail;
    r.powerScale = 1000;
    r.resolution = {0.1, 0.01, 0.01, 0.001, 0.01, 0.01};
    const double s = 2.3;
    const double p = 2.07;
    const double q = std::sqrt(s * s - p * p);
    for (int k = 0; k < 3; ++k) {
        r.u[k] = 230;
        r.uLine[k] = 398.4;
        r.i[k] = 10;
        r.p[k] = p;
        r.q[k] = q;
        r.s[k] = s;
        r.angle[k] = 120;
    }
    r.pTotal = 3 * p;
    r.qTotal = 3 * q;
    r.sTotal = 3 * s;
    r.powerFactor = 0.9;
    r.frequency = 50;
    return r;
}

}  // namespace

class TestChecks : public QObject {
    Q_OBJECT

private slots:
    // Every wiring fault of the simulator, through the decoders of both
    // families (and both panel-mount modes), gives its verdict and names its
    // cause in the conclusion.
    void wiringFaults_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("wiring");
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("named");

        const int panel = static_cast<int>(MeterKind::PanelMount);
        const int rail = static_cast<int>(MeterKind::DinRail);
        const int fault = static_cast<int>(Verdict::Fault);
        for (const auto& [kind, mode, family] :
             {std::tuple{panel, QStringLiteral("一次"), "panel primary"},
              std::tuple{panel, QStringLiteral("二次"), "panel secondary"},
              std::tuple{rail, QString(), "rail"}}) {
            auto row = [&](const char* wiring, const char* check, int verdict,
                           const QString& named) {
                QTest::addRow("%s %s", family, wiring)
                    << kind << mode << QString::fromLatin1(wiring) << QString::fromLatin1(check)
                    << verdict << named;
            };
            row("reverse-ct=b", "power-direction", fault,
                QStringLiteral("B相电流互感器（CT）极性接反"));
            row("reverse-ct=c", "power-angle", fault,
                QStringLiteral("C相电流互感器（CT）极性接反"));
            row("reverse-ct=ab", "power-direction", fault,
                QStringLiteral("A、B相电流互感器（CT）极性接反"));
            row("reverse-ct=abc", "power-direction", static_cast<int>(Verdict::Attention),
                QStringLiteral("负载确实在向电网送电"));
            row("missing-phase=c", "voltage-presence", fault, QStringLiteral("C相电压缺失"));
            row("missing-phase=a", "voltage-unbalance", fault, QStringLiteral("A相电压缺失"));
            row("swap-currents=ab", "power-direction", fault,
                QStringLiteral("A、B相的电流接错了相"));
            row("swap-currents=bc", "power-angle", fault, QStringLiteral("B、C相的电流接错了相"));
            row("three-wire", "line-voltage", fault, QStringLiteral("三线制"));
            row("current-scale=2", "power-ui", fault,
                QStringLiteral("倍率（CT、PT 变比）设置有误"));
            if (kind == rail) {
                row("negative-sequence", "phase-sequence", fault, QStringLiteral("逆相序"));
            } else {
                // The panel-mount meter reports no angles: the sequence
                // cannot be seen, and nothing else is wrong.
                row("negative-sequence", "phase-sequence", static_cast<int>(Verdict::NoData),
                    QStringLiteral("正常"));
            }
        }
    }
    void wiringFaults() {
        QFETCH(int, kind);
        QFETCH(QString, mode);
        QFETCH(QString, wiring);
        QFETCH(QString, check);
        QFETCH(int, verdict);
        QFETCH(QString, named);
        const PhaseReadings r =
            Simulated(static_cast<MeterKind>(kind), mode, wiring.toLatin1().constData());
        const auto results = RunChecks(r, Thresholds{});
        QVERIFY2(static_cast<int>(Find(results, check.toLatin1().constData()).verdict) == verdict,
                 qPrintable(Describe(results)));
        QVERIFY2(Conclusion(results).contains(named),
                 qPrintable(Conclusion(results) + '\n' + Describe(results)));
    }

    // A healthy meter shows no 注意 or 异常, whatever its seed and moment.
    void healthyMeterIsQuiet_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mode");
        QTest::newRow("panel primary")
            << static_cast<int>(MeterKind::PanelMount) << QStringLiteral("一次");
        QTest::newRow("panel secondary")
            << static_cast<int>(MeterKind::PanelMount) << QStringLiteral("二次");
        QTest::newRow("rail") << static_cast<int>(MeterKind::DinRail) << QString();
    }
    void healthyMeterIsQuiet() {
        QFETCH(int, kind);
        QFETCH(QString, mode);
        for (std::uint64_t seed = 1; seed <= 40; ++seed) {
            for (qint64 ms = 0; ms <= 3600000; ms += 450000) {
                const auto results =
                    RunChecks(Simulated(static_cast<MeterKind>(kind), mode, "healthy", seed, ms),
                              Thresholds{});
                for (const CheckResult& c : results) {
                    QVERIFY2(c.verdict == Verdict::Normal || c.verdict == Verdict::NoData,
                             qPrintable(QStringLiteral("seed %1 at %2 ms:\n").arg(seed).arg(ms) +
                                        Describe(results)));
                }
                QVERIFY(Conclusion(results).startsWith(QStringLiteral("正常")));
            }
        }
    }

    // What a tick without some answers, or with odd values, gives.
    void oddValues_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("verdict");
        const int noData = static_cast<int>(Verdict::NoData);
        const int fault = static_cast<int>(Verdict::Fault);
        const int attention = static_cast<int>(Verdict::Attention);
        const int normal = static_cast<int>(Verdict::Normal);
        QTest::newRow("balanced") << ""
                                  << "power-angle" << normal;
        QTest::newRow("no Ub") << "no Ub"
                               << "voltage-presence" << noData;
        QTest::newRow("no Ub: line check") << "no Ub"
                                           << "line-voltage" << noData;
        QTest::newRow("no frequency") << "no f"
                                      << "frequency" << noData;
        QTest::newRow("no powers") << "no P"
                                   << "power-direction" << noData;
        QTest::newRow("no powers: sum") << "no P"
                                        << "sum-p" << noData;
        QTest::newRow("no angles") << "no angles"
                                   << "phase-sequence" << noData;
        QTest::newRow("no load: direction") << "no load"
                                            << "power-direction" << noData;
        QTest::newRow("no load: angle") << "no load"
                                        << "power-angle" << noData;
        QTest::newRow("no load: unbalance") << "no load"
                                            << "current-unbalance" << noData;
        QTest::newRow("no load: PF") << "no load"
                                     << "power-factor" << noData;
        QTest::newRow("no voltage") << "no voltage"
                                    << "voltage-presence" << fault;
        QTest::newRow("Uc low") << "Uc 190"
                                << "voltage-presence" << attention;
        QTest::newRow("f 50.3") << "f 50.3"
                                << "frequency" << attention;
        QTest::newRow("f 51") << "f 51"
                              << "frequency" << fault;
        QTest::newRow("f 60 against 50") << "f 60"
                                         << "frequency" << fault;
        QTest::newRow("Ia 13") << "Ia 13"
                               << "current-unbalance" << attention;
        QTest::newRow("total P off") << "P off"
                                     << "sum-p" << fault;
        QTest::newRow("total P at rounding") << "P rounded"
                                             << "sum-p" << normal;
        QTest::newRow("S vector sum") << "S vector"
                                      << "apparent-power" << normal;
        QTest::newRow("S too small") << "S small"
                                     << "apparent-power" << fault;
        QTest::newRow("PF off") << "PF off"
                                << "power-factor" << fault;
        QTest::newRow("PF sign") << "PF negative"
                                 << "power-factor" << normal;
        QTest::newRow("angles 130") << "angles 130"
                                    << "phase-sequence" << normal;
        QTest::newRow("angles odd") << "angles odd"
                                    << "phase-sequence" << attention;
        QTest::newRow("floating neutral") << "neutral"
                                          << "line-voltage" << attention;
    }
    void oddValues() {
        QFETCH(QString, change);
        QFETCH(QString, check);
        QFETCH(int, verdict);
        PhaseReadings r = Balanced();
        if (change == "no Ub") {
            r.u[1].reset();
        } else if (change == "no f") {
            r.frequency.reset();
        } else if (change == "no P") {
            r.p[2].reset();
        } else if (change == "no angles") {
            r.angle[0].reset();
        } else if (change == "no load") {
            for (int k = 0; k < 3; ++k) {
                r.i[k] = 0;
                r.p[k] = 0;
                r.q[k] = 0;
                r.s[k] = 0;
            }
            r.pTotal = r.qTotal = r.sTotal = 0;
        } else if (change == "no voltage") {
            r.u = {0.0, 1.0, 0.5};
        } else if (change == "Uc 190") {
            r.u[2] = 190;
        } else if (change.startsWith("f ")) {
            r.frequency = change.mid(2).toDouble();
        } else if (change == "Ia 13") {
            r.i[0] = 13;
        } else if (change == "P off") {
            r.pTotal = *r.pTotal + 0.2;
        } else if (change == "P rounded") {
            r.pTotal = *r.pTotal + 0.03;
        } else if (change == "S vector") {
            r.sTotal = std::hypot(*r.pTotal, *r.qTotal);
        } else if (change == "S small") {
            r.sTotal = 0.8 * *r.pTotal;
        } else if (change == "PF off") {
            r.powerFactor = 0.5;
        } else if (change == "PF negative") {
            r.powerFactor = -0.9;
        } else if (change == "angles 130") {
            r.angle = {130.0, 110.0, 120.0};
        } else if (change == "angles odd") {
            r.angle = {180.0, 90.0, 90.0};
        } else if (change == "neutral") {
            r.u = {180.0, 260.0, 240.0};
        }
        const auto results = RunChecks(r, Thresholds{});
        QVERIFY2(static_cast<int>(Find(results, check.toLatin1().constData()).verdict) == verdict,
                 qPrintable(Describe(results)));
    }

    // The limits are what the checks use: a changed limit changes the verdict.
    void thresholdsApply() {
        PhaseReadings r = Balanced();
        r.frequency = 60.1;
        Thresholds t;
        QCOMPARE(Find(RunChecks(r, t), "frequency").verdict, Verdict::Fault);
        t.nominalFrequency = 60;
        QCOMPARE(Find(RunChecks(r, t), "frequency").verdict, Verdict::Normal);
        r.i[0] = 12;  // 6.7 % above the mean
        QCOMPARE(Find(RunChecks(r, t), "current-unbalance").verdict, Verdict::Normal);
        t.currentUnbalanceAttention = 0.05;
        QCOMPARE(Find(RunChecks(r, t), "current-unbalance").verdict, Verdict::Attention);
        // Every table row reaches a distinct limit, and shows its default.
        QSet<QString> keys;
        for (const ThresholdInfo& info : ThresholdTable()) {
            QVERIFY(!keys.contains(QLatin1String(info.key)));
            keys.insert(QLatin1String(info.key));
            QVERIFY(Thresholds{}.*info.member > 0);
            QVERIFY(!info.source.isEmpty());
        }
    }

    // Field texts become numbers; a text that is no number is missing.
    void readingTexts() {
        const QHash<QString, QString> texts = {
            {"UanT", "230.0"}, {"UbnT", "-001.5"}, {"UcnT", "nan"}, {"IaT", "1e3"},
            {"IbT", "abc"},    {"PfsT", " 0.985"}, {"FT", "inf"}};
        const PhaseReadings r =
            ReadPhaseValues(MeterKind::PanelMount, QStringLiteral("一次"), texts);
        QCOMPARE(r.u[0], MaybeValue(230.0));
        QCOMPARE(r.u[1], MaybeValue(-1.5));
        QVERIFY(!r.u[2]);
        QCOMPARE(r.i[0], MaybeValue(1000.0));
        QVERIFY(!r.i[1] && !r.i[2]);
        QCOMPARE(r.powerFactor, MaybeValue(0.985));
        QVERIFY(!r.frequency);
        QVERIFY(!r.angle[0]);  // the panel-mount meter has none
        QCOMPARE(r.powerScale, 1.0);
        const auto results = RunChecks(r, Thresholds{});
        QCOMPARE(Conclusion(RunChecks(PhaseReadings{}, Thresholds{})),
                 QStringLiteral("无数据：本次采集没有可分析的数值。"));
        QCOMPARE(results.size(), std::size_t{13});
    }
};

QTEST_GUILESS_MAIN(TestChecks)
#include "tst_checks.moc"
