// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "shell/monitorfactory.h"
#include "shell/pictures.h"
#include "shell/startscreen.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;

namespace {

// A selection screen whose factory records which monitor it was asked for
// and hands out a plain window.
struct Selection {
    RecordingServices recorder;
    QList<MeterKind> asked;
    std::unique_ptr<QWidget> monitor;
    bool factoryFails = false;
    StartScreen start{[this](MeterKind kind) -> QWidget* {
                          asked << kind;
                          if (factoryFails) {
                              return nullptr;
                          }
                          monitor = std::make_unique<QWidget>();
                          return monitor.get();
                      },
                      recorder.services()};

    Selection() {
        start.show();
        (void)QTest::qWaitForWindowExposed(&start);
    }
};

// The share of pixels a picture paints.
double PaintedShare(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return static_cast<double>(painted) / (image.width() * image.height());
}

}  // namespace

class TestStartScreen : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheTwoMeterTypes();
    void enter_data();
    void enter();
    void enterWhenNoMonitorCanBeMade();
    void exits_data();
    void exits();
    void makeMonitor_data();
    void makeMonitor();
    void picturesAreDrawn();
};

void TestStartScreen::opensWithTheTwoMeterTypes() {
    Selection s;
    QCOMPARE(s.start.objectName(), QStringLiteral("start"));
    QCOMPARE(s.start.windowTitle(), QStringLiteral("仪表测试"));
    QVERIFY(s.start.meterTypeList->isEditable());
    QCOMPARE(s.start.meterTypeList->count(), 2);
    QCOMPARE(s.start.meterTypeList->itemText(0), QStringLiteral("嵌入式多功能电力仪表"));
    QCOMPARE(s.start.meterTypeList->itemText(1), QStringLiteral("导轨式电力仪表"));
    QCOMPARE(s.start.meterTypeList->currentIndex(), 0);
    QCOMPARE(s.start.meterTypeList->currentText(), QStringLiteral("嵌入式多功能电力仪表"));
    const std::pair<QPushButton*, QString> buttons[] = {{s.start.enterButton, "进入"},
                                                        {s.start.exitButton, "退出"}};
    for (const auto& [button, name] : buttons) {
        QVERIFY(button->text().isEmpty());
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->accessibleName(), name);
        QCOMPARE(button->toolTip(), name);
        QVERIFY(button->isVisible());
    }
    // The two buttons sit side by side below the list.
    QVERIFY(s.start.enterButton->y() > s.start.meterTypeList->geometry().bottom());
    QCOMPARE(s.start.enterButton->y(), s.start.exitButton->y());
    QVERIFY(s.start.enterButton->geometry().right() < s.start.exitButton->x());

    const QString folder = qEnvironmentVariable("METERTEST_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(s.start.grab().save(folder + QStringLiteral("/start.png")));
    }
}

// Only the exact text of an item opens a monitor; the typed text is the one
// that counts, whatever item was picked before.
void TestStartScreen::enter_data() {
    QTest::addColumn<int>("pick");       // item picked first, -1: none
    QTest::addColumn<QString>("typed");  // then typed over it, null: nothing typed
    QTest::addColumn<int>("kind");       // monitor opened, -1: none

    QTest::newRow("preselected") << -1 << QString() << int(MeterKind::PanelMount);
    QTest::newRow("second item") << 1 << QString() << int(MeterKind::DinRail);
    QTest::newRow("first item again") << 0 << QString() << int(MeterKind::PanelMount);
    QTest::newRow("typed exactly") << -1 << "导轨式电力仪表" << int(MeterKind::DinRail);
    QTest::newRow("other text") << -1 << "abc" << -1;
    QTest::newRow("empty") << 1 << "" << -1;
    QTest::newRow("trailing blank") << -1 << "导轨式电力仪表 " << -1;
    QTest::newRow("leading blank") << -1 << " 嵌入式多功能电力仪表" << -1;
    QTest::newRow("part of a name") << -1 << "导轨式" << -1;
    QTest::newRow("both names") << -1 << "嵌入式多功能电力仪表导轨式电力仪表" << -1;
    QTest::newRow("very long") << -1 << QString(10000, QLatin1Char('x')) << -1;
}

void TestStartScreen::enter() {
    QFETCH(int, pick);
    QFETCH(QString, typed);
    QFETCH(int, kind);
    Selection s;
    if (pick >= 0) {
        s.start.meterTypeList->setCurrentIndex(pick);
    }
    if (!typed.isNull()) {
        s.start.meterTypeList->setEditText(typed);
    }
    s.start.enterButton->click();
    if (kind < 0) {
        QVERIFY(s.asked.isEmpty());
        QVERIFY(s.start.isVisible());
        QVERIFY(s.start.monitor() == nullptr);
    } else {
        QCOMPARE(s.asked, QList<MeterKind>{static_cast<MeterKind>(kind)});
        QVERIFY(!s.start.isVisible());
        QVERIFY(s.monitor->isVisible());
        QCOMPARE(s.start.monitor(), s.monitor.get());
    }
    QCOMPARE(s.recorder.endProgramCalls, 0);
}

void TestStartScreen::enterWhenNoMonitorCanBeMade() {
    Selection s;
    s.factoryFails = true;
    s.start.enterButton->click();
    QCOMPARE(s.asked.size(), 1);
    QVERIFY(s.start.isVisible());
    QCOMPARE(s.recorder.endProgramCalls, 0);
}

void TestStartScreen::exits_data() {
    QTest::addColumn<bool>("enterFirst");
    QTest::addColumn<bool>("viaButton");
    QTest::addColumn<int>("endCalls");
    QTest::newRow("exit button") << false << true << 1;
    QTest::newRow("window closed") << false << false << 1;
    // Once a monitor is open, closing the selection screen is part of
    // entering; the monitor ends the program.
    QTest::newRow("window closed after entering") << true << false << 0;
}

void TestStartScreen::exits() {
    QFETCH(bool, enterFirst);
    QFETCH(bool, viaButton);
    QFETCH(int, endCalls);
    Selection s;
    if (enterFirst) {
        s.start.enterButton->click();
    }
    viaButton ? s.start.exitButton->click() : (void)s.start.close();
    QCOMPARE(s.recorder.endProgramCalls, endCalls);
    QVERIFY(!s.start.isVisible());
    s.start.close();
    QCOMPARE(s.recorder.endProgramCalls, endCalls);
}

// The monitors the program makes: the right screen, owning its port, and
// ending the program when closed.
void TestStartScreen::makeMonitor_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("screen");
    QTest::newRow("panel-mount") << int(MeterKind::PanelMount) << "Form1";
    QTest::newRow("DIN-rail") << int(MeterKind::DinRail) << "Form2";
}

void TestStartScreen::makeMonitor() {
    QFETCH(int, kind);
    QFETCH(QString, screen);
    RecordingServices recorder;
    auto port = std::make_unique<FakeSerialPort>();
    QPointer<FakeSerialPort> watch(port.get());
    std::unique_ptr<QWidget> monitor =
        MakeMonitor(static_cast<MeterKind>(kind), std::move(port), recorder.services());
    QCOMPARE(monitor->objectName(), screen);
    QCOMPARE(watch->parent(), monitor.get());
    QCOMPARE(monitor->findChild<SerialPort*>(QStringLiteral("MSComm1")), watch.data());
    QVERIFY(!watch->isOpen());
    monitor->show();
    monitor->close();
    QCOMPARE(recorder.endProgramCalls, 1);
    monitor.reset();
    QVERIFY(watch.isNull());  // the port goes with its screen
}

void TestStartScreen::picturesAreDrawn() {
    const QPixmap enter = EnterPicture(QSize(44, 44), 2.0);
    const QPixmap exit = ExitPicture(QSize(44, 44), 2.0);
    QCOMPARE(enter.deviceIndependentSize().toSize(), QSize(44, 44));
    QCOMPARE(enter.size(), QSize(88, 88));
    QVERIFY(PaintedShare(enter) > 0.3);
    QVERIFY(PaintedShare(exit) > 0.2);
    QVERIFY(enter.toImage() != exit.toImage());
}

QTEST_MAIN(TestStartScreen)
#include "tst_startscreen.moc"
