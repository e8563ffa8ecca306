// SPDX-License-Identifier: GPL-3.0-or-later
// The trend store: bounded with the oldest going first, gaps kept as gaps,
// every point at its tick's time; and the series a screen's readings give.

#include <QtTest>
#include <cmath>

#include "trend/trendstore.h"

using namespace mt;

namespace {

QList<TrendSeries> ThreeSeries() {
    return TrendSeriesOf(
        {{"UanT", "相电压Uan (V)"}, {"IaT", "电流Ia (A)"}, {"Picture1.1", "开关量输出1"}});
}

QHash<QString, QString> Texts(double u, const QString& switchText = QStringLiteral("闭合")) {
    return {{"UanT", QString::number(u)}, {"IaT", "5"}, {"Picture1.1", switchText}};
}

}  // namespace

class TestTrendStore : public QObject {
    Q_OBJECT

private slots:
    void seriesOfReadings() {
        const QList<TrendSeries> series = TrendSeriesOf({{"UanT", "相电压Uan (V)"},
                                                         {"PfsT", "功率因数 (cos φ)"},
                                                         {"SWT", "当前总有功电能 (KWh)"},
                                                         {"OaT", "AB电位相位 (度)"},
                                                         {"UMaxT", "电压最大需求量"},
                                                         {"UMaxTimeT", "电压最大需量发生时间"},
                                                         {"EPP0TimeT", "最近电能清零时间"},
                                                         {"Picture2.4", "开关量输入4"},
                                                         {"PaT", "有功功率Pa (KW)"}});
        QCOMPARE(series.size(), 7);  // no time stamps
        QCOMPARE(series[0].name, QStringLiteral("相电压Uan"));
        QCOMPARE(series[0].unit, QStringLiteral("V"));
        QCOMPARE(series[0].group, QStringLiteral("电压"));
        QCOMPARE(series[1].unit, QStringLiteral("cos φ"));
        QCOMPARE(series[1].group, QStringLiteral("功率因数与频率"));
        QCOMPARE(series[2].group, QStringLiteral("电能"));
        QCOMPARE(series[3].group, QStringLiteral("相角"));
        QCOMPARE(series[4].group, QStringLiteral("需量"));
        QCOMPARE(series[4].unit, QString());
        QVERIFY(series[5].isSwitch);
        QCOMPARE(series[5].group, QStringLiteral("开关量"));
        QCOMPARE(series[6].group, QStringLiteral("功率"));
        QVERIFY(!series[6].isSwitch);
        QVERIFY(!IsTrendable("IMaxTimeT") && IsTrendable("IMaxT"));
    }

    void values_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isSwitch");
        QTest::addColumn<double>("value");  // NaN: a gap
        QTest::newRow("voltage form") << "000.5" << false << 0.5;
        QTest::newRow("negative") << "-001.5" << false << -1.5;
        QTest::newRow("general") << "220.1" << false << double(220.1F);
        QTest::newRow("exponent") << "1.5e+09" << false << 1.5e9;
        QTest::newRow("padded") << " 12 " << false << 12.0;
        QTest::newRow("empty") << "" << false << qQNaN();
        QTest::newRow("letters") << "abc" << false << qQNaN();
        QTest::newRow("infinity") << "inf" << false << qQNaN();
        QTest::newRow("nan") << "nan" << false << qQNaN();
        QTest::newRow("comma") << "1,5" << false << qQNaN();
        QTest::newRow("hex pairs") << "12,05,1F,09,30,00" << false << qQNaN();
        QTest::newRow("closed") << "闭合" << true << 1.0;
        QTest::newRow("open") << "断开" << true << 0.0;
        QTest::newRow("switch nonsense") << "1" << true << qQNaN();
    }
    void values() {
        QFETCH(QString, text);
        QFETCH(bool, isSwitch);
        QFETCH(double, value);
        const float got = TrendValueOf(text, isSwitch);
        if (std::isnan(value)) {
            QVERIFY2(std::isnan(got), qPrintable(QString::number(got)));
        } else {
            QCOMPARE(double(got), double(float(value)));
        }
    }

    // Bounded: once full, each tick pushes out the oldest; times and values
    // stay together.
    void boundedOldestOut() {
        TrendStore store(ThreeSeries(), 5);
        QCOMPARE(store.size(), 0);
        for (int n = 1; n <= 8; ++n) {
            store.addTick(1000 * n, Texts(200 + n));
            QCOMPARE(store.size(), std::min(n, 5));
        }
        QCOMPARE(store.added(), std::int64_t{8});
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(store.timeAt(k), std::int64_t{1000 * (k + 4)});
            QCOMPARE(store.valueAt(store.indexOf("UanT"), k), float(200 + k + 4));
        }
        const std::size_t held = store.bytesHeld();
        for (int n = 9; n <= 100; ++n) {
            store.addTick(1000 * n, Texts(200 + n));
        }
        QCOMPARE(store.bytesHeld(), held);  // memory stays flat once full
        QCOMPARE(store.timeAt(0), std::int64_t{96000});
        store.clear();
        QCOMPARE(store.size(), 0);
    }

    // A tick without a value for a series leaves a gap there, and only there.
    void gapsKept() {
        TrendStore store(ThreeSeries(), 10);
        store.addTick(1000, Texts(230));
        store.addTick(2000, {{"IaT", "6"}});  // no voltage, no switch
        store.addTick(3000, {});              // nothing at all
        store.addTick(4000, Texts(231, "断开"));
        const int u = store.indexOf("UanT");
        const int i = store.indexOf("IaT");
        const int sw = store.indexOf("Picture1.1");
        QCOMPARE(store.valueAt(u, 0), 230.0F);
        QVERIFY(std::isnan(store.valueAt(u, 1)));
        QCOMPARE(store.valueAt(i, 1), 6.0F);
        QVERIFY(std::isnan(store.valueAt(u, 2)) && std::isnan(store.valueAt(i, 2)));
        QVERIFY(std::isnan(store.valueAt(sw, 1)));
        QCOMPARE(store.valueAt(sw, 0), 1.0F);
        QCOMPARE(store.valueAt(sw, 3), 0.0F);
        QCOMPARE(store.timeAt(2), std::int64_t{3000});
        QCOMPARE(store.indexOf("nothing"), -1);
    }

    void lowerBound_data() {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<int>("index");
        QTest::newRow("before all") << qint64(0) << 0;
        QTest::newRow("on the first") << qint64(4000) << 0;
        QTest::newRow("between") << qint64(5500) << 2;
        QTest::newRow("on the last") << qint64(8000) << 4;
        QTest::newRow("after all") << qint64(9000) << 5;
    }
    void lowerBound() {
        QFETCH(qint64, msecs);
        QFETCH(int, index);
        TrendStore store(ThreeSeries(), 5);
        for (int n = 1; n <= 8; ++n) {  // wrapped: 4000 ... 8000 held
            store.addTick(1000 * n, Texts(n));
        }
        QCOMPARE(store.lowerBound(msecs), index);
    }

    // A day of the DIN-rail screen at its 5 s rhythm fits well inside 20 MiB.
    void dayOfDinRailFits() {
        QList<Reading> readings;
        for (int n = 0; n < 41; ++n) {
            readings.append({QStringLiteral("F%1T").arg(n), QStringLiteral("值%1 (V)").arg(n)});
        }
        const TrendStore store(TrendSeriesOf(readings), 24 * 3600 / 5 + 60);
        QVERIFY(store.bytesHeld() < 20u * 1024 * 1024 / 4);
    }
};

QTEST_GUILESS_MAIN(TestTrendStore)
#include "tst_trendstore.moc"
