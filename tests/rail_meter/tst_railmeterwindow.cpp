// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "monitor/twips.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railmeterwindow.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using namespace mt::test;
using mt::test::DataWith;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;
using mt::test::RegisterAnswer;

namespace {

int StartOf(const QByteArray& request) {
    return (static_cast<quint8>(request[2]) << 8) | static_cast<quint8>(request[3]);
}

int CountOf(const QByteArray& request) {
    return (static_cast<quint8>(request[4]) << 8) | static_cast<quint8>(request[5]);
}

// What a meter answers to each read of the cycle: one recognisable value
// per block.
QByteArray MeterAnswer(const QByteArray& request) {
    const int count = CountOf(request);
    switch (StartOf(request)) {
        case 70:
            return RegisterAnswer(DataWith(2 * count, 3, QByteArray::fromHex("0898")));
        case 93:
            return RegisterAnswer(DataWith(2 * count, 5, QByteArray::fromHex("03D41388")));
        case 1024:
            return RegisterAnswer(QByteArray::fromHex("12051F093000"));
        case 1040:
            return RegisterAnswer(QByteArray::fromHex("08FC2407150B0509"));
        case 1056:
            return RegisterAnswer(QByteArray::fromHex("FFFF00010A000000"));
        case 8192:
            return RegisterAnswer(DataWith(2 * count, 3, QByteArray::fromHex("0001E240")));
        default: {  // the blocks of tags 1 to 5 hold their tag, in hundredths
            const int hundredths = 100 * (StartOf(request) / 256 - 32);
            QByteArray value(4, '\0');
            value[2] = static_cast<char>(hundredths >> 8);
            value[3] = static_cast<char>(hundredths & 0xFF);
            return RegisterAnswer(DataWith(2 * count, 3, value));
        }
    }
}

// A monitor over a fake port; the meter answers every read at once.
struct Screen {
    FakeSerialPort port;
    RecordingServices recorder;
    RequestParameters request;
    RailMeterWindow form{port, recorder.services(), nullptr, 5000, request};

    Screen() {
        port.responder = [](const QByteArray& request) {
            return FakeSerialPort::Answer{{MeterAnswer(request)}, 0};
        };
    }
    QString text(const char* field) const { return form.valueField(field)->text(); }
    QString tag(QPushButton* button) const { return button->property("tag").toString(); }
    QStringList messages() const {
        QStringList out;
        for (const auto& m : recorder.messages) {
            out << m.text;
        }
        return out;
    }
    void act(const QString& action) {
        if (action == "open" || action == "close") {
            Ctl<PortPanel>(form, "PortPanel")->onOpenCloseClicked();
        } else if (action == "start" || action == "press") {
            form.onPrimaryClicked();
        } else if (action == "press4") {
            form.onSecondaryClicked();
        } else if (action == "switchPort") {
            Ctl<PanelComboBox>(form, "Combo4")->setCurrentIndex(2);
            Ctl<PortPanel>(form, "PortPanel")->onPortPicked();
        } else if (action == "lose") {
            port.loseDevice();
        } else if (action == "failNextOpen") {
            port.failOpen = PortError{PortError::Kind::NoSuchPort, QStringLiteral("gone")};
        } else if (action == "tick") {
            form.onPollTimer();
            QCoreApplication::processEvents();
        } else {
            QFAIL(qPrintable("unknown action " + action));
        }
    }
};

}  // namespace

class TestRailMeterWindow : public QObject {
    Q_OBJECT

private slots:
    void startsIdle();
    void geometry_data();
    void geometry();
    void captionsAndUnits_data();
    void captionsAndUnits();
    void pressWithPortClosed_data();
    void pressWithPortClosed();
    void buttonStates_data();
    void buttonStates();
    void startReopensAndWaitsForTimer();
    void tickFillsEveryBlock_data();
    void tickFillsEveryBlock();
    void lateAnswerLandsInNextField_data();
    void lateAnswerLandsInNextField();
    void fieldsKeepLastText();
    void badAddressIsShownNotSent();
    void portGoneDuringPause_data();
    void portGoneDuringPause();
    void exitEndsProgram_data();
    void exitEndsProgram();
};

void TestRailMeterWindow::startsIdle() {
    Screen s;
    QCOMPARE(s.form.screenArea()->size(), TwipsSize(13290, 10575));
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->text(), QStringLiteral("数据采集"));
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->accessibleName(), QStringLiteral("数据采集"));
    QCOMPARE(s.tag(Ctl<QPushButton>(s.form, "Command1")), QStringLiteral("0"));
    QVERIFY(Ctl<QPushButton>(s.form, "Command1")->isEnabled());
    QCOMPARE(Ctl<QPushButton>(s.form, "Command4")->text(), QStringLiteral("二次数据采集"));
    QVERIFY(Ctl<QPushButton>(s.form, "Command4")->isHidden());
    QCOMPARE(Ctl<QPushButton>(s.form, "Command2")->text(), QStringLiteral("退      出"));
    QCOMPARE(s.form.findChild<QTimer*>(QStringLiteral("Timer1")), Ctl<QTimer>(s.form, "Timer1"));
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->interval(), 5000);
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->timerType(), Qt::PreciseTimer);
    QVERIFY(!Ctl<QTimer>(s.form, "Timer1")->isActive());
    QVERIFY(!s.port.isOpen());
    QCOMPARE(s.port.portNumber(), 1);
    QCOMPARE(Ctl<PortPanel>(s.form, "PortPanel")->settingsText(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(Ctl<QGroupBox>(s.form, "Frame3")->title(), QStringLiteral("仪表检测数据"));
    QCOMPARE(s.form.acquisition().BlockTag(), std::int16_t{0});
    for (const std::string_view name : DinRailFieldNames()) {
        QLineEdit* field = s.form.valueField(name);
        QVERIFY2(field != nullptr, name.data());
        QVERIFY(field->text().isEmpty());
        QVERIFY(!field->isHidden());
    }
    QVERIFY(!Ctl<QFrame>(s.form, "Line1")->isHidden());
    QVERIFY(s.port.writes.isEmpty());
}

void TestRailMeterWindow::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Command1") << "Command1" << QRect(720, 9840, 1935, 375);
    QTest::newRow("Command4") << "Command4" << QRect(4920, 9840, 1935, 375);
    QTest::newRow("Command2") << "Command2" << QRect(8880, 9840, 1300, 375);
    QTest::newRow("Frame3") << "Frame3" << QRect(240, 3120, 12975, 6375);
    QTest::newRow("Frame1") << "Frame1" << QRect(240, 120, 12975, 1320);
    QTest::newRow("Frame2") << "Frame2" << QRect(240, 1560, 12975, 1440);
    // Value fields, relative to the value frame.
    QTest::newRow("UanT") << "UanT" << QRect(1080, 360, 1200, 270);
    QTest::newRow("FT") << "FT" << QRect(10440, 2880, 1200, 270);
    QTest::newRow("RRET") << "RRET" << QRect(10440, 4440, 1200, 270);
    QTest::newRow("UMaxT") << "UMaxT" << QRect(1080, 5160, 1215, 285);
    QTest::newRow("UMaxTimeT") << "UMaxTimeT" << QRect(4080, 5160, 1695, 285);
    QTest::newRow("IMaxT") << "IMaxT" << QRect(7320, 5160, 1215, 285);
    QTest::newRow("IMaxTimeT") << "IMaxTimeT" << QRect(10440, 5160, 1695, 285);
    QTest::newRow("EPP0TimeT") << "EPP0TimeT" << QRect(1080, 5880, 1695, 285);
}

void TestRailMeterWindow::geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Screen s;
    auto* widget = s.form.findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    const QPoint origin = widget->parentWidget()->mapTo(s.form.screenArea(), QPoint(0, 0));
    const bool inFrame = widget->parentWidget() == Ctl<QGroupBox>(s.form, "Frame3");
    const QRect expected = TwipsRect(twips.x(), twips.y(), twips.width(), twips.height());
    QCOMPARE(widget->geometry().translated(inFrame ? QPoint() : origin), expected);
}

// The texts beside each field, exactly; a two-line caption wraps at a chosen
// place but reads as one caption.
void TestRailMeterWindow::captionsAndUnits_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("unit");
    const char* rows[][3] = {
        {"UanT", "相电压Uan", "V"},
        {"UbnT", "相电压Ubn", "V"},
        {"UcnT", "相电压Ucn", "V"},
        {"UabT", "线电压Uab", "V"},
        {"UbcT", "线电压Ubc", "V"},
        {"UcaT", "线电压Uca", "V"},
        {"IaT", "电流Ia", "A"},
        {"IbT", "电流Ib", "A"},
        {"IcT", "电流Ic", "A"},
        {"SaT", "视在功率A", "KVA"},
        {"SbT", "视在功率B", "KVA"},
        {"ScT", "视在功率C", "KVA"},
        {"SsT", "视在功率", "KVA"},
        {"PaT", "有功功率Pa", "KW"},
        {"PbT", "有功功率Pb", "KW"},
        {"PcT", "有功功率Pc", "KW"},
        {"PsT", "总有功率P", "KW"},
        {"QaT", "无功功率Qa", "var"},
        {"QbT", "无功功率Qb", "var"},
        {"QcT", "无功功率Qc", "var"},
        {"QsT", "总无功功率Q", "var"},
        {"OaT", "AB电位相位", "度"},
        {"ObT", "BC电位相位", "度"},
        {"OcT", "CA电位相位", "度"},
        {"PfsT", "功率因数", "cos φ"},
        {"FT", "电网频率", "Hz"},
        {"SWT", "当前总有功电能", "KWh"},
        {"WJT", "当前总尖有功电能", "KWh"},
        {"WFT", "当前总峰有功电能", "KWh"},
        {"WPT", "当前总平有功电能", "KWh"},
        {"WGT", "当前总谷有功电能", "KWh"},
        {"FAET", "当前正向总有功电能", "KWh"},
        {"RAET", "当前反向总有功电能", "KWh"},
        {"SRET", "当前总无功电能", "Kvarh"},
        {"FRET", "当前正向总无功电能", "Kvarh"},
        {"RRET", "当前反向总无功电能", "Kvarh"},
        {"UMaxT", "电压最大需求量", ""},
        {"UMaxTimeT", "电压最大需量发生时间", ""},
        {"IMaxT", "电流最大需求量", ""},
        {"IMaxTimeT", "电流最大需量发生时间", ""},
        {"EPP0TimeT", "最近电能清零时间", ""},
    };
    for (const auto& row : rows) {
        QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1])
                              << QString::fromUtf8(row[2]);
    }
}

void TestRailMeterWindow::captionsAndUnits() {
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QFETCH(QString, unit);
    Screen s;
    auto* label = Ctl<QGroupBox>(s.form, "Frame3")->findChild<QLabel*>(field + "Caption");
    QVERIFY(label != nullptr);
    QCOMPARE(label->text().remove('\n'), caption);
    QCOMPARE(label->accessibleName(), caption);
    QCOMPARE(s.form.valueField(field.toStdString())->accessibleName(), caption);
    auto* unitLabel = Ctl<QGroupBox>(s.form, "Frame3")->findChild<QLabel*>(field + "Unit");
    QCOMPARE(unitLabel ? unitLabel->text() : QString(), unit);
}

void TestRailMeterWindow::pressWithPortClosed_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("button");
    QTest::newRow("Command1, never opened") << ""
                                            << "press";
    QTest::newRow("Command4, never opened") << ""
                                            << "press4";
    QTest::newRow("Command1, port switched while running") << "open,start,switchPort"
                                                           << "press";
}

void TestRailMeterWindow::pressWithPortClosed() {
    QFETCH(QString, before);
    QFETCH(QString, button);
    Screen s;
    for (const QString& action : before.split(',', Qt::SkipEmptyParts)) {
        s.act(action);
    }
    const QString caption = Ctl<QPushButton>(s.form, "Command1")->text();
    const QString tag = s.tag(Ctl<QPushButton>(s.form, "Command1"));
    const bool timer = Ctl<QTimer>(s.form, "Timer1")->isActive();
    const QStringList calls = s.port.calls;
    s.act(button);
    QCOMPARE(s.recorder.messages.size(), 1);
    QCOMPARE(s.recorder.messages[0].text, QStringLiteral("串口没有打开"));
    QCOMPARE(s.recorder.messages[0].title, QStringLiteral("仪表测试"));
    QCOMPARE(s.recorder.messages[0].icon, MessageIcon::Warning);
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->text(), caption);
    QCOMPARE(s.tag(Ctl<QPushButton>(s.form, "Command1")), tag);
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->isActive(), timer);
    QCOMPARE(s.port.calls, calls);
}

// Sequences of user actions and the state they leave: Command1's caption,
// tag and enabled flag, Command4's enabled flag, the timer, the port, the lamp
// and the messages shown.
void TestRailMeterWindow::buttonStates_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("command1Enabled");
    QTest::addColumn<bool>("command4Enabled");
    QTest::addColumn<bool>("timer");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QStringList>("messages");

    const QString idle = QStringLiteral("数据采集");
    const QString running = QStringLiteral("关闭数据采集");
    const QStringList none;
    QTest::newRow("open") << "open" << idle << "0" << true << true << false << true << none;
    QTest::newRow("start") << "open,start" << running << "1" << true << false << true << true
                           << none;
    QTest::newRow("start, stop") << "open,start,press" << idle << "0" << true << true << false
                                 << true << none;
    QTest::newRow("start, stop, start")
        << "open,start,press,press" << running << "1" << true << false << true << true << none;
    QTest::newRow("close while acquiring")
        << "open,start,close" << idle << "0" << true << false << false << false << none;
    QTest::newRow("close, reopen, one press starts")
        << "open,start,close,open,press" << running << "1" << true << false << true << true << none;
    QTest::newRow("other port while acquiring")
        << "open,start,switchPort" << running << "1" << true << false << true << false << none;
    QTest::newRow("other port, reopen: still running")
        << "open,start,switchPort,open" << running << "1" << true << false << true << true << none;
    QTest::newRow("device lost while acquiring")
        << "open,start,lose" << idle << "0" << true << false << false << false
        << QStringList{"串口已断开"};
    QTest::newRow("device lost, reopen, one press starts")
        << "open,start,lose,open,press" << running << "1" << true << false << true << true
        << QStringList{"串口已断开"};
    QTest::newRow("reopen fails at start") << "open,failNextOpen,start" << idle << "0" << true
                                           << true << false << false << QStringList{"无效端口号"};
    QTest::newRow("hidden second button runs")
        << "open,press4" << idle << "0" << false << true << true << true << none;
    QTest::newRow("hidden second button stops")
        << "open,press4,press4" << idle << "0" << true << true << false << true << none;
    QTest::newRow("close resets only Command1")
        << "open,press4,close" << idle << "0" << true << true << false << false << none;
}

void TestRailMeterWindow::buttonStates() {
    QFETCH(QString, actions);
    QFETCH(QString, caption);
    QFETCH(QString, tag);
    QFETCH(bool, command1Enabled);
    QFETCH(bool, command4Enabled);
    QFETCH(bool, timer);
    QFETCH(bool, portOpen);
    QFETCH(QStringList, messages);
    Screen s;
    for (const QString& action : actions.split(',')) {
        s.act(action);
    }
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->text(), caption);
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->accessibleName(), caption);
    QCOMPARE(s.tag(Ctl<QPushButton>(s.form, "Command1")), tag);
    QCOMPARE(Ctl<QPushButton>(s.form, "Command1")->isEnabled(), command1Enabled);
    QCOMPARE(Ctl<QPushButton>(s.form, "Command4")->isEnabled(), command4Enabled);
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->isActive(), timer);
    QCOMPARE(s.port.isOpen(), portOpen);
    QCOMPARE(Ctl<StatusLamp>(s.form, "Shape1")->showsOpen(), portOpen);
    QCOMPARE(Ctl<QPushButton>(s.form, "Command3")->text(),
             portOpen ? PortPanel::closeCaption() : PortPanel::openCaption());
    QCOMPARE(s.messages(), messages);
    QVERIFY(s.port.writes.isEmpty());  // no press ever sends a request
}

void TestRailMeterWindow::startReopensAndWaitsForTimer() {
    Screen s;
    s.act("open");
    s.port.calls.clear();
    s.act("start");
    QCOMPARE(s.port.calls, QStringList({"close", "open", "clearInput"}));
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->remainingTime() > 0, true);
    QVERIFY(s.port.writes.isEmpty());
    s.port.calls.clear();
    s.act("press");
    QCOMPARE(s.port.calls, QStringList({"clearInput"}));  // stopping keeps the port open
}

// One tick with a meter answering every read: each block reaches its fields.
void TestRailMeterWindow::tickFillsEveryBlock_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("measurements") << "UanT"
                                  << "220";
    QTest::newRow("measurements, zero") << "SsT"
                                        << "0";
    QTest::newRow("power factor") << "PfsT"
                                  << "0.98";
    QTest::newRow("frequency") << "FT"
                               << "50";
    QTest::newRow("clearing time") << "EPP0TimeT"
                                   << "12,05,1F,09,30,00";
    QTest::newRow("voltage demand") << "UMaxT"
                                    << "230";
    QTest::newRow("voltage demand time") << "UMaxTimeT"
                                         << "24,07,15,0B,05,09";
    QTest::newRow("current demand") << "IMaxT"
                                    << "-0.1";
    QTest::newRow("current demand time") << "IMaxTimeT"
                                         << "00,01,0A,00,00,00";
    QTest::newRow("total energy") << "SWT"
                                  << "1234.56";
    QTest::newRow("valley energy") << "WGT"
                                   << "0";
    QTest::newRow("tag 1") << "FAET"
                           << "1";
    QTest::newRow("tag 2") << "RAET"
                           << "2";
    QTest::newRow("tag 3") << "SRET"
                           << "3";
    QTest::newRow("tag 4") << "FRET"
                           << "4";
    QTest::newRow("tag 5") << "RRET"
                           << "5";
}

void TestRailMeterWindow::tickFillsEveryBlock() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    Screen s;
    s.act("open");
    s.act("start");
    s.act("tick");
    QCOMPARE(s.port.writes.size(), 11);
    QCOMPARE(s.text(field.toLatin1().constData()), text);
    QVERIFY(s.recorder.messages.isEmpty());
}

// An answer that comes in only after the next request of the same length
// went out is shown in that request's fields.
void TestRailMeterWindow::lateAnswerLandsInNextField_data() {
    QTest::addColumn<int>("lateStart");
    QTest::addColumn<QString>("shownIn");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("leftEmpty");
    QTest::newRow("voltage demand as current demand") << 1040 << "IMaxT"
                                                      << "230" << QStringList{"UMaxT", "UMaxTimeT"};
    QTest::newRow("total energy as forward energy")
        << 8192 << "FAET"
        << "1234.56" << QStringList{"SWT", "WJT", "WFT", "WPT", "WGT"};
    QTest::newRow("tag 3 block as tag 4") << 8960 << "FRET"
                                          << "3" << QStringList{"SRET"};
    QTest::newRow("clearing time after a longer read: lost")
        << 1024 << "UMaxT"
        << "" << QStringList{"EPP0TimeT", "UMaxTimeT"};
}

void TestRailMeterWindow::lateAnswerLandsInNextField() {
    QFETCH(int, lateStart);
    QFETCH(QString, shownIn);
    QFETCH(QString, text);
    QFETCH(QStringList, leftEmpty);
    Screen s;
    s.port.responder = [&](const QByteArray& request) {
        return FakeSerialPort::Answer{{MeterAnswer(request)}, StartOf(request) == lateStart};
    };
    s.act("open");
    s.act("start");
    s.act("tick");
    QCOMPARE(s.text(shownIn.toLatin1().constData()), text);
    for (const QString& field : leftEmpty) {
        QVERIFY2(s.text(field.toLatin1().constData()).isEmpty(), qPrintable(field));
    }
}

void TestRailMeterWindow::fieldsKeepLastText() {
    Screen s;
    s.act("open");
    s.act("start");
    s.act("tick");
    QHash<QString, QString> before;
    for (const std::string_view name : DinRailFieldNames()) {
        before.insert(QString::fromLatin1(name.data()), s.form.valueField(name)->text());
    }
    // The next tick gets answers with a wrong CRC, then nothing at all, then
    // acquisition stops and the port closes.
    s.port.responder = [](const QByteArray& request) {
        QByteArray bad = MeterAnswer(request);
        bad[3] = static_cast<char>(bad[3] ^ 0x40);
        return FakeSerialPort::Answer{{bad}, 0};
    };
    s.act("tick");
    s.port.responder = nullptr;
    s.act("tick");
    s.act("press");
    s.act("close");
    for (const std::string_view name : DinRailFieldNames()) {
        QCOMPARE(s.form.valueField(name)->text(), before.value(QString::fromLatin1(name.data())));
    }
    QVERIFY(s.recorder.messages.isEmpty());
}

// An address that cannot be sent is marked beside the list, without a
// message box, and polling resumes as soon as the address is good again.
void TestRailMeterWindow::badAddressIsShownNotSent() {
    Screen s;
    s.act("open");
    s.act("start");
    Ctl<PanelComboBox>(s.form, "Combo1")->setEditText(QStringLiteral("300"));
    s.act("tick");
    QVERIFY(s.port.writes.isEmpty());
    QVERIFY(s.recorder.messages.isEmpty());
    QVERIFY(!Ctl<QLabel>(s.form, "StatusLabel")->text().isEmpty());
    QVERIFY(Ctl<QTimer>(s.form, "Timer1")->isActive());

    Ctl<PanelComboBox>(s.form, "Combo1")->setEditText(QStringLiteral("3"));
    s.act("tick");
    QCOMPARE(s.port.writes.size(), 11);
    QCOMPARE(static_cast<int>(s.port.writes.first()[0]), 3);
    QVERIFY(Ctl<QLabel>(s.form, "StatusLabel")->text().isEmpty());
    QCOMPARE(s.text("UanT"), QStringLiteral("220"));
}

// The port closed, another port picked or the device lost during a pause:
// the tick writes nothing more; the timer stops where the panel says so.
void TestRailMeterWindow::portGoneDuringPause_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("pause");
    QTest::addColumn<bool>("timerAfter");
    QTest::addColumn<int>("messages");
    QTest::newRow("close in pause 0") << "close" << 0 << false << 0;
    QTest::newRow("close in pause 6") << "close" << 6 << false << 0;
    QTest::newRow("other port in pause 4") << "switchPort" << 4 << true << 0;
    QTest::newRow("device lost in pause 2") << "lose" << 2 << false << 1;
    QTest::newRow("stop press in pause 5") << "press" << 5 << false << 0;
}

void TestRailMeterWindow::portGoneDuringPause() {
    QFETCH(QString, action);
    QFETCH(int, pause);
    QFETCH(bool, timerAfter);
    QFETCH(int, messages);
    Screen s;
    s.act("open");
    s.act("start");
    s.recorder.duringPause = [&](int index) {
        if (index == pause) {
            s.act(action);
        }
    };
    s.act("tick");
    // A stop press lets the tick finish; a closed port ends it.
    QCOMPARE(s.port.writes.size(), action == "press" ? 11 : pause + 1);
    QCOMPARE(s.port.calls.filter(QRegularExpression("^write")).size(), s.port.writes.size());
    QCOMPARE(Ctl<QTimer>(s.form, "Timer1")->isActive(), timerAfter);
    QCOMPARE(s.recorder.messages.size(), messages);
}

// Every way out of the monitor ends the program once, with the port closed
// and the timer stopped, also in the middle of a tick.
void TestRailMeterWindow::exitEndsProgram_data() {
    QTest::addColumn<int>("duringPause");  // -1: while idle
    QTest::addColumn<bool>("viaButton");
    QTest::newRow("exit button, idle") << -1 << true;
    QTest::newRow("window closed, idle") << -1 << false;
    QTest::newRow("exit button in pause 3") << 3 << true;
    QTest::newRow("window closed in pause 0") << 0 << false;
}

void TestRailMeterWindow::exitEndsProgram() {
    QFETCH(int, duringPause);
    QFETCH(bool, viaButton);
    Screen s;
    s.form.show();
    s.act("open");
    s.act("start");
    auto leave = [&] {
        viaButton ? Ctl<QPushButton>(s.form, "Command2")->click() : (void)s.form.close();
    };
    if (duringPause < 0) {
        leave();
    } else {
        s.recorder.duringPause = [&](int index) {
            if (index == duringPause) {
                leave();
            }
        };
        s.act("tick");
        QCOMPARE(s.port.writes.size(), duringPause + 1);
    }
    QCOMPARE(s.recorder.endProgramCalls, 1);
    QVERIFY(!s.port.isOpen());
    QVERIFY(!Ctl<QTimer>(s.form, "Timer1")->isActive());
    QVERIFY(!s.form.isVisible());
    s.form.close();  // a second close changes nothing
    QCOMPARE(s.recorder.endProgramCalls, 1);
}

QTEST_MAIN(TestRailMeterWindow)
#include "tst_railmeterwindow.moc"
