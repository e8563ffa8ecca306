// SPDX-License-Identifier: GPL-3.0-or-later
// The trend window: series choice and one axis per unit, the plot's points
// exactly the store's (gaps as gaps), redraws only between ticks, the live
// view, the cursor, the export's bytes; and a monitor keeping its history
// from the start of polling.

#include <qcustomplot.h>
#include <QAction>
#include <QImage>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>

#include "csv/csvtext.h"
#include "monitor/portpanel.h"
#include "panel_meter/panelmeterwindow.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"
#include "trend/trendstore.h"
#include "trend/trendwindow.h"

using namespace mt;
using namespace mt::test;

namespace {

const std::int64_t kT0 = 1765000000000;  // some moment in 2025, ms

TrendStore MakeStore(int capacity = 100) {
    return TrendStore(TrendSeriesOf({{"UanT", "相电压Uan (V)"},
                                     {"UbnT", "相电压Ubn (V)"},
                                     {"IaT", "电流Ia (A)"},
                                     {"Picture1.1", "开关量输出1"}}),
                      capacity);
}

void AddTicks(TrendStore& store, int from, int to) {
    for (int n = from; n < to; ++n) {
        QHash<QString, QString> texts{{"UbnT", "221"}, {"IaT", QString::number(n)}};
        if (n % 3 != 1) {  // every third tick lost its voltage answer
            texts.insert("UanT", QString::number(220 + n));
        }
        texts.insert("Picture1.1", n % 2 == 0 ? QStringLiteral("闭合") : QStringLiteral("断开"));
        store.addTick(kT0 + 5000LL * n, texts);
    }
}

// Lets the window's deferred redraw run.
void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(5);
    }
}

}  // namespace

class TestTrendWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        SetTrendViewMaker([](const TrendStore& store, std::function<bool()> busy, QWidget* parent) {
            return new TrendWindow(store, std::move(busy), parent);
        });
    }

    void axisPerUnit() {
        TrendStore store = MakeStore();
        AddTicks(store, 0, 6);
        TrendWindow window(store, {}, nullptr);
        window.show();
        window.setSeriesShown("UanT", true);
        window.setSeriesShown("UbnT", true);
        window.setSeriesShown("IaT", true);
        Settle();
        QCOMPARE(window.plot()->graphCount(), 3);
        QCPAxis* volts = window.axisOf("V");
        QCPAxis* amps = window.axisOf("A");
        QVERIFY(volts != nullptr && amps != nullptr && volts != amps);
        QCOMPARE(volts->label(), QStringLiteral("V"));
        QCOMPARE(window.graphOf("UanT")->valueAxis(), volts);
        QCOMPARE(window.graphOf("UbnT")->valueAxis(), volts);
        QCOMPARE(window.graphOf("IaT")->valueAxis(), amps);
        window.setSeriesShown("IaT", false);
        QVERIFY(window.axisOf("A") == nullptr);
        QCOMPARE(window.shownSeries(), QStringList({"UanT", "UbnT"}));
        // Switch states: steps on a 0/1 axis of their own.
        window.setSeriesShown("Picture1.1", true);
        QCOMPARE(window.graphOf("Picture1.1")->lineStyle(), QCPGraph::lsStepLeft);
        QVERIFY(window.axisOf("状态 (0/1)") != nullptr);
        // The tree's check boxes show what is plotted, and plot what is checked.
        auto* tree = Ctl<QTreeWidget>(window, "SeriesTree");
        const auto items = tree->findItems("电流Ia (A)", Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->checkState(0), Qt::Unchecked);
        items[0]->setCheckState(0, Qt::Checked);
        QVERIFY(window.seriesShown("IaT"));
        window.setSeriesShown("nothing", true);  // unknown keys change nothing
        QCOMPARE(window.plot()->graphCount(), 4);
    }

    // The plot holds exactly the store's points: each at its tick's time,
    // NaN (no line) where the tick brought no value; pushed-out ticks go.
    void pointsAreTheStores() {
        TrendStore store = MakeStore(8);
        AddTicks(store, 0, 5);
        TrendWindow window(store, {}, nullptr);
        window.show();
        window.setSeriesShown("UanT", true);
        Settle();
        auto check = [&] {
            const auto data = window.graphOf("UanT")->data();
            QCOMPARE(data->size(), store.size());
            for (int k = 0; k < store.size(); ++k) {
                const QCPGraphData& point = *(data->constBegin() + k);
                QCOMPARE(point.key, double(store.timeAt(k)) / 1000.0);
                const float v = store.valueAt(store.indexOf("UanT"), k);
                QVERIFY(std::isnan(v) ? std::isnan(point.value) : point.value == double(v));
            }
        };
        check();
        QVERIFY(std::isnan((window.graphOf("UanT")->data()->constBegin() + 1)->value));
        AddTicks(store, 5, 12);  // wraps: the oldest four go
        window.refresh();
        Settle();
        check();
        QCOMPARE(store.timeAt(0), kT0 + 5000LL * 4);
    }

    // No redraw while the monitor is inside a tick; it comes right after.
    void waitsForTheTicksEnd() {
        TrendStore store = MakeStore();
        AddTicks(store, 0, 3);
        bool busy = false;
        TrendWindow window(
            store, [&] { return busy; }, nullptr);
        window.show();
        window.setSeriesShown("IaT", true);
        Settle();
        QCOMPARE(window.graphOf("IaT")->data()->size(), 3);
        busy = true;
        AddTicks(store, 3, 4);
        window.refresh();
        Settle();
        QCOMPARE(window.graphOf("IaT")->data()->size(), 3);
        busy = false;
        QTRY_COMPARE(window.graphOf("IaT")->data()->size(), 4);
    }

    // Live: the view follows the newest tick over the span; paused, it stays.
    void liveAndPaused() {
        TrendStore store = MakeStore();
        AddTicks(store, 0, 30);
        TrendWindow window(store, {}, nullptr);
        window.show();
        window.setSeriesShown("IaT", true);
        window.setSpan(0);  // 1 minute
        Settle();
        const double newest = double(store.timeAt(store.size() - 1)) / 1000.0;
        QCPRange range = window.plot()->xAxis->range();
        QVERIFY(std::abs(range.lower - (newest - 60)) < 1e-6);
        QVERIFY(range.upper >= newest);
        window.setLive(false);
        AddTicks(store, 30, 32);
        window.refresh();
        Settle();
        QCOMPARE(window.plot()->xAxis->range(), range);
        QVERIFY(Ctl<QPushButton>(window, "LiveButton")->isEnabled());
        Ctl<QPushButton>(window, "LiveButton")->click();
        Settle();
        QVERIFY(window.plot()->xAxis->range().upper >=
                double(store.timeAt(store.size() - 1)) / 1000);
        // Keyboard: panning pauses, Home comes back.
        window.plot()->setFocus();
        QTest::keyClick(window.plot(), Qt::Key_Left);
        QVERIFY(!window.live());
        QTest::keyClick(window.plot(), Qt::Key_Home);
        QVERIFY(window.live());
        window.setSpan(4);  // all
        Settle();
        QVERIFY(window.plot()->xAxis->range().lower <= double(store.timeAt(0)) / 1000);
    }

    void cursorReadsEverySeries() {
        TrendStore store = MakeStore();
        AddTicks(store, 0, 6);
        TrendWindow window(store, {}, nullptr);
        window.show();
        window.setSeriesShown("UanT", true);
        window.setSeriesShown("IaT", true);
        Settle();
        // Near tick 5 (UanT 225, IaT 5), a little after it.
        window.setCursor(double(kT0 + 5000LL * 5 + 1200) / 1000.0);
        QVERIFY2(window.cursorText().contains("相电压Uan = 225 V") &&
                     window.cursorText().contains("电流Ia = 5 A"),
                 qPrintable(window.cursorText()));
        window.setCursor(double(kT0 + 5000LL * 1) / 1000.0);  // the gap
        QVERIFY2(window.cursorText().contains("相电压Uan = —"), qPrintable(window.cursorText()));
    }

    // The CSV: byte-order mark, header, one CRLF line per tick in the shown
    // range, the time as recordings write it, empty cells for gaps.
    void csvExport() {
        TrendStore store = MakeStore();
        AddTicks(store, 0, 3);
        TrendWindow window(store, {}, nullptr);
        window.show();
        window.setSeriesShown("UanT", true);
        window.setSeriesShown("Picture1.1", true);
        window.setSpan(4);
        Settle();
        QByteArray expected =
            CsvByteOrderMark() + CsvLine({"时间", "相电压Uan (V)", "开关量输出1"});
        const QStringList u = {"220", "", "222"};
        const QStringList sw = {"1", "0", "1"};
        for (int n = 0; n < 3; ++n) {
            expected += CsvLine(
                {CsvTimeText(QDateTime::fromMSecsSinceEpoch(kT0 + 5000LL * n)), u[n], sw[n]});
        }
        QCOMPARE(window.csvBytes(), expected);
        QVERIFY(window.csvBytes().endsWith("\r\n"));
        QTemporaryDir dir;
        QString error;
        QVERIFY(window.saveCsv(dir.filePath("t.csv"), &error));
        QFile file(dir.filePath("t.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
        QVERIFY(!window.saveCsv(dir.filePath("no/such/folder/t.csv"), &error));
        QVERIFY(!error.isEmpty());
        // The picture, at the window's size and twice it.
        QVERIFY(window.savePng(dir.filePath("t.png"), 2.0));
        QCOMPARE(QImage(dir.filePath("t.png")).size(), window.plot()->size() * 2);
    }

    void accessible() {
        TrendStore store = MakeStore();
        TrendWindow window(store, {}, nullptr);
        for (QWidget* w : window.findChildren<QWidget*>()) {
            if (!w->objectName().isEmpty() &&
                (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                 qobject_cast<QTreeWidget*>(w) || qobject_cast<QCustomPlot*>(w))) {
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
                QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(w->objectName()));
            }
        }
    }

    // The monitor keeps every tick from the start of polling, whether the
    // window is open or not; 查看→趋势图 and a field's 加入趋势图 open it.
    void monitorKeepsHistory() {
        FakeSerialPort port;
        RecordingServices recorder;
        RequestParameters request;
        PanelMeterWindow form(port, recorder.services(), nullptr, 4000, request);
        port.responder = [](const QByteArray& frame) -> std::optional<FakeSerialPort::Answer> {
            if (frame[1] == 1 || frame[1] == 2) {
                return FakeSerialPort::Answer{{SwitchAnswer(frame[1], 0x05)}, 0};
            }
            return FakeSerialPort::Answer{{AnswerTo(frame)}, 0};
        };
        QVERIFY(form.trendStore() == nullptr);
        Ctl<PortPanel>(form, "PortPanel")->onOpenCloseClicked();
        form.onPrimaryClicked();
        for (int n = 0; n < 3; ++n) {
            form.onPollTimer();
            QCoreApplication::processEvents();
        }
        const TrendStore* store = form.trendStore();
        QVERIFY(store != nullptr);
        QCOMPARE(store->size(), 3);
        QCOMPARE(store->capacity(), 24 * 3600 / 4 + 60);
        const int u = store->indexOf("UanT");
        QCOMPARE(double(store->valueAt(u, 2)), form.lastTick().texts.value("UanT").toDouble());
        QCOMPARE(store->timeAt(2), form.lastTick().summary.startedAt.toMSecsSinceEpoch());
        // Status 0x05: the first output channel closed, the second open.
        QCOMPARE(store->valueAt(store->indexOf("Picture1.0"), 2), 1.0F);
        QCOMPARE(store->valueAt(store->indexOf("Picture1.1"), 2), 0.0F);

        auto* add = form.valueField("UanT")->findChild<QAction*>("AddToTrendAction");
        QVERIFY(add != nullptr);
        add->trigger();
        auto* window = static_cast<TrendWindow*>(form.trendWindow());
        QVERIFY(window->isVisible());
        QVERIFY(window->seriesShown("UanT"));
        Ctl<QAction>(form, "TrendAction")->trigger();
        QCOMPARE(form.findChildren<TrendWindow*>().size(), 1);
        Settle();
        QCOMPARE(window->graphOf("UanT")->data()->size(), 3);
        // A tick without answers leaves a gap (once its last window ended).
        port.responder = nullptr;
        form.onPollTimer();
        QTRY_COMPARE(window->graphOf("UanT")->data()->size(), 4);
        QVERIFY(std::isnan((window->graphOf("UanT")->data()->constEnd() - 1)->value));
    }
};

QTEST_MAIN(TestTrendWindow)
#include "tst_trendwindow.moc"
