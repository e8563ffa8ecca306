// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated meters: register maps, values that hang together the way a
// real meter's do, energies that only rise, and repeatability from the seed.

#include <QtTest>

#include <bit>
#include <cmath>
#include <set>

#include "sim/metermodel.h"

using namespace mt;

namespace {

const CalendarTime kStart{2024, 5, 1, 9, 30, 0};

// Register contents read back the way the monitors decode them.
struct Reader {
    const MeterModel& model;
    std::int64_t ms;

    std::uint16_t Raw(int reg) const {
        const auto r = model.ReadRegisters(static_cast<std::uint16_t>(reg), 1, ms);
        return r ? (*r)[0] : 0;
    }
    double I16(int reg, double divisor) const {
        return static_cast<std::int16_t>(Raw(reg)) / divisor;
    }
    std::int64_t I32(int reg) const {
        return static_cast<std::int32_t>((std::uint32_t{Raw(reg)} << 16) | Raw(reg + 1));
    }
    double F32(int reg) const {
        return std::bit_cast<float>((std::uint32_t{Raw(reg)} << 16) | Raw(reg + 1));
    }
    TimeStamp Stamp(int reg) const {
        TimeStamp s{};
        for (int k = 0; k < 3; ++k) {
            s[2 * k] = static_cast<std::uint8_t>(Raw(reg + k) >> 8);
            s[2 * k + 1] = static_cast<std::uint8_t>(Raw(reg + k) & 0xFF);
        }
        return s;
    }
};

bool Near(double value, double expected, double tolerance) {
    return std::abs(value - expected) <= tolerance;
}

bool ValidStamp(const TimeStamp& s) {
    return s[1] >= 1 && s[1] <= 12 && s[2] >= 1 && s[2] <= 31 && s[3] < 24 && s[4] < 60 &&
           s[5] < 60;
}

std::vector<std::int64_t> Moments() {
    return {0, 999, 61000, 30 * 60000, 3 * 3600000, 26 * 3600000 + 17};
}

}  // namespace

class TestSimModel : public QObject {
    Q_OBJECT
private slots:
    void mapIsWellFormed_data();
    void mapIsWellFormed();
    void panelPrimaryValuesHangTogether_data();
    void panelPrimaryValuesHangTogether();
    void panelSecondaryValuesHangTogether();
    void panelPrimaryIsSecondaryTimesRatios();
    void railValuesHangTogether_data();
    void railValuesHangTogether();
    void energiesOnlyRise_data();
    void energiesOnlyRise();
    void tariffOfTheHourGetsTheEnergy_data();
    void tariffOfTheHourGetsTheEnergy();
    void demandsAndStamps();
    void demandDoesNotDependOnQueryOrder();
    void switchesToggleNowAndThen();
    void sameSeedSameValues();
    void registerDumpMatchesTheRegisters();
    void calendar_data();
    void calendar();
    void sourceValuesCarryTheMeterError_data();
    void sourceValuesCarryTheMeterError();
    void sourceEnergyFollowsItsChanges();
};

void TestSimModel::mapIsWellFormed_data() {
    QTest::addColumn<bool>("rail");
    QTest::newRow("panel") << false;
    QTest::newRow("rail") << true;
}

void TestSimModel::mapIsWellFormed() {
    QFETCH(bool, rail);
    const MeterKind kind = rail ? MeterKind::DinRail : MeterKind::PanelMount;
    // Every quantity lies wholly inside one range and no two overlap.
    std::set<int> used;
    for (const RegisterField& f : RegisterFields(kind)) {
        const int last = f.first + RegisterWidth(f.encoding) - 1;
        bool inside = false;
        for (const RegisterRange& r : RegisterRanges(kind)) {
            inside = inside || (f.first >= r.first && last <= r.last);
        }
        QVERIFY2(inside, f.name.data());
        for (int reg = f.first; reg <= last; ++reg) {
            QVERIFY2(used.insert(reg).second, f.name.data());
        }
        QVERIFY((f.stored != nullptr) != (f.stamp != nullptr));
    }
    // Every register of the ranges holds a quantity, but the three reserved
    // registers 91..93 of the DIN-rail meter.
    int free = 0;
    for (const RegisterRange& r : RegisterRanges(kind)) {
        for (int reg = r.first; reg <= r.last; ++reg) {
            free += used.count(reg) == 0 ? 1 : 0;
        }
    }
    QCOMPARE(free, rail ? 3 : 0);
}

void TestSimModel::panelPrimaryValuesHangTogether_data() {
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<quint64>("seed");
    for (const quint64 seed : {1ULL, 99ULL}) {
        for (const std::int64_t ms : Moments()) {
            QTest::addRow("seed %llu at %lld ms", seed, static_cast<long long>(ms))
                << qint64(ms) << seed;
        }
    }
}

void TestSimModel::panelPrimaryValuesHangTogether() {
    QFETCH(qint64, ms);
    QFETCH(quint64, seed);
    const MeterModel model(MeterKind::PanelMount, seed, kStart);
    const Reader r{model, ms};
    double pSum = 0;
    double qSum = 0;
    double sSum = 0;
    for (int k = 0; k < 3; ++k) {
        const double u = r.F32(10 + 2 * k);
        const double uLine = r.F32(16 + 2 * k);
        const double i = r.F32(22 + 2 * k);
        const double p = r.F32(28 + 2 * k);
        const double q = r.F32(36 + 2 * k);
        QVERIFY2(u > 200 && u < 240, qPrintable(QString::number(u)));
        QVERIFY2(Near(uLine / u, std::sqrt(3.0), 0.05), qPrintable(QString::number(uLine)));
        const double s = std::hypot(p, q);
        const double pf = p / s;
        QVERIFY(pf > 0.8 && pf <= 1);
        QVERIFY2(Near(u * i * pf, p, p * 1e-4), qPrintable(QString::number(u * i * pf)));
        pSum += p;
        qSum += q;
        sSum += s;
    }
    QVERIFY(Near(r.F32(34), pSum, pSum * 1e-5));
    QVERIFY(Near(r.F32(42), qSum, qSum * 1e-5));
    QVERIFY(Near(r.F32(44), sSum, sSum * 1e-5));
    QVERIFY(Near(r.F32(46) / 1000, pSum / sSum, 1e-5));
    QVERIFY(Near(r.F32(48), 50, 0.1));
    QVERIFY(r.F32(50) > 0 && r.F32(52) >= 0 && r.F32(54) > 0 && r.F32(56) >= 0);
}

void TestSimModel::panelSecondaryValuesHangTogether() {
    const MeterModel model(MeterKind::PanelMount, 5, kStart);
    for (const std::int64_t ms : Moments()) {
        const Reader r{model, ms};
        for (int k = 0; k < 3; ++k) {
            const double u = r.I16(70 + k, 10);
            const double i = r.I16(76 + k, 1000);
            const double p = r.I16(79 + k, 1);
            const double s = r.I16(87 + k, 1);
            QVERIFY(u > 200 && u < 240);
            QVERIFY(Near(r.I16(73 + k, 10) / u, std::sqrt(3.0), 0.05));
            QVERIFY(i > 1 && i < 6);  // behind 5 A current transformers
            QVERIFY2(Near(u * i, s, 2), qPrintable(QString("%1 %2").arg(u * i).arg(s)));
            QVERIFY(p > 0 && p < s);
        }
        // Totals in integer registers add up exactly.
        QCOMPARE(r.I16(82, 1), r.I16(79, 1) + r.I16(80, 1) + r.I16(81, 1));
        QCOMPARE(r.I16(86, 1), r.I16(83, 1) + r.I16(84, 1) + r.I16(85, 1));
        QCOMPARE(r.I16(90, 1), r.I16(87, 1) + r.I16(88, 1) + r.I16(89, 1));
        QVERIFY(Near(r.I16(91, 1000), r.I16(82, 1) / r.I16(90, 1), 0.002));
        QVERIFY(Near(r.I16(92, 100), 50, 0.1));
    }
}

void TestSimModel::panelPrimaryIsSecondaryTimesRatios() {
    const MeterModel model(MeterKind::PanelMount, 3, kStart);
    const Reader r{model, 4000};
    const MeterValues v = model.ValuesAt(4000);
    QCOMPARE(v.voltageRatio, 1.0);
    QCOMPARE(v.currentRatio, 20.0);
    QVERIFY(Near(r.F32(10), r.I16(70, 10), 0.05));
    QVERIFY(Near(r.F32(22), r.I16(76, 1000) * 20, 0.01));
    QVERIFY(Near(r.F32(28), r.I16(79, 1) * 20, 10));
    QVERIFY(Near(r.F32(50), (r.I32(93) / 1000.0) * 20, 0.1));
    QVERIFY(Near(r.F32(56), (r.I32(99) / 1000.0) * 20, 0.01));
}

void TestSimModel::railValuesHangTogether_data() {
    QTest::addColumn<qint64>("ms");
    for (const std::int64_t ms : Moments()) {
        QTest::addRow("%lld ms", static_cast<long long>(ms)) << qint64(ms);
    }
}

void TestSimModel::railValuesHangTogether() {
    QFETCH(qint64, ms);
    const MeterModel model(MeterKind::DinRail, 11, kStart);
    const Reader r{model, ms};
    for (int k = 0; k < 3; ++k) {
        const double u = r.I16(70 + k, 10);
        const double i = r.I16(76 + k, 100);
        const double p = r.I16(79 + k, 100);
        const double s = r.I16(87 + k, 100);
        QVERIFY(u > 200 && u < 240);
        QVERIFY(Near(r.I16(73 + k, 10) / u, std::sqrt(3.0), 0.05));
        QVERIFY(i > 3 && i < 40);
        QVERIFY2(Near(u * i / 1000, s, 0.03), qPrintable(QString("%1 %2").arg(u * i).arg(s)));
        QVERIFY(p > 0 && p < s);
    }
    QCOMPARE(r.Raw(82), r.Raw(79) + r.Raw(80) + r.Raw(81));
    QCOMPARE(r.Raw(86), r.Raw(83) + r.Raw(84) + r.Raw(85));
    QCOMPARE(r.Raw(90), r.Raw(87) + r.Raw(88) + r.Raw(89));
    QCOMPARE(r.Raw(91) + r.Raw(92) + r.Raw(93), 0);
    QVERIFY(Near(r.I16(94, 1000), double(r.Raw(82)) / r.Raw(90), 0.002));
    QVERIFY(Near(r.I16(95, 100), 50, 0.1));
    const double angles[3] = {r.I16(96, 100), r.I16(97, 100), r.I16(98, 100)};
    for (const double a : angles) {
        QVERIFY(Near(a, 120, 1));
    }
    QVERIFY(Near(angles[0] + angles[1] + angles[2], 360, 0.015));

    // Each energy block: total = sum of its four tariffs; combined = forward + reverse.
    for (int block = 0; block < 6; ++block) {
        const int base = 8192 + 256 * block;
        QCOMPARE(r.I32(base),
                 r.I32(base + 2) + r.I32(base + 4) + r.I32(base + 6) + r.I32(base + 8));
    }
    for (int offset = 0; offset < 10; offset += 2) {
        QCOMPARE(r.I32(8192 + offset), r.I32(8448 + offset) + r.I32(8704 + offset));
        QCOMPARE(r.I32(8960 + offset), r.I32(9216 + offset) + r.I32(9472 + offset));
    }
}

void TestSimModel::energiesOnlyRise_data() {
    QTest::addColumn<bool>("rail");
    QTest::addColumn<QList<int>>("counters");  // first registers of 32-bit counters
    QTest::newRow("panel") << false << QList<int>{93, 95, 97, 99};
    QTest::newRow("rail") << true
                          << QList<int>{8192, 8194, 8196, 8198, 8200, 8448, 8704, 8960, 9216, 9472};
}

void TestSimModel::energiesOnlyRise() {
    QFETCH(bool, rail);
    QFETCH(QList<int>, counters);
    const MeterModel model(rail ? MeterKind::DinRail : MeterKind::PanelMount, 21, kStart);
    std::vector<std::int64_t> previous(counters.size(), -1);
    std::int64_t firstTotal = Reader{model, 0}.I32(counters[0]);
    std::int64_t lastTotal = firstTotal;
    // Five hours in steps of 37 s: across tariff changes of the day.
    for (std::int64_t ms = 0; ms <= 5 * 3600000; ms += 37000) {
        const Reader r{model, ms};
        for (qsizetype k = 0; k < counters.size(); ++k) {
            const std::int64_t value = r.I32(counters[k]);
            QVERIFY2(value >= previous[k],
                     qPrintable(QString("register %1 at %2 ms").arg(counters[k]).arg(ms)));
            previous[k] = value;
        }
        lastTotal = r.I32(counters[0]);
        if (!rail) {
            // Primary floats follow the counters as well.
            QVERIFY(r.F32(50) >= 0);
        }
    }
    // The load draws some kW: the total has risen by kWh over the hours.
    QVERIFY2(lastTotal - firstTotal > (rail ? 100 * 10 : 1000 * 5),
             qPrintable(QString::number(lastTotal - firstTotal)));
}

void TestSimModel::tariffOfTheHourGetsTheEnergy_data() {
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("tariff");  // 0 sharp, 1 peak, 2 flat, 3 valley
    QTest::newRow("02:00 valley") << 2 << 3;
    QTest::newRow("07:00 flat") << 7 << 2;
    QTest::newRow("08:00 peak") << 8 << 1;
    QTest::newRow("10:00 sharp") << 10 << 0;
    QTest::newRow("13:00 flat") << 13 << 2;
    QTest::newRow("19:00 sharp") << 19 << 0;
    QTest::newRow("22:00 peak") << 22 << 1;
    QTest::newRow("23:00 valley") << 23 << 3;
}

void TestSimModel::tariffOfTheHourGetsTheEnergy() {
    QFETCH(int, hour);
    QFETCH(int, tariff);
    const MeterModel model(MeterKind::DinRail, 4, {2024, 3, 9, hour, 0, 0});
    const Reader before{model, 0};
    const Reader after{model, 50 * 60000};  // 50 minutes later, still the same hour
    for (int k = 0; k < 4; ++k) {
        const std::int64_t rise = after.I32(8450 + 2 * k) - before.I32(8450 + 2 * k);
        if (k == tariff) {
            QVERIFY(rise > 0);
        } else {
            QCOMPARE(rise, 0);
        }
        // The reverse counters stand still: the load does not feed back.
        QCOMPARE(after.I32(8706 + 2 * k), before.I32(8706 + 2 * k));
    }
}

void TestSimModel::demandsAndStamps() {
    const MeterModel model(MeterKind::DinRail, 8, kStart);
    const Reader start{model, 0};
    // At the start the demand stamps are the start itself: 2024-05-01 09:30:00.
    const TimeStamp startStamp = start.Stamp(1041);
    QCOMPARE(startStamp, (TimeStamp{24, 5, 1, 9, 30, 0}));
    const TimeStamp cleared = start.Stamp(1024);
    QVERIFY(ValidStamp(cleared));
    QVERIFY(cleared < startStamp);  // cleared before the start

    double lastVoltageDemand = 0;
    double lastCurrentDemand = 0;
    for (std::int64_t ms = 0; ms <= 2 * 3600000; ms += 15000) {
        const Reader r{model, ms};
        const double uDemand = r.I16(1040, 10);
        const double iDemand = r.I16(1056, 10);
        QVERIFY(uDemand >= lastVoltageDemand && iDemand >= lastCurrentDemand);
        // On the sampling grid the maximum is at least every present value.
        for (int k = 0; k < 3; ++k) {
            QVERIFY(uDemand + 0.05 >= r.I16(70 + k, 10));
            QVERIFY(iDemand + 0.05 >= r.I16(76 + k, 100));
        }
        QVERIFY(ValidStamp(r.Stamp(1041)) && ValidStamp(r.Stamp(1057)));
        QCOMPARE(r.Stamp(1024), cleared);
        lastVoltageDemand = uDemand;
        lastCurrentDemand = iDemand;
    }
    // The stamps moved on from the start at some point.
    const Reader late{model, 2 * 3600000};
    QVERIFY(late.Stamp(1041) != start.Stamp(1041) || late.Stamp(1057) != start.Stamp(1057));
}

void TestSimModel::demandDoesNotDependOnQueryOrder() {
    const MeterModel walked(MeterKind::DinRail, 8, kStart);
    for (std::int64_t ms = 0; ms < 3 * 3600000; ms += 600000) {
        (void)walked.ValuesAt(ms);
    }
    const MeterModel fresh(MeterKind::DinRail, 8, kStart);
    const std::int64_t back = 40 * 60000 + 123;
    QCOMPARE(walked.ReadRegisters(1040, 4, back), fresh.ReadRegisters(1040, 4, back));
    QCOMPARE(walked.ReadRegisters(1056, 4, back), fresh.ReadRegisters(1056, 4, back));
}

void TestSimModel::switchesToggleNowAndThen() {
    const MeterModel model(MeterKind::PanelMount, 13, kStart);
    int coilChanges = 0;
    int inputChanges = 0;
    MeterValues previous = model.ValuesAt(0);
    for (std::int64_t ms = 1000; ms <= 3600000; ms += 1000) {
        const MeterValues v = model.ValuesAt(ms);
        coilChanges += v.coils != previous.coils ? 1 : 0;
        inputChanges += v.inputs != previous.inputs ? 1 : 0;
        QVERIFY(v.coils < 16 && v.inputs < 16);
        previous = v;
    }
    // Now and then: a change every minute or two, not on every second.
    QVERIFY2(coilChanges >= 20 && coilChanges <= 120, qPrintable(QString::number(coilChanges)));
    QVERIFY2(inputChanges >= 20 && inputChanges <= 120, qPrintable(QString::number(inputChanges)));
}

void TestSimModel::sameSeedSameValues() {
    for (const MeterKind kind : {MeterKind::PanelMount, MeterKind::DinRail}) {
        const MeterModel a(kind, 42, kStart);
        const MeterModel b(kind, 42, kStart);
        const MeterModel c(kind, 43, kStart);
        for (const RegisterRange& range : RegisterRanges(kind)) {
            const auto count = static_cast<std::uint16_t>(range.last - range.first + 1);
            QCOMPARE(a.ReadRegisters(range.first, count, 77777),
                     b.ReadRegisters(range.first, count, 77777));
        }
        QVERIFY(a.ReadRegisters(70, 6, 77777) != c.ReadRegisters(70, 6, 77777));
        // Values vary slowly: a second later they differ a little, not a lot.
        const Reader now{a, 77777};
        const Reader later{a, 78777};
        QVERIFY(now.Raw(70) != later.Raw(70) || now.Raw(76) != later.Raw(76) ||
                now.Raw(79) != later.Raw(79));
        QVERIFY(Near(now.I16(70, 10), later.I16(70, 10), 2));
    }
}

void TestSimModel::registerDumpMatchesTheRegisters() {
    const MeterModel model(MeterKind::DinRail, 2, kStart);
    const QStringList lines =
        QString::fromStdString(RegisterDump(model, 5000)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), qsizetype(std::size(RegisterFields(MeterKind::DinRail))));
    const Reader r{model, 5000};
    for (const QString& line : lines) {
        const QStringList parts = line.split('\t');
        QCOMPARE(parts.size(), 4);
        const int reg = parts[0].toInt();
        QCOMPARE(parts[2].left(4).toUInt(nullptr, 16), unsigned{r.Raw(reg)});
    }
    // The time stamp shows as the six bytes the screen shows.
    const TimeStamp stamp = r.Stamp(1024);
    QStringList bytes;
    QString hex;
    for (const std::uint8_t b : stamp) {
        bytes << QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        hex += bytes.back();
    }
    QVERIFY(lines.contains(QString("1024\tEPP0Time\t%1\t%2").arg(hex, bytes.join(','))));
    const QString panel =
        QString::fromStdString(RegisterDump(MeterModel(MeterKind::PanelMount, 2, kStart), 0));
    QVERIFY(panel.contains("\ncoil 3\t") && panel.contains("\ninput 0\t"));
}

void TestSimModel::calendar_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("epoch") << qint64(0) << "1970-01-01 00:00:00";
    QTest::newRow("leap day 2000") << qint64(951782400) << "2000-02-29 00:00:00";
    QTest::newRow("end of 2024") << qint64(1735689599) << "2024-12-31 23:59:59";
    QTest::newRow("new year 2025") << qint64(1735689600) << "2025-01-01 00:00:00";
    QTest::newRow("leap day 2024 noon") << qint64(1709208000) << "2024-02-29 12:00:00";
    QTest::newRow("before the epoch") << qint64(-1) << "1969-12-31 23:59:59";
}

void TestSimModel::calendar() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    const CalendarTime t = CalendarFromEpochSeconds(seconds);
    QCOMPARE(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                               t.minute, t.second),
             text);
    QCOMPARE(EpochSeconds(t), seconds);
}

QTEST_APPLESS_MAIN(TestSimModel)
#include "tst_simmodel.moc"

// A meter on a test bench measures the source with its own error: the gain
// on U, I, P, Q and f, offsets per phase, the power factor off by a
// difference, the transformer ratios 1.
void TestSimModel::sourceValuesCarryTheMeterError_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("panel-mount") << int(MeterKind::PanelMount);
    QTest::newRow("DIN-rail") << int(MeterKind::DinRail);
}

void TestSimModel::sourceValuesCarryTheMeterError() {
    QFETCH(int, kind);
    SimSource source(*ParseSourcePoint("U=230 I=5 PF=0.5L F=50"));
    MeterError error;
    QVERIFY(AddMeterErrors("U=0.1,I=-0.2:0.001,P=1.5,Q=-1,F=0.02,PF=-0.004", error));
    MeterModel exact(static_cast<MeterKind>(kind), 7, CalendarTime{});
    MeterModel off(static_cast<MeterKind>(kind), 8, CalendarTime{});
    exact.FollowSource(&source, MeterError{});
    off.FollowSource(&source, error);
    const MeterValues e = exact.ValuesAt(1000);
    const MeterValues v = off.ValuesAt(1000);
    QCOMPARE(e.u[1], 230.0);
    QCOMPARE(e.i[2], 5.0);
    QVERIFY(std::abs(e.pTotal - 1725) < 1e-9);
    QVERIFY(e.qTotal > 0);  // lagging
    QCOMPARE(e.pfTotal, 0.5);
    QCOMPARE(e.voltageRatio, 1.0);
    QCOMPARE(e.currentRatio, 1.0);
    QVERIFY(std::abs(v.u[0] - 230 * 1.001) < 1e-9);
    QVERIFY(std::abs(v.i[0] - (5 * 0.998 + 0.001)) < 1e-9);
    QVERIFY(std::abs(v.pTotal / e.pTotal - 1.015) < 1e-9);
    QVERIFY(std::abs(v.qTotal / e.qTotal - 0.99) < 1e-9);
    QVERIFY(std::abs(v.frequency - 50.01) < 1e-9);
    QVERIFY(std::abs(v.pfTotal - 0.496) < 1e-9);
    // A leading source: the reactive power changes sign.
    source.Set(2000, *ParseSourcePoint("PF=0.8C", source.At(2000)));
    QVERIFY(exact.ValuesAt(3000).qTotal < 0);
}

// The energy registers count the source's energy stretch by stretch, each
// meter with its own gain, and a creeping register counts at no load too.
void TestSimModel::sourceEnergyFollowsItsChanges() {
    SimSource source(*ParseSourcePoint("U=230 I=10 PF=1"));
    source.Set(3600000, *ParseSourcePoint("I=0", source.At(3600000)));
    QVERIFY(std::abs(source.ActiveWattSeconds(3600000) - 6900.0 * 3600) < 1e-6);
    QCOMPARE(source.ActiveWattSeconds(7200000), source.ActiveWattSeconds(3600000));
    MeterError gain;
    QVERIFY(AddMeterErrors("P=2", gain));
    MeterError creep;
    QVERIFY(AddMeterErrors("creep=100", creep));
    MeterModel exact(MeterKind::PanelMount, 1, CalendarTime{});
    MeterModel fast(MeterKind::PanelMount, 1, CalendarTime{});
    MeterModel creeping(MeterKind::DinRail, 3, CalendarTime{});
    exact.FollowSource(&source, MeterError{});
    fast.FollowSource(&source, gain);
    creeping.FollowSource(&source, creep);
    const std::int64_t hour = exact.ValuesAt(3600000).wpp - exact.ValuesAt(0).wpp;
    QVERIFY2(std::abs(hour - 6900) <= 1, qPrintable(QString::number(hour)));
    QCOMPARE(exact.ValuesAt(7200000).wpp, exact.ValuesAt(3600000).wpp);  // no current, no count
    const std::int64_t fastHour = fast.ValuesAt(3600000).wpp - fast.ValuesAt(0).wpp;
    QVERIFY2(std::abs(fastHour - 7038) <= 1, qPrintable(QString::number(fastHour)));
    // 100 W for an hour at no load: 0.1 kWh, ten steps of the DIN-rail register.
    const auto total = [&](std::int64_t ms) {
        return creeping.ValuesAt(ms).railEnergy[kForwardActive].total;
    };
    QVERIFY2(std::abs((total(7200000) - total(3600000)) - 10) <= 1,
             qPrintable(QString::number(total(7200000) - total(3600000))));
}
