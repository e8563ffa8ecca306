// SPDX-License-Identifier: GPL-3.0-or-later
// metersim's wiring faults: what --wiring accepts, and that each fault
// changes the measured values the way the wrong connection would.

#include <QtTest>
#include <string>
#include <vector>

#include "sim/metermodel.h"
#include "sim/options.h"
#include "sim/wiring.h"

using namespace mt;

namespace {

const CalendarTime kStart{2024, 5, 1, 10, 0, 0};

MeterValues Measured(const char* wiring, MeterKind kind = MeterKind::DinRail) {
    Wiring w;
    if (!AddWiringFaults(wiring, w)) {
        qFatal("bad wiring %s", wiring);
    }
    return MeterModel(kind, 9, kStart, w).ValuesAt(90000);
}

bool Near(double a, double b, double tolerance = 1e-6) {
    return std::abs(a - b) <= tolerance * std::max(1.0, std::abs(b));
}

}  // namespace

class TestSimWiring : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("healthy") << "healthy" << true << "healthy";
        QTest::newRow("reverse b") << "reverse-ct=b" << true << "reverse-ct=b";
        QTest::newRow("reverse all, any order") << "reverse-ct=cab" << true << "reverse-ct=abc";
        QTest::newRow("missing c") << "missing-phase=c" << true << "missing-phase=c";
        QTest::newRow("sequence") << "negative-sequence" << true << "negative-sequence";
        QTest::newRow("swap") << "swap-currents=ca" << true << "swap-currents=ca";
        QTest::newRow("three-wire") << "three-wire" << true << "three-wire";
        QTest::newRow("scale") << "current-scale=2.5" << true << "current-scale=2.5";
        QTest::newRow("list") << "three-wire,reverse-ct=a" << true << "reverse-ct=a,three-wire";
        QTest::newRow("healthy resets") << "reverse-ct=a,healthy" << true << "healthy";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("unknown") << "crossed" << false << "";
        QTest::newRow("phase d") << "reverse-ct=d" << false << "";
        QTest::newRow("upper case") << "reverse-ct=B" << false << "";
        QTest::newRow("no phase") << "reverse-ct=" << false << "";
        QTest::newRow("swap one") << "swap-currents=a" << false << "";
        QTest::newRow("swap same") << "swap-currents=aa" << false << "";
        QTest::newRow("swap three") << "swap-currents=abc" << false << "";
        QTest::newRow("value on a flag") << "three-wire=1" << false << "";
        QTest::newRow("scale zero") << "current-scale=0" << false << "";
        QTest::newRow("scale huge") << "current-scale=1000" << false << "";
        QTest::newRow("scale nan") << "current-scale=nan" << false << "";
        QTest::newRow("trailing comma") << "three-wire," << false << "";
        QTest::newRow("one bad in a list") << "three-wire,bad" << false << "";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, normalized);
        Wiring w;
        w.currentScale = 3;  // left alone by a failure
        const Wiring before = w;
        const std::string s = text.toStdString();
        QCOMPARE(AddWiringFaults(s, w), ok);
        if (ok) {
            Wiring fresh;
            QVERIFY(AddWiringFaults(s, fresh));
            QCOMPARE(QString::fromStdString(WiringText(fresh)), normalized);
            Wiring again;  // the text reads back as the same wiring
            QVERIFY(AddWiringFaults(WiringText(fresh), again));
            QVERIFY(again == fresh);
        } else {
            QVERIFY(w == before);
        }
    }

    void commandLine() {
        const std::vector<std::string_view> args = {"--wiring", "reverse-ct=b",
                                                    "--wiring=three-wire"};
        const OptionsResult result = ParseOptions(args);
        QVERIFY(result.ok());
        QCOMPARE(WiringText(result.options.wiring), std::string("reverse-ct=b,three-wire"));
        const std::vector<std::string_view> bad = {"--wiring", "sideways"};
        QVERIFY(!ParseOptions(bad).ok());
        QVERIFY(UsageText().find("--wiring swap-currents=XY") != std::string::npos);
    }

    // Each fault against the healthy meter at the same moment.
    void physics() {
        const MeterValues healthy = MeterModel(MeterKind::DinRail, 9, kStart).ValuesAt(90000);
        const MeterValues same = Measured("healthy");
        QCOMPARE(same.p, healthy.p);
        QCOMPARE(same.angle, healthy.angle);

        const MeterValues reversed = Measured("reverse-ct=b");
        QVERIFY(Near(reversed.p[1], -healthy.p[1]) && Near(reversed.q[1], -healthy.q[1]));
        QVERIFY(Near(reversed.p[0], healthy.p[0]) && Near(reversed.s[1], healthy.s[1]));
        QVERIFY(Near(reversed.pTotal, healthy.p[0] - healthy.p[1] + healthy.p[2]));
        QVERIFY(Near(reversed.pfTotal, reversed.pTotal / reversed.sTotal));

        const MeterValues missing = Measured("missing-phase=c");
        QCOMPARE(missing.u[2], 0.0);
        QCOMPARE(missing.p[2], 0.0);
        QCOMPARE(missing.s[2], 0.0);
        QVERIFY(Near(missing.i[2], healthy.i[2]));  // the load still draws its current
        QVERIFY(Near(missing.uLine[1], healthy.u[1]));
        QCOMPARE(missing.angle[1], 0.0);

        const MeterValues negative = Measured("negative-sequence");
        for (int k = 0; k < 3; ++k) {
            QVERIFY2(std::abs(negative.angle[k] - 240) < 1,
                     qPrintable(QString::number(negative.angle[k])));
            QVERIFY(Near(negative.p[k], healthy.p[k]) && Near(negative.uLine[k], healthy.uLine[k]));
        }

        const MeterValues swapped = Measured("swap-currents=ab");
        QVERIFY(Near(swapped.i[0], healthy.i[1]) && Near(swapped.i[1], healthy.i[0]));
        QVERIFY(swapped.p[0] < 0);  // 120° or more away from its own voltage
        QVERIFY(Near(swapped.p[2], healthy.p[2]));

        const MeterValues threeWire = Measured("three-wire");
        QCOMPARE(threeWire.u[1], 0.0);
        QCOMPARE(threeWire.i[1], 0.0);
        QVERIFY(Near(threeWire.u[0], healthy.uLine[0]) && Near(threeWire.u[2], healthy.uLine[1]));
        QVERIFY(Near(threeWire.uLine[2], healthy.uLine[2]));

        const MeterValues scaled = Measured("current-scale=2");
        QVERIFY(Near(scaled.i[0], 2 * healthy.i[0]) && Near(scaled.p[0], healthy.p[0]));

        // Energy counts the load itself, whatever the wiring.
        QCOMPARE(reversed.railEnergy[kForwardActive].total,
                 healthy.railEnergy[kForwardActive].total);
    }
};

QTEST_GUILESS_MAIN(TestSimWiring)
#include "tst_simwiring.moc"
