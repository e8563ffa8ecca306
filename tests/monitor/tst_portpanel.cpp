// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using namespace mt::test;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;

namespace {

const QColor kGrey(128, 128, 128);
const QColor kGreen(79, 226, 6);

// The configuration calls of one opening with the given port number and
// settings text, in the order they must reach the port.
QStringList OpeningCalls(int port, const QString& settings) {
    return {QStringLiteral("portNumber=%1").arg(port),
            QStringLiteral("inputLength=0"),
            QStringLiteral("clearInput"),
            QStringLiteral("clearOutput"),
            QStringLiteral("receiveThreshold=1"),
            QStringLiteral("inBufferSize=1024"),
            QStringLiteral("outBufferSize=1024"),
            QStringLiteral("settings=") + settings,
            QStringLiteral("open")};
}

// One loaded panel with its fake port and recorded messages. Built on the
// heap because the services hold a pointer to the recorder.
struct Bench {
    FakeSerialPort port;
    RecordingServices recorder;
    std::unique_ptr<PortPanel> panel;
    std::unique_ptr<QSignalSpy> closed;
    std::unique_ptr<QSignalSpy> lost;
    std::unique_ptr<QSignalSpy> switched;

    Bench() {
        panel = std::make_unique<PortPanel>(port, recorder.services());
        panel->InitPortLists();
        closed = std::make_unique<QSignalSpy>(panel.get(), &PortPanel::portClosed);
        lost = std::make_unique<QSignalSpy>(panel.get(), &PortPanel::portLost);
        switched = std::make_unique<QSignalSpy>(panel.get(), &PortPanel::portSwitched);
    }

    // Opens through the button and forgets the calls made so far.
    void openPort() {
        panel->onOpenCloseClicked();
        QVERIFY(port.isOpen());
        port.calls.clear();
    }

    // The user picks list item `index` of the port list.
    void pickPort(int index) {
        Ctl<PanelComboBox>(panel, "Combo4")->setCurrentIndex(index);
        emit Ctl<PanelComboBox>(panel, "Combo4")->activated(index);
    }
};

// Checks caption, lamp colour and what assistive technology is told.
void VerifyLook(const Bench& b, bool open) {
    const QString caption = open ? QStringLiteral("关闭串口") : QStringLiteral("打开串口");
    QCOMPARE(Ctl<QPushButton>(b.panel, "Command3")->text(), caption);
    QCOMPARE(Ctl<QPushButton>(b.panel, "Command3")->accessibleName(), caption);
    QCOMPARE(Ctl<StatusLamp>(b.panel, "Shape1")->colour(), open ? kGreen : kGrey);
    QCOMPARE(Ctl<StatusLamp>(b.panel, "Shape1")->accessibleDescription(),
             open ? QStringLiteral("串口已打开") : QStringLiteral("串口已关闭"));
}

void VerifyOneWarning(const RecordingServices& r, const QString& text) {
    QCOMPARE(r.messages.size(), 1);
    QCOMPARE(r.messages.front().text, text);
    QCOMPARE(r.messages.front().title, QStringLiteral("仪表测试"));
    QCOMPARE(r.messages.front().icon, MessageIcon::Warning);
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

}  // namespace

class TestPortPanel : public QObject {
    Q_OBJECT

private slots:
    void startLists_data();
    void startLists();
    void startState();
    void openingHandsOverTheLists_data();
    void openingHandsOverTheLists();
    void closeClick();
    void openClickOnAnOpenPort();
    void invalidPort_data();
    void invalidPort();
    void failingClose();
    void whyNotOpen_data();
    void whyNotOpen();
    void pickingAnotherPort_data();
    void pickingAnotherPort();
    void typedNonsenseInThePortList();
    void failingCloseWhilePickingAnotherPort();
    void reopenPort_data();
    void reopenPort();
    void deviceLoss();
    void deviceLabelFollowsThePort_data();
    void deviceLabelFollowsThePort();
    void addressMark();
};

void TestPortPanel::startLists_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("selected");

    QStringList ports;
    for (int n = 1; n <= 16; ++n) {
        ports << QStringLiteral("com%1").arg(n);
    }
    QStringList addresses;
    for (int n = 1; n <= 247; ++n) {
        addresses << QString::number(n);
    }
    QTest::newRow("Combo1 addresses") << "Combo1" << addresses << "1";
    QTest::newRow("Combo3 baud rates")
        << "Combo3" << QStringList{"4800", "9600", "19200", "38400"} << "9600";
    QTest::newRow("Combo4 ports") << "Combo4" << ports << "com1";
    QTest::newRow("Combo5 parity") << "Combo5" << QStringList{"N", "E", "O"} << "N";
    QTest::newRow("Combo6 data bits") << "Combo6" << QStringList{"8", "7", "6", "5"} << "8";
    QTest::newRow("Combo7 stop bits") << "Combo7" << QStringList{"1", "2"} << "1";
}

void TestPortPanel::startLists() {
    QFETCH(QString, list);
    QFETCH(QStringList, items);
    QFETCH(QString, selected);
    Bench b;
    const auto* combo = b.panel->findChild<QComboBox*>(list);
    QVERIFY(combo != nullptr);
    QVERIFY(combo->isEditable());
    QCOMPARE(Items(combo), items);
    QCOMPARE(combo->currentText(), selected);
}

void TestPortPanel::startState() {
    Bench b;
    QCOMPARE(b.panel->findChild<QGroupBox*>("Frame1")->title(), QStringLiteral("仪表参数选择"));
    QCOMPARE(b.panel->findChild<QGroupBox*>("Frame2")->title(), QStringLiteral("串口通信选择"));
    QVERIFY(b.panel->findChild<QPushButton*>("Command3") == Ctl<QPushButton>(b.panel, "Command3"));
    QVERIFY(b.panel->findChild<StatusLamp*>("Shape1") == Ctl<StatusLamp>(b.panel, "Shape1"));
    VerifyLook(b, false);
    // Loading only sets the port number: picking com1 counts as a click.
    QCOMPARE(b.port.calls, QStringList{"portNumber=1"});
    QCOMPARE(b.port.portNumber(), 1);
    QVERIFY(!b.port.isOpen());
    QVERIFY(b.recorder.messages.isEmpty());
    QCOMPARE(b.panel->settingsText(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(b.panel->addressText(), QStringLiteral("1"));
}

void TestPortPanel::openingHandsOverTheLists_data() {
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<QString>("baud");  // empty: keep the start selection
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("settings");

    QTest::newRow("start selections") << 0 << ""
                                      << ""
                                      << ""
                                      << "" << 1 << "9600,N,8,1";
    QTest::newRow("com3, 19200, E, 7, 2") << 2 << "19200"
                                          << "E"
                                          << "7"
                                          << "2" << 3 << "19200,E,7,2";
    QTest::newRow("com16, 4800, O, 5") << 15 << "4800"
                                       << "O"
                                       << "5"
                                       << "1" << 16 << "4800,O,5,1";
    // Typed text is taken as it stands.
    QTest::newRow("typed 115200") << 0 << "115200"
                                  << ""
                                  << ""
                                  << "" << 1 << "115200,N,8,1";
    QTest::newRow("typed lower-case parity") << 0 << ""
                                             << "e"
                                             << ""
                                             << "" << 1 << "9600,e,8,1";
}

void TestPortPanel::openingHandsOverTheLists() {
    QFETCH(int, portIndex);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, dataBits);
    QFETCH(QString, stopBits);
    QFETCH(int, portNumber);
    QFETCH(QString, settings);
    Bench b;
    Ctl<PanelComboBox>(b.panel, "Combo4")->setCurrentIndex(portIndex);
    const std::pair<QComboBox*, QString> typed[] = {
        {Ctl<PanelComboBox>(b.panel, "Combo3"), baud},
        {Ctl<PanelComboBox>(b.panel, "Combo5"), parity},
        {Ctl<PanelComboBox>(b.panel, "Combo6"), dataBits},
        {Ctl<PanelComboBox>(b.panel, "Combo7"), stopBits}};
    for (const auto& [combo, text] : typed) {
        if (!text.isEmpty()) {
            combo->setEditText(text);
        }
    }
    b.port.calls.clear();

    b.panel->onOpenCloseClicked();

    QCOMPARE(b.port.calls, OpeningCalls(portNumber, settings));
    QVERIFY(b.port.isOpen());
    QCOMPARE(b.port.portNumber(), portNumber);
    QCOMPARE(b.port.settings(), settings);
    VerifyLook(b, true);
    QVERIFY(b.recorder.messages.isEmpty());
    QCOMPARE(b.closed->size(), 0);
}

void TestPortPanel::closeClick() {
    Bench b;
    b.openPort();

    b.panel->onOpenCloseClicked();

    QCOMPARE(b.port.calls, QStringList{"close"});
    QVERIFY(!b.port.isOpen());
    VerifyLook(b, false);
    QCOMPARE(b.closed->size(), 1);
    QCOMPARE(b.switched->size(), 0);
    QCOMPARE(b.lost->size(), 0);
    QVERIFY(b.recorder.messages.isEmpty());

    // Open and close again: the same sequence every time.
    b.port.calls.clear();
    b.panel->onOpenCloseClicked();
    QCOMPARE(b.port.calls, OpeningCalls(1, "9600,N,8,1"));
    b.panel->onOpenCloseClicked();
    QCOMPARE(b.closed->size(), 2);
    VerifyLook(b, false);
}

void TestPortPanel::openClickOnAnOpenPort() {
    Bench b;
    // The port is open (opened by someone else) while the panel offers to open it.
    QVERIFY(b.port.open().ok());
    b.port.calls.clear();

    b.panel->onOpenCloseClicked();

    QCOMPARE(b.recorder.messages.size(), 1);
    QCOMPARE(b.recorder.messages.front().text, QStringLiteral("串口已经打开"));
    QCOMPARE(b.recorder.messages.front().title, QStringLiteral("仪表测试"));
    QCOMPARE(b.recorder.messages.front().icon, MessageIcon::None);
    QVERIFY(b.port.calls.isEmpty());  // nothing else happens
    QVERIFY(b.port.isOpen());
    VerifyLook(b, false);
}

void TestPortPanel::invalidPort_data() {
    QTest::addColumn<QString>("list");  // the list typed into, or "open" / "settings"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lastCall");  // where the opening stopped

    QTest::newRow("no such port") << "open"
                                  << ""
                                  << "open";
    QTest::newRow("port in use") << "open"
                                 << "in use"
                                 << "open";
    QTest::newRow("settings refused") << "settings"
                                      << ""
                                      << "settings=9600,N,8,1";
    QTest::newRow("baud letters") << "Combo3"
                                  << "abc"
                                  << "settings=abc,N,8,1";
    QTest::newRow("baud with trailing blank") << "Combo3"
                                              << "9600 "
                                              << "settings=9600 ,N,8,1";
    QTest::newRow("baud empty") << "Combo3"
                                << ""
                                << "settings=,N,8,1";
    QTest::newRow("baud zero") << "Combo3"
                               << "0"
                               << "settings=0,N,8,1";
    QTest::newRow("parity X") << "Combo5"
                              << "X"
                              << "settings=9600,X,8,1";
    QTest::newRow("data bits 9") << "Combo6"
                                 << "9"
                                 << "settings=9600,N,9,1";
    QTest::newRow("stop bits 3") << "Combo7"
                                 << "3"
                                 << "settings=9600,N,8,3";
    QTest::newRow("stop bits with comma") << "Combo7"
                                          << "1,2"
                                          << "settings=9600,N,8,1,2";
    QTest::newRow("com nonsense") << "Combo4"
                                  << "nonsense"
                                  << "portNumber=0";
    QTest::newRow("com17") << "Combo4"
                           << "com17"
                           << "portNumber=0";
    QTest::newRow("com with blank") << "Combo4"
                                    << "com 3"
                                    << "portNumber=0";
    QTest::newRow("com empty") << "Combo4"
                               << ""
                               << "portNumber=0";
    QTest::newRow("com number only") << "Combo4"
                                     << "3"
                                     << "portNumber=0";
}

void TestPortPanel::invalidPort() {
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QString, lastCall);
    Bench b;
    if (list == "open") {
        b.port.failOpen = PortError{
            typed.isEmpty() ? PortError::Kind::NoSuchPort : PortError::Kind::PortInUse, typed};
    } else if (list == "settings") {
        b.port.failSettings = PortError{PortError::Kind::BadSettings, {}};
    } else {
        b.panel->findChild<QComboBox*>(list)->setEditText(typed);
    }
    b.port.calls.clear();

    b.panel->onOpenCloseClicked();

    VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    QCOMPARE(b.port.calls.last(), lastCall);
    QVERIFY(!b.port.calls.contains("open") || lastCall == "open");
    QVERIFY(!b.port.isOpen());
    VerifyLook(b, false);
    QCOMPARE(b.closed->size(), 0);

    // Once the cause is gone, the next click opens.
    b.port.failOpen.reset();
    b.port.failSettings.reset();
    Ctl<PanelComboBox>(b.panel, "Combo3")->setCurrentIndex(1);
    Ctl<PanelComboBox>(b.panel, "Combo4")->setCurrentIndex(0);
    Ctl<PanelComboBox>(b.panel, "Combo5")->setCurrentIndex(0);
    Ctl<PanelComboBox>(b.panel, "Combo6")->setCurrentIndex(0);
    Ctl<PanelComboBox>(b.panel, "Combo7")->setCurrentIndex(0);
    b.panel->onOpenCloseClicked();
    QVERIFY(b.port.isOpen());
    VerifyLook(b, true);
    QCOMPARE(b.recorder.messages.size(), 1);
}

void TestPortPanel::failingClose() {
    Bench b;
    b.openPort();
    b.port.failClose = PortError{PortError::Kind::Other, QStringLiteral("I/O error")};

    b.panel->onOpenCloseClicked();

    VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    // The handler ended at the failing close: nothing after it happened.
    QCOMPARE(b.closed->size(), 0);
    VerifyLook(b, true);
}

void TestPortPanel::pickingAnotherPort_data() {
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<int>("index");

    QTest::newRow("com3 while open") << true << 2;
    QTest::newRow("same port while open") << true << 0;
    QTest::newRow("com16 while open") << true << 15;
    QTest::newRow("com3 while closed") << false << 2;
    QTest::newRow("com16 while closed") << false << 15;
}

void TestPortPanel::pickingAnotherPort() {
    QFETCH(bool, openFirst);
    QFETCH(int, index);
    Bench b;
    if (openFirst) {
        b.openPort();
    }
    b.port.calls.clear();

    b.pickPort(index);

    const QString numberCall = QStringLiteral("portNumber=%1").arg(index + 1);
    const QStringList expected =
        openFirst ? QStringList{"close", numberCall} : QStringList{numberCall};
    QCOMPARE(b.port.calls, expected);
    QVERIFY(!b.port.isOpen());
    VerifyLook(b, false);
    QCOMPARE(b.switched->size(), openFirst ? 1 : 0);
    QCOMPARE(b.closed->size(), 0);  // the acquisition is left as it is
    QVERIFY(b.recorder.messages.isEmpty());

    // The next open click opens the port just picked.
    b.port.calls.clear();
    b.panel->onOpenCloseClicked();
    QCOMPARE(b.port.calls, OpeningCalls(index + 1, "9600,N,8,1"));
    VerifyLook(b, true);
}

void TestPortPanel::typedNonsenseInThePortList() {
    Bench b;
    Ctl<PanelComboBox>(b.panel, "Combo4")->setEditText(QStringLiteral("xyz"));
    b.port.calls.clear();

    // A click with a text that matches no port: the port refuses number 0,
    // quietly; the warning comes with the open click.
    b.panel->onPortPicked();
    QCOMPARE(b.port.calls, QStringList{"portNumber=0"});
    QVERIFY(b.recorder.messages.isEmpty());
    QCOMPARE(b.panel->selectedPortNumber(), 0);

    b.panel->onOpenCloseClicked();
    VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    VerifyLook(b, false);

    // A typed name of a listed port stands for that port.
    Ctl<PanelComboBox>(b.panel, "Combo4")->setEditText(QStringLiteral("com3"));
    QCOMPARE(b.panel->selectedPortNumber(), 3);
}

void TestPortPanel::failingCloseWhilePickingAnotherPort() {
    Bench b;
    b.openPort();
    b.port.failClose = PortError{PortError::Kind::Other, QStringLiteral("I/O error")};

    b.pickPort(2);

    // The old port is still open and shown open; nothing pretends to switch.
    VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    QVERIFY(b.port.isOpen());
    QCOMPARE(b.port.portNumber(), 1);
    VerifyLook(b, true);
    QCOMPARE(b.switched->size(), 0);
}

void TestPortPanel::reopenPort_data() {
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<bool>("openFails");
    QTest::addColumn<bool>("reopened");

    QTest::newRow("open port reopens") << true << false << true;
    QTest::newRow("open port, device gone") << true << true << false;
    QTest::newRow("closed port opens") << false << false << true;
    QTest::newRow("closed port, device gone") << false << true << false;
}

void TestPortPanel::reopenPort() {
    QFETCH(bool, openFirst);
    QFETCH(bool, openFails);
    QFETCH(bool, reopened);
    Bench b;
    if (openFirst) {
        b.openPort();
    }
    b.port.calls.clear();
    if (openFails) {
        b.port.failOpen = PortError{PortError::Kind::NoSuchPort, QStringLiteral("gone")};
    }

    QCOMPARE(b.panel->reopenPort(), reopened);

    QCOMPARE(b.port.calls.mid(0, 2), (QStringList{"close", "open"}));
    QCOMPARE(b.port.isOpen(), reopened);
    // The panel shows what the port is, whatever it showed before.
    VerifyLook(b, reopened);
    if (reopened) {
        QVERIFY(b.recorder.messages.isEmpty());
        QCOMPARE(b.port.settings(), QStringLiteral("9600,N,8,1"));
    } else {
        VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    }
    QCOMPARE(b.closed->size(), 0);
}

void TestPortPanel::deviceLoss() {
    Bench b;
    b.openPort();

    b.port.loseDevice();

    VerifyLook(b, false);
    QCOMPARE(b.lost->size(), 1);
    QCOMPARE(b.closed->size(), 0);
    QCOMPARE(b.recorder.messages.size(), 1);
    const auto& warning = b.recorder.messages.front();
    QCOMPARE(warning.text, QStringLiteral("串口已断开"));
    QCOMPARE(warning.title, QStringLiteral("仪表测试"));
    QCOMPARE(warning.icon, MessageIcon::Warning);
    // The device line says so too; the system's own words are in its tooltip.
    QCOMPARE(Ctl<QLabel>(b.panel, "DeviceLabel")->text(), QStringLiteral("com1：串口已断开"));
    QCOMPARE(Ctl<QLabel>(b.panel, "DeviceLabel")->toolTip(), QStringLiteral("device went away"));

    // A second report of the same loss is not a second warning.
    b.port.loseDevice();
    QCOMPARE(b.recorder.messages.size(), 1);
    QCOMPARE(b.lost->size(), 1);

    // The close click is not needed: the next click opens again.
    b.port.calls.clear();
    b.panel->onOpenCloseClicked();
    QCOMPARE(b.port.calls, OpeningCalls(1, "9600,N,8,1"));
    VerifyLook(b, true);

    // A loss in the next session is reported again, once.
    b.port.loseDevice();
    QCOMPARE(b.recorder.messages.size(), 2);
    QCOMPARE(b.lost->size(), 2);
    VerifyLook(b, false);
}

void TestPortPanel::deviceLabelFollowsThePort_data() {
    QTest::addColumn<QString>("typed");  // empty: pick item `index`
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");

    QTest::newRow("com1") << "" << 0 << "com1 → /dev/fake1";
    QTest::newRow("com3") << "" << 2 << "com3 → /dev/fake3";
    QTest::newRow("com16") << "" << 15 << "com16 → /dev/fake16";
    QTest::newRow("nonsense") << "nonsense" << 0 << "所选串口无效";
}

void TestPortPanel::deviceLabelFollowsThePort() {
    QFETCH(QString, typed);
    QFETCH(int, index);
    QFETCH(QString, label);
    Bench b;
    if (typed.isEmpty()) {
        b.pickPort(index);
    } else {
        Ctl<PanelComboBox>(b.panel, "Combo4")->setEditText(typed);
        b.panel->onPortPicked();
    }
    QCOMPARE(Ctl<QLabel>(b.panel, "DeviceLabel")->text(), label);
    QCOMPARE(Ctl<PanelComboBox>(b.panel, "Combo4")->toolTip(), label);
    QCOMPARE(Ctl<PanelComboBox>(b.panel, "Combo4")->accessibleDescription(), label);
}

void TestPortPanel::addressMark() {
    Bench b;
    QVERIFY(Ctl<QLabel>(b.panel, "StatusLabel")->text().isEmpty());
    b.panel->showAddressInvalid(true);
    QVERIFY(!Ctl<QLabel>(b.panel, "StatusLabel")->text().isEmpty());
    QVERIFY(!Ctl<PanelComboBox>(b.panel, "Combo1")->styleSheet().isEmpty());
    b.panel->showAddressInvalid(false);
    QVERIFY(Ctl<QLabel>(b.panel, "StatusLabel")->text().isEmpty());
    QVERIFY(Ctl<PanelComboBox>(b.panel, "Combo1")->styleSheet().isEmpty());
    QVERIFY(b.recorder.messages.isEmpty());
}

// A refused opening still shows the one warning "无效端口号"; the device
// line says why, and what to do, the tooltip adds the system's words.
void TestPortPanel::whyNotOpen_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("no permission") << int(PortError::Kind::NoPermission) << "dialout";
    QTest::newRow("busy") << int(PortError::Kind::PortInUse) << "minicom";
    QTest::newRow("missing") << int(PortError::Kind::NoSuchPort) << "/dev/fake1";
}

void TestPortPanel::whyNotOpen() {
    QFETCH(int, kind);
    QFETCH(QString, said);
    Bench b;
    PortError error{static_cast<PortError::Kind>(kind), QStringLiteral("the system's words")};
    error.holder.pid = 4242;
    error.holder.program = QStringLiteral("minicom");
    b.port.failOpen = error;
    b.panel->onOpenCloseClicked();
    VerifyOneWarning(b.recorder, QStringLiteral("无效端口号"));
    VerifyLook(b, false);
    const QString line = Ctl<QLabel>(b.panel, "DeviceLabel")->text();
    QVERIFY2(line.startsWith(QStringLiteral("com1：")) && line.contains(said), qPrintable(line));
    QVERIFY(Ctl<QLabel>(b.panel, "DeviceLabel")
                ->toolTip()
                .contains(QStringLiteral("the system's words")));
    QCOMPARE(Ctl<QLabel>(b.panel, "DeviceLabel")->toolTip().section(QLatin1Char('\n'), 0, 0), line);

    // A start click whose reopening is refused says why just the same.
    b.port.failOpen.reset();
    b.panel->onOpenCloseClicked();
    QVERIFY(b.port.isOpen());
    b.port.failOpen = error;
    QVERIFY(!b.panel->reopenPort());
    QVERIFY(Ctl<QLabel>(b.panel, "DeviceLabel")->text().contains(said));
}

QTEST_MAIN(TestPortPanel)
#include "tst_portpanel.moc"
