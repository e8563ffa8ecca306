// SPDX-License-Identifier: GPL-3.0-or-later
// The trend window as the program gets it: from its module, loaded when a
// monitor first asks for it, and not before.
#include <QApplication>
#include <QFile>
#include <QWidget>
#include <QtTest>

#include "trend/trendstore.h"
#include "trend/trendview.h"

using namespace mt;

namespace {

bool PlotLibraryLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQCustomPlot");
}

}  // namespace

class TestTrendModule : public QObject {
    Q_OBJECT

private slots:
    void loadedOnFirstUse() {
        QVERIFY(!PlotLibraryLoaded());
        TrendStore store(TrendSeriesOf({{QStringLiteral("UanT"), QStringLiteral("相电压Uan (V)")},
                                        {QStringLiteral("FT"), QStringLiteral("电网频率 (Hz)")}}),
                         100);
        QWidget owner;
        QString why;
        TrendView* view = MakeTrendView(
            store, [] { return false; }, &owner, &why);
        QVERIFY2(view != nullptr, qPrintable(why));
        QVERIFY(PlotLibraryLoaded());
        QCOMPARE(view->widget()->parent(), &owner);
        QVERIFY(view->widget()->isWindow());
        QVERIFY(!view->seriesShown(QStringLiteral("UanT")));
        view->setSeriesShown(QStringLiteral("UanT"), true);
        QVERIFY(view->seriesShown(QStringLiteral("UanT")));
        view->setSpan(1);
        view->widget()->show();
        QVERIFY(QTest::qWaitForWindowExposed(view->widget()));
        view->refresh();
        // A second window comes from the module already loaded.
        TrendView* second = MakeTrendView(store, {}, &owner, &why);
        QVERIFY(second != nullptr && second != view);
        delete second;
    }
};

QTEST_MAIN(TestTrendModule)
#include "tst_trendmodule.moc"
