// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window and the report: what a tick shows (and what it does
// not), edits of the limits, and the monitors' menu entries, with monitors
// on a fake port whose meter is the simulator's model.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "analysis/analysiswindow.h"
#include "analysis/phasorview.h"
#include "analysis/report.h"
#include "monitor/portpanel.h"
#include "panel_meter/panelmeterwindow.h"
#include "rail_meter/railmeterwindow.h"
#include "simreadings.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using namespace mt::test;

namespace {

const CalendarTime kStart{2024, 5, 1, 10, 0, 0};

MeterModel Model(MeterKind kind, const char* wiring) {
    Wiring w;
    if (!AddWiringFaults(wiring, w)) {
        qFatal("bad wiring %s", wiring);
    }
    return MeterModel(kind, 5, kStart, w);
}

TickReadings TickOf(const MeterModel& model, const QString& mode, quint64 number) {
    TickReadings tick;
    tick.mode = mode;
    tick.summary.number = number;
    tick.summary.startedAt = QDateTime::currentDateTime();
    tick.texts = SimTexts(model, mode, 60000);
    return tick;
}

QString Row(QTableWidget* table, const QString& name) {
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() == name) {
            return table->item(row, 1)->text();
        }
    }
    return QStringLiteral("(no row %1)").arg(name);
}

// A monitor over a fake port whose meter answers every read from the model.
template <typename Window>
struct Monitor {
    FakeSerialPort port;
    RecordingServices recorder;
    RequestParameters request;
    MeterModel model;
    Window form;

    template <typename... Args>
    explicit Monitor(MeterModel m, Args... args)
        : model(std::move(m)), form(port, recorder.services(), nullptr, args..., request) {
        port.responder = [this](const QByteArray& frame) -> std::optional<FakeSerialPort::Answer> {
            const int function = static_cast<quint8>(frame[1]);
            const auto start =
                static_cast<std::uint16_t>((quint8(frame[2]) << 8) | quint8(frame[3]));
            const auto count =
                static_cast<std::uint16_t>((quint8(frame[4]) << 8) | quint8(frame[5]));
            if (function == 1 || function == 2) {
                return FakeSerialPort::Answer{{SwitchAnswer(function, 0)}, 0};
            }
            const auto registers = model.ReadRegisters(start, count, 60000);
            if (!registers) {
                return std::nullopt;
            }
            QByteArray data;
            for (const std::uint16_t r : *registers) {
                data += Be16(r);
            }
            return FakeSerialPort::Answer{{RegisterAnswer(data, function)}, 0};
        };
        Ctl<PortPanel>(form, "PortPanel")->onOpenCloseClicked();
        form.onPrimaryClicked();
    }
    void tick() {
        form.onPollTimer();
        QCoreApplication::processEvents();
    }
};

}  // namespace

class TestAnalysisWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    // A tick's values fill the checks; the next tick shows only what it
    // refreshed itself: a value it lacks is 无数据, never the older one.
    void showsOnlyTheTicksValues() {
        AnalysisWindow window(MeterKind::DinRail, nullptr);
        auto* checks = Ctl<QTableWidget>(window, "CheckTable");
        QCOMPARE(Row(checks, "相序"), QStringLiteral("无数据"));
        QVERIFY(Ctl<QLabel>(window, "ConclusionLine")->text().contains("无数据"));

        const MeterModel model = Model(MeterKind::DinRail, "reverse-ct=b");
        window.showTick(TickOf(model, QString(), 1));
        QCOMPARE(Row(checks, "有功功率方向"), QStringLiteral("异常"));
        QCOMPARE(Row(checks, "相序"), QStringLiteral("正常"));
        QVERIFY(
            Ctl<QLabel>(window, "ConclusionLine")->text().contains("B相电流互感器（CT）极性接反"));
        QVERIFY(window.diagram().currents[1].angle.has_value());

        TickReadings partial = TickOf(model, QString(), 2);
        partial.texts.remove("PbT");
        partial.texts.remove("OaT");
        window.showTick(partial);
        QCOMPARE(Row(checks, "有功功率方向"), QStringLiteral("无数据"));
        QCOMPARE(Row(checks, "相序"), QStringLiteral("无数据"));
        QVERIFY(!window.readings().p[1]);
        QVERIFY(!window.diagram().currents[1].angle);
        QVERIFY(window.diagram().voltageAnglesAssumed);
        QVERIFY(Ctl<QLabel>(window, "TickLine")->text().contains("第 2 次采集"));
    }

    // Limits are edited in their table: nonsense is refused and the old
    // value comes back; a good value changes the verdicts at once.
    void editsLimits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("taken");
        QTest::newRow("number") << "0.01" << true;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("negative") << "-1" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("huge") << "1e9" << false;
        QTest::newRow("comma decimal") << "0,01" << false;
    }
    void editsLimits() {
        QFETCH(QString, typed);
        QFETCH(bool, taken);
        AnalysisWindow window(MeterKind::DinRail, nullptr);
        window.showTick(TickOf(Model(MeterKind::DinRail, "healthy"), QString(), 1));
        auto* limits = Ctl<QTableWidget>(window, "ThresholdTable");
        int row = -1;
        for (int r = 0; r < limits->rowCount(); ++r) {
            if (limits->item(r, 0)->text() == QStringLiteral("频率偏差 注意")) {
                row = r;
            }
        }
        QVERIFY(row >= 0);
        QCOMPARE(limits->item(row, 1)->text(), QStringLiteral("0.2"));
        limits->item(row, 1)->setText(typed);
        const QString message = Ctl<QLabel>(window, "MessageLine")->text();
        if (taken) {
            QCOMPARE(window.thresholds().frequencyAttention, 0.01);
            QCOMPARE(limits->item(row, 1)->text(), typed);
            QCOMPARE(Row(Ctl<QTableWidget>(window, "CheckTable"), "频率"), QStringLiteral("注意"));
        } else {
            QCOMPARE(window.thresholds().frequencyAttention, 0.2);
            QCOMPARE(limits->item(row, 1)->text(), QStringLiteral("0.2"));
            QVERIFY(message.contains("不是有效的阈值"));
        }
    }

    void nominalFrequency() {
        AnalysisWindow window(MeterKind::PanelMount, nullptr);
        window.showTick(TickOf(Model(MeterKind::PanelMount, "healthy"), QStringLiteral("一次"), 1));
        auto* checks = Ctl<QTableWidget>(window, "CheckTable");
        QCOMPARE(Row(checks, "频率"), QStringLiteral("正常"));
        Ctl<QComboBox>(window, "NominalFrequencyList")->setCurrentIndex(1);
        QCOMPARE(Row(checks, "频率"), QStringLiteral("异常"));
        QCOMPARE(window.thresholds().nominalFrequency, 60.0);
    }

    // Every control has an accessible name and takes the keyboard.
    void accessible() {
        AnalysisWindow window(MeterKind::DinRail, nullptr);
        const auto widgets = window.findChildren<QWidget*>();
        for (QWidget* w : widgets) {
            // Qt's own inner parts (scroll buttons, corner buttons) have no object name.
            if (!w->objectName().isEmpty() &&
                (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                 qobject_cast<QTableWidget*>(w) || qobject_cast<PhasorView*>(w))) {
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
                QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(w->objectName()));
            }
        }
        QVERIFY(!window.isModal());
    }

    // The monitors: 查看→三相分析 opens one window per monitor, showing the
    // tick that ended last and each one after it.
    void monitorShowsItsTicks() {
        Monitor<RailMeterWindow> monitor(Model(MeterKind::DinRail, "negative-sequence"), 5000);
        monitor.tick();
        auto* action = Ctl<QAction>(monitor.form, "AnalysisAction");
        action->trigger();
        AnalysisWindow* window = monitor.form.analysisWindow();
        QVERIFY(window->isVisible());
        action->trigger();
        QCOMPARE(monitor.form.findChildren<AnalysisWindow*>().size(), 1);
        QCOMPARE(Row(Ctl<QTableWidget>(*window, "CheckTable"), "相序"), QStringLiteral("异常"));
        QVERIFY(window->conclusion().contains("逆相序"));
        QCOMPARE(
            window->readings().u[0],
            ReadPhaseValues(MeterKind::DinRail, QString(), monitor.form.lastTick().texts).u[0]);
        // The line goes quiet: the next tick refreshes nothing.
        monitor.port.responder = nullptr;
        monitor.tick();
        QCOMPARE(Row(Ctl<QTableWidget>(*window, "CheckTable"), "相序"), QStringLiteral("无数据"));
        QVERIFY(window->conclusion().startsWith("无数据"));
    }

    // 文件→导出调试报告…: the PDF holds the meter, the values, the verdicts and
    // the counters; a write that fails says why and leaves nothing behind.
    void report() {
        Monitor<PanelMeterWindow> monitor(Model(MeterKind::PanelMount, "missing-phase=c"), 4000);
        monitor.tick();
        QTemporaryDir dir;
        const QString path = dir.filePath("报告.pdf");
        QString error;
        QVERIFY2(monitor.form.exportReport(path, &error), qPrintable(error));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");

        const QString tool = QStandardPaths::findExecutable("pdftotext");
        if (tool.isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        QProcess process;
        process.start(tool, {"-layout", path, "-"});
        QVERIFY(process.waitForFinished(20000));
        // Compatibility forms: the CJK font's shared glyphs come back as
        // radicals (⼊ for 入) and full-width punctuation as itself.
        const QString text = QString::fromUtf8(process.readAllStandardOutput())
                                 .normalized(QString::NormalizationForm_KC);
        if (qEnvironmentVariableIsSet("METERTEST_KEEP_REPORT")) {
            QFile::copy(path, qEnvironmentVariable("METERTEST_KEEP_REPORT"));
        }
        for (const QString& expected :
             {QStringLiteral("仪表调试报告"), QStringLiteral("嵌入式多功能电力仪表"),
              QStringLiteral("com1，9600,N,8,1"), QStringLiteral("C相电压缺失"),
              QStringLiteral("异常"), QStringLiteral("相电压Uan"), QStringLiteral("请求"),
              monitor.form.lastTick().texts.value("UanT")}) {
            const QString wanted = expected.normalized(QString::NormalizationForm_KC);
            QVERIFY2(text.contains(wanted), qPrintable(wanted + " not in:\n" + text));
        }
        QVERIFY(!monitor.form.lastTick().texts.value("UanT").isEmpty());
        // Pages: one or two.
        process.start(QStandardPaths::findExecutable("pdfinfo"), {path});
        QVERIFY(process.waitForFinished(20000));
        const QString info = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+[12]\\n")), qPrintable(info));
        QVERIFY2(info.contains("A4"), qPrintable(info));

        const QString nowhere = dir.filePath("missing/folder/报告.pdf");
        QVERIFY(!monitor.form.exportReport(nowhere, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(nowhere));
    }
};

QTEST_MAIN(TestAnalysisWindow)
#include "tst_analysiswindow.moc"
