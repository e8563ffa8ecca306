// SPDX-License-Identifier: GPL-3.0-or-later
// Recording on the panel-mount screen, with the fake port: the rows a tick
// writes, the menu and the status bar, and what a failing medium does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <QtTest>

#include "csv/durablecsvfile.h"
#include "drive/csvread.h"
#include "monitor/portpanel.h"
#include "panel_meter/panelmeterwindow.h"
#include "recording/recordingtable.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/recordingservices.h"
#include "support/scriptedmeter.h"

using namespace mt;
using namespace mt::test;

namespace {

QByteArray Floats(int count, float first) {
    QByteArray data;
    for (int i = 0; i < count; ++i) {
        data += FloatBe(first + static_cast<float>(i));
    }
    return data;
}

struct Rig {
    FakeSerialPort port;
    RecordingServices rec;
    RequestParameters request;
    ScriptedMeter meter;
    PanelMeterWindow form{port, rec.services(), nullptr, 4000, request};

    Rig() {
        meter.attach(port);
        meter.answer(4, 10, RegisterAnswer(Floats(12, 230.0F)));
        meter.answer(4, 34, RegisterAnswer(Floats(11, 1500.0F)));
        meter.answer(4, 56, RegisterAnswer(Floats(1, 50.0F)));
        meter.answer(1, 0, SwitchAnswer(1, 0x05));
        meter.answer(2, 0, SwitchAnswer(2, 0x0A));
        Ctl<PortPanel>(form, "PortPanel")->onOpenCloseClicked();
    }
    void tick() {
        form.onPollTimer();
        QCoreApplication::processEvents();
    }
    // Waits until the writer has put `rows` rows on the medium.
    bool rowsWritten(qint64 rows) {
        return QTest::qWaitFor([&] { return form.recordedRows() >= rows; }, 10000) &&
               form.recordedRows() == rows;
    }
    QMessageBox* warning() const {
        return form.findChild<QMessageBox*>(QStringLiteral("RecordingWarning"));
    }
};

using Texts = QHash<QString, QString>;

int Column(const drive::CsvTable& table, const QString& heading) {
    return static_cast<int>(table.header.indexOf(heading));
}

}  // namespace

class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // The table's columns and cells, without a window.
    void tableRows_data() {
        QTest::addColumn<bool>("withMode");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<bool>("linkDown");
        QTest::addColumn<QStringList>("expected");
        const QStringList time{"2026-12-08T09:05:03.250+08:00"};
        QTest::newRow("all fresh, with mode")
            << true << Texts{{"a", "1.0"}, {"b", "闭合"}} << false
            << time + QStringList{"一次", "1.0", "闭合", "3", "2", ""};
        QTest::newRow("stale value empty") << true << Texts{{"b", "断开"}} << false
                                           << time + QStringList{"一次", "", "断开", "3", "2", ""};
        QTest::newRow("nothing fresh, one mode")
            << false << Texts{} << false << time + QStringList{"", "", "3", "2", ""};
        QTest::newRow("texts of no reading ignored")
            << false << Texts{{"zz", "9"}, {"a", ""}} << false
            << time + QStringList{"", "", "3", "2", ""};
        QTest::newRow("link lost, marked")
            << true << Texts{} << true << time + QStringList{"一次", "", "", "3", "2", "已断开"};
    }
    void tableRows() {
        QFETCH(bool, withMode);
        QFETCH(Texts, texts);
        QFETCH(bool, linkDown);
        QFETCH(QStringList, expected);
        const RecordingTable table({{"a", "电压 (V)"}, {"b", "开关量输出1"}}, withMode);
        QStringList header{"时间"};
        if (withMode) {
            header << "采集方式";
        }
        header << "电压 (V)"
               << "开关量输出1"
               << "发送请求数"
               << "正确应答数"
               << "线路";
        QCOMPARE(table.header(), header);
        TickReadings tick;
        tick.summary.startedAt =
            QDateTime(QDate(2026, 12, 8), QTime(9, 5, 3, 250), QTimeZone(8 * 3600));
        tick.summary.requestsSent = 3;
        tick.summary.requestsAccepted = 2;
        tick.summary.linkDown = linkDown;
        tick.mode = QStringLiteral("一次");
        tick.texts = texts;
        QCOMPARE(table.row(tick), expected);
    }

    void fileName_data() {
        QTest::addColumn<QString>("meter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("DIN-rail") << "导轨式电力仪表"
                                  << "导轨式电力仪表-20261208-090503.csv";
        QTest::newRow("no folders") << "a/b\\c:d"
                                    << "a_b_c_d-20261208-090503.csv";
    }
    void fileName() {
        QFETCH(QString, meter);
        QFETCH(QString, expected);
        QCOMPARE(RecordingFileName(meter, QDateTime(QDate(2026, 12, 8), QTime(9, 5, 3))), expected);
    }

    // One row per tick, when it ends: fresh values, empty cells for what no
    // accepted answer refreshed, the mode and the counts. Stopping
    // acquisition does not end the recording, and no rows come without it.
    void rowsFollowTicks() {
        Rig r;
        const QString path = dir_.filePath("rows.csv");
        QVERIFY(r.form.startRecording(path));
        r.form.onPrimaryClicked();
        r.tick();
        r.meter.answers.remove({4, 34});
        r.tick();
        r.form.onPrimaryClicked();  // stops acquisition
        r.form.onSecondaryClicked();
        r.tick();
        QVERIFY(r.rowsWritten(3));
        r.form.onSecondaryClicked();  // stops acquisition: no more ticks
        QVERIFY(!Ctl<QTimer>(r.form, "Timer1")->isActive());
        QTest::qWait(50);
        QVERIFY(r.form.recording());
        r.form.stopRecording();
        QCOMPARE(r.form.recordedRows(), 3);

        QString failure;
        const auto table = drive::ReadCsvFile(path, &failure);
        QVERIFY2(table, qPrintable(failure));
        QCOMPARE(table->rows.size(), 3);
        QCOMPARE(table->header.size(), 2 + 24 + 8 + 3);
        QCOMPARE(table->header[2], QStringLiteral("相电压Uan (V)"));
        const int uan = Column(*table, "相电压Uan (V)");
        const int ps = Column(*table, "总有功率P (W)");
        const int out1 = Column(*table, "开关量输出1");
        const int in2 = Column(*table, "开关量输入2");
        QVERIFY(uan > 0 && ps > 0 && out1 > 0 && in2 > 0);
        const QRegularExpression iso(QStringLiteral(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
        for (const QStringList& row : table->rows) {
            QVERIFY2(iso.match(row[0]).hasMatch(), qPrintable(row[0]));
        }
        const QStringList& first = table->rows[0];
        QCOMPARE(first[1], QStringLiteral("一次"));
        QCOMPARE(first[uan], r.form.valueField("UanT")->text());
        QVERIFY(!first[ps].isEmpty());
        QCOMPARE(first[out1], QStringLiteral("闭合"));
        QCOMPARE(first[in2], QStringLiteral("闭合"));
        QCOMPARE(first.mid(first.size() - 3), (QStringList{"5", "5", ""}));
        const QStringList& second = table->rows[1];
        QCOMPARE(second[uan], first[uan]);
        QCOMPARE(second[ps], QString());  // its answer never came: not repeated
        QCOMPARE(second.mid(second.size() - 3), (QStringList{"5", "4", ""}));
        const QStringList& third = table->rows[2];
        QCOMPARE(third[1], QStringLiteral("二次"));
        QCOMPARE(third[uan], QString());  // the secondary reads were not answered
        QCOMPARE(third[out1], QStringLiteral("闭合"));
        QCOMPARE(third.mid(third.size() - 3), (QStringList{"4", "2", ""}));
    }

    // The menu, the status bar and the dialog: not modal, suggesting the
    // meter's name in the documents folder.
    void menuAndStatusBar() {
        Rig r;
        QVERIFY(Ctl<QAction>(r.form, "StartRecordingAction")->isEnabled());
        QVERIFY(!Ctl<QAction>(r.form, "StopRecordingAction")->isEnabled());
        QVERIFY(Ctl<QLabel>(r.form, "RecordingLine")->isHidden());
        QVERIFY(r.form.suggestedRecordingPath().contains(
            QRegularExpression(QStringLiteral("/嵌入式多功能电力仪表-\\d{8}-\\d{6}\\.csv$"))));

        Ctl<QAction>(r.form, "StartRecordingAction")->trigger();
        auto* dialog = r.form.findChild<QFileDialog*>(QStringLiteral("RecordingFileDialog"));
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->isVisible());
        QCOMPARE(QApplication::activeModalWidget() == dialog, dialog->isModal());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QVERIFY(dialog->selectedFiles().value(0).contains(QStringLiteral("嵌入式多功能电力仪表-")));
        const QString path = dir_.filePath("menu.csv");
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();

        QVERIFY(r.form.recording());
        QVERIFY(!Ctl<QAction>(r.form, "StartRecordingAction")->isEnabled());
        QVERIFY(Ctl<QAction>(r.form, "StopRecordingAction")->isEnabled());
        QVERIFY(!Ctl<QLabel>(r.form, "RecordingLine")->isHidden());
        QCOMPARE(Ctl<QLabel>(r.form, "RecordingLine")->text(),
                 QStringLiteral("记录中：menu.csv，0 行"));
        r.form.onPrimaryClicked();
        r.tick();
        QVERIFY(r.rowsWritten(1));
        QTRY_COMPARE(Ctl<QLabel>(r.form, "RecordingLine")->text(),
                     QStringLiteral("记录中：menu.csv，1 行"));
        Ctl<QAction>(r.form, "StopRecordingAction")->trigger();
        QVERIFY(!r.form.recording());
        QVERIFY(Ctl<QLabel>(r.form, "RecordingLine")->isHidden());
        QVERIFY(Ctl<QAction>(r.form, "StartRecordingAction")->isEnabled());
        QVERIFY(r.rec.messages.isEmpty());
    }

    // A long file name is shortened on the status bar; the window keeps
    // its size and the tooltip has the whole path.
    void longFileNameKeepsTheWindow() {
        Rig r;
        r.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r.form));
        const QSize size = r.form.size();
        const QString path = dir_.filePath(QString(120, QLatin1Char('x')) + "-长名称.csv");
        QVERIFY(r.form.startRecording(path));
        QCoreApplication::processEvents();
        QCOMPARE(r.form.size(), size);
        QVERIFY(Ctl<QLabel>(r.form, "RecordingLine")->text().contains(QChar(0x2026)));
        QVERIFY(Ctl<QLabel>(r.form, "RecordingLine")
                    ->text()
                    .endsWith(QStringLiteral("长名称.csv，0 行")));
        QCOMPARE(Ctl<QLabel>(r.form, "RecordingLine")->toolTip(), QDir::toNativeSeparators(path));
        const auto* note = Ctl<QLabel>(r.form, "RecordingLine");
        const auto* counts = Ctl<QLabel>(r.form, "CountsLine");
        QVERIFY(note->mapTo(&r.form, note->rect().topRight()).x() <=
                counts->mapTo(&r.form, QPoint(0, 0)).x());
        // With METERTEST_SNAPSHOT_DIR set, a picture of the window is kept.
        const QString snapshots = qEnvironmentVariable("METERTEST_SNAPSHOT_DIR");
        if (!snapshots.isEmpty()) {
            QVERIFY(r.form.grab().save(snapshots + "/form1-recording.png"));
        }
    }

    // Closing the window ends the recording with every row on the medium.
    void closingKeepsEveryRow() {
        const QString path = dir_.filePath("close.csv");
        {
            Rig r;
            QVERIFY(r.form.startRecording(path));
            r.form.onPrimaryClicked();
            for (int i = 0; i < 5; ++i) {
                r.tick();
            }
            r.form.close();
            QVERIFY(!r.form.recording());
            QCOMPARE(r.form.recordedRows(), 5);
        }
        const auto table = drive::ReadCsvFile(path);
        QVERIFY(table);
        QCOMPARE(table->rows.size(), 5);
    }

    // A medium that fails, at the start or later: one warning that waits
    // for nothing, the recording ends, acquisition goes on.
    void writeFailures_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("warning");
        QTest::newRow("full disk") << "full"
                                   << "无法开始记录：磁盘已满";
        QTest::newRow("folder without write permission") << "readonly"
                                                         << "无法开始记录：没有写入权限";
        QTest::newRow("folder that does not exist") << "missing"
                                                    << "无法开始记录：文件夹不存在";
        QTest::newRow("folder removed mid-run")
            << "removed"
            << "记录已停止：记录文件或其所在的文件夹、介质已不存在";
    }
    void writeFailures() {
        QFETCH(QString, setup);
        QFETCH(QString, warning);
        if (setup == "readonly" && ::geteuid() == 0) {
            QSKIP("root writes into any folder");
        }
        const QString folder = dir_.filePath("media-" + setup);
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + "/rows.csv";
        if (setup == "full") {
            path = "/dev/full";
        } else if (setup == "readonly") {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else if (setup == "missing") {
            path = folder + "/no/such/folder/rows.csv";
        }
        Rig r;
        r.form.onPrimaryClicked();
        const bool started = r.form.startRecording(path);
        QCOMPARE(started, setup == "removed");
        r.tick();
        if (setup == "removed") {
            QVERIFY(r.rowsWritten(1));
            QVERIFY(QDir(folder).removeRecursively());
            r.tick();
            QTRY_VERIFY(!r.form.recording());
        }
        const int written = static_cast<int>(r.port.writes.size());
        r.tick();
        r.tick();
        QCoreApplication::processEvents();

        QVERIFY(r.warning() != nullptr);
        QCOMPARE(r.form.findChildren<QMessageBox*>().size(), 1);
        QVERIFY2(r.warning()->text().startsWith(warning), qPrintable(r.warning()->text()));
        QVERIFY(r.warning()->isVisible());
        QVERIFY(!r.warning()->isModal());
        QVERIFY(!r.form.recording());
        QVERIFY(Ctl<QAction>(r.form, "StartRecordingAction")->isEnabled());
        QVERIFY(Ctl<QLabel>(r.form, "RecordingLine")->isHidden());
        // Acquisition went on: both later ticks sent their five requests.
        QVERIFY(Ctl<QTimer>(r.form, "Timer1")->isActive());
        QCOMPARE(r.port.writes.size(), written + 10);
        QVERIFY(r.rec.messages.isEmpty());
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A medium that stops answering (a pipe nobody reads any more): stopping
    // the recording, starting another one or closing the window returns
    // after a short wait, with one warning that gives the rows written
    // whole, and acquisition goes on.
    void hangingMedium_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("stop") << "stop";
        QTest::newRow("start another") << "start";
        QTest::newRow("close the window") << "close";
    }
    void hangingMedium() {
        QFETCH(QString, how);
        const QString pipe = dir_.filePath("hanging-" + how);
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        {
            Rig r;
            r.form.onPrimaryClicked();
            QVERIFY(r.form.startRecording(pipe));
            // Tick until the pipe is full and the writer hangs in a row.
            qint64 rows = -1;
            for (int i = 0; i < 5000 && rows != r.form.recordedRows(); ++i) {
                rows = r.form.recordedRows();
                for (int t = 0; t < 50; ++t) {
                    r.tick();
                }
                QTest::qWait(20);
            }
            QVERIFY(r.form.recording());
            rows = r.form.recordedRows();

            QElapsedTimer clock;
            clock.start();
            if (how == "stop") {
                Ctl<QAction>(r.form, "StopRecordingAction")->trigger();
            } else if (how == "start") {
                QVERIFY(r.form.startRecording(dir_.filePath("after-hang.csv")));
            } else {
                r.form.close();
            }
            QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(r.form.recording(), how == "start");
            QVERIFY(r.warning() != nullptr);
            QCOMPARE(r.warning()->text(),
                     QStringLiteral("记录已停止：%1。\n文件：%2\n已写入 %3 行。")
                         .arg(DurableCsvFile::noAnswerReason(), QDir::toNativeSeparators(pipe))
                         .arg(rows));
            QVERIFY(!r.warning()->isModal());
            if (how != "close") {
                const qsizetype written = r.port.writes.size();
                r.tick();
                QCOMPARE(r.port.writes.size(), written + 5);
            }
        }
        // The medium answers again: the writer lets go of the pipe.
        QDeadlineTimer deadline(20000);
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(reader, buffer, sizeof buffer)) != 0 && !deadline.hasExpired()) {
            if (n < 0) {
                QTest::qWait(5);
            }
        }
        ::close(reader);
        QVERIFY(!deadline.hasExpired());
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
