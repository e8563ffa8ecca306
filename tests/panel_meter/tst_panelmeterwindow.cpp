// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "monitor/twips.h"
#include "panel_meter/panelmeterwindow.h"
#include "panel_meter/switchpanelview.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/recordingservices.h"
#include "support/scriptedmeter.h"
#include "support/visibletext.h"

using namespace mt;
using namespace mt::test;

namespace {

QByteArray Floats(std::initializer_list<float> values) {
    QByteArray data;
    for (float v : values) {
        data += FloatBe(v);
    }
    return data;
}

QByteArray Words(std::initializer_list<quint16> values) {
    QByteArray data;
    for (quint16 v : values) {
        data += Be16(v);
    }
    return data;
}

// What a meter answers in the primary mode: own values, the awkward ones included.
void AnswerPrimary(ScriptedMeter& meter, int function = 4) {
    meter.answer(4, 10,
                 RegisterAnswer(Floats({230.0F, -1.5F, 0.0F, 400.25F, 1.0e6F, -0.04F, 5.125F,
                                        0.001F, -3.5F, 123456.8F, -98765.43F, 3.4e38F}),
                                function));
    meter.answer(4, 34,
                 RegisterAnswer(Floats({1500.0F, -200.0F, 0.0F, 0.5F, 12345.67F, 2000.0F, 999.0F,
                                        49.98F, 1234567.0F, 0.0F, 0.125F}),
                                function));
    meter.answer(4, 56, RegisterAnswer(Floats({65535.0F}), function));
    meter.answer(1, 0, SwitchAnswer(1, 0x05));
    meter.answer(2, 0, SwitchAnswer(2, 0x0A));
}

void AnswerSecondary(ScriptedMeter& meter, int function = 4) {
    meter.answer(4, 70,
                 RegisterAnswer(Words({0x8000, 0xFFFF, 0,      2205,   2200,   1,      5000, 1,
                                       0x7FFF, 0xFFFF, 0,      1234,   32767,  0xFF38, 0,    1,
                                       0x8000, 0x1111, 0x2222, 0x3333, 0x8000, 0xFC9E, 4998}),
                                function));
    meter.answer(4, 93, RegisterAnswer(Hex("000186A080000000FFFFFFFF7FFFFFFF"), function));
    meter.answer(1, 0, SwitchAnswer(1, 0x0F));
    meter.answer(2, 0, SwitchAnswer(2, 0x00));
}

struct Rig {
    FakeSerialPort port;
    RecordingServices rec;
    RequestParameters request;
    ScriptedMeter meter;
    PanelMeterWindow form{port, rec.services(), nullptr, 4000, request};

    Rig() { meter.attach(port); }

    QString text(const char* field) const {
        return form.valueField(QString::fromLatin1(field))->text();
    }

    void act(const QString& token) {
        if (token == "open" || token == "close") {
            Ctl<PortPanel>(form, "PortPanel")->onOpenCloseClicked();
        } else if (token == "c1") {
            form.onPrimaryClicked();
        } else if (token == "c4") {
            form.onSecondaryClicked();
        } else if (token == "com3") {
            Ctl<PanelComboBox>(form, "Combo4")->setCurrentIndex(2);
            Ctl<PortPanel>(form, "PortPanel")->onPortPicked();
        } else if (token == "lose") {
            port.loseDevice();
        } else if (token == "failopen") {
            port.failOpen = PortError{PortError::Kind::NoSuchPort, "gone"};
        } else if (token == "exit") {
            form.onExitClicked();
        } else if (token == "closewindow") {
            form.close();
        } else if (token == "tick") {
            form.onPollTimer();
        } else {
            QFAIL(qPrintable("unknown action " + token));
        }
    }
    void run(const QString& script) {
        for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
            act(token);
        }
    }

    // "caption/tag/E|D" of both acquisition buttons, the timer, and the port
    // as the port knows it and as the panel shows it.
    QString state() const {
        const auto button = [](const QPushButton* b) {
            return QStringLiteral("%1/%2/%3")
                .arg(b->text(), b->property("tag").toString(), b->isEnabled() ? "E" : "D");
        };
        const bool showsOpen =
            Ctl<StatusLamp>(form, "Shape1")->showsOpen() &&
            Ctl<QPushButton>(form, "Command3")->text() == PortPanel::closeCaption();
        const bool showsClosed =
            !Ctl<StatusLamp>(form, "Shape1")->showsOpen() &&
            Ctl<QPushButton>(form, "Command3")->text() == PortPanel::openCaption();
        const QString portState = port.isOpen() && showsOpen      ? "open"
                                  : !port.isOpen() && showsClosed ? "closed"
                                                                  : "mismatch";
        return QStringLiteral("%1 %2 timer %3 port %4")
            .arg(button(Ctl<QPushButton>(form, "Command1")),
                 button(Ctl<QPushButton>(form, "Command4")),
                 Ctl<QTimer>(form, "Timer1")->isActive() ? "on" : "off", portState);
    }
    QString messages() const {
        QStringList texts;
        for (const auto& m : rec.messages) {
            texts << m.text.section('\n', 0, 0);
        }
        return texts.join('|');
    }
};

const QString kIdleOpen = "一次数据采集/0/E 二次数据采集/0/E timer off port open";
const QString kIdleClosed = "一次数据采集/0/E 二次数据采集/0/E timer off port closed";
const QString kPrimary = "关闭一次数据采集/1/E 二次数据采集/0/D timer on port open";
const QString kSecondary = "一次数据采集/0/D 关闭二次数据采集/1/E timer on port open";

const QStringList kPrimaryFrames = {"05 04 00 0A 00 18 D1 86", "05 04 00 22 00 16 D0 4A",
                                    "05 04 00 38 00 02 F1 82", "05 01 00 00 00 04 3C 4D",
                                    "05 02 00 00 00 04 78 4D"};
const QStringList kSecondaryFrames = {"05 04 00 46 00 17 50 55", "05 04 00 5D 00 08 61 9A",
                                      "05 01 00 00 00 04 3C 4D", "05 02 00 00 00 04 78 4D"};

QStringList Written(const FakeSerialPort& port) {
    QStringList frames;
    for (const QByteArray& w : port.writes) {
        frames << QString::fromLatin1(w.toHex(' ').toUpper());
    }
    return frames;
}

QString Switches(const SwitchPanelView* view) {
    QString closed;
    for (int k = 0; k < 4; ++k) {
        closed += view->model().channelClosed(k) ? '1' : '0';
    }
    return closed;
}

// Runs one whole tick of the mode with address 5 and lets the last answer in.
void RunTick(Rig& r, const char* mode) {
    Ctl<PanelComboBox>(r.form, "Combo1")->setEditText("5");
    r.run(QStringLiteral("open %1 tick").arg(mode));
    QCoreApplication::processEvents();
}

}  // namespace

class TestPanelMeterWindow : public QObject {
    Q_OBJECT

private slots:
    // A primary tick and a secondary tick: the bytes written, in order, and
    // the pauses between them.
    void tickWrites_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("primary") << "c1" << kPrimaryFrames;
        QTest::newRow("secondary") << "c4" << kSecondaryFrames;
    }
    void tickWrites() {
        QFETCH(QString, mode);
        QFETCH(QStringList, frames);
        Rig r;
        RunTick(r, qPrintable(mode));
        QCOMPARE(Written(r.port), frames);
        QCOMPARE(r.rec.pauses, QList<int>(frames.size() - 1, 500));
        QVERIFY(r.rec.messages.isEmpty());
    }

    // The fields and switches after a whole tick of each mode.
    void tickFields_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        const QList<QPair<const char*, const char*>> primary = {
            {"UanT", "230.0"},     {"UbnT", "-001.5"},  {"UcnT", "000.0"},    {"UabT", "400.3"},
            {"UbcT", "1000000.0"}, {"UcaT", "000.0"},   {"IaT", "5.125"},     {"IbT", "0.001"},
            {"IcT", "-3.5"},       {"PaT", "123456.8"}, {"PbT", "-98765.43"}, {"PcT", "3.4E+38"},
            {"PsT", "1500"},       {"QaT", "-200"},     {"QbT", "0"},         {"QcT", "0.5"},
            {"QsT", "12345.67"},   {"SsT", "2000"},     {"PfsT", "0.999"},    {"FT", "49.98"},
            {"WPPT", "1234567"},   {"WPNT", "0"},       {"WQPT", "0.125"},    {"WQNT", "65535"}};
        const QList<QPair<const char*, const char*>> secondary = {
            {"UanT", "-3276.8"}, {"UbnT", "-0.1"},
            {"UcnT", "0"},       {"UabT", "220.5"},
            {"UbcT", "220"},     {"UcaT", "0.1"},
            {"IaT", "5"},        {"IbT", "0.001"},
            {"IcT", "32.767"},   {"PaT", "-1"},
            {"PbT", "0"},        {"PcT", "1234"},
            {"PsT", "32767"},    {"QaT", "-200"},
            {"QbT", "0"},        {"QcT", "1"},
            {"QsT", "-32768"},   {"SsT", "-32768"},
            {"PfsT", "-0.866"},  {"FT", "49.98"},
            {"WPPT", "100"},     {"WPNT", "-2147483.648"},
            {"WQPT", "-0.001"},  {"WQNT", "2147483.647"}};
        for (const auto& [field, text] : primary) {
            QTest::addRow("primary %s", field) << "c1" << field << text;
        }
        for (const auto& [field, text] : secondary) {
            QTest::addRow("secondary %s", field) << "c4" << field << text;
        }
    }
    void tickFields() {
        QFETCH(QString, mode);
        QFETCH(QString, field);
        QFETCH(QString, text);
        Rig r;
        mode == "c1" ? AnswerPrimary(r.meter) : AnswerSecondary(r.meter);
        RunTick(r, qPrintable(mode));
        QCOMPARE(r.text(qPrintable(field)), text);
        QCOMPARE(Switches(Ctl<SwitchPanelView>(r.form, "Picture1")),
                 mode == "c1" ? QString("1010") : QString("1111"));
        QCOMPARE(Switches(Ctl<SwitchPanelView>(r.form, "Picture2")),
                 mode == "c1" ? QString("0101") : QString("0000"));
    }

    // Answers with function code 3 fill the fields exactly like function 4.
    void holdingRegistersReadAlike_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("primary") << "c1";
        QTest::newRow("secondary") << "c4";
    }
    void holdingRegistersReadAlike() {
        QFETCH(QString, mode);
        const auto answer = mode == "c1" ? &AnswerPrimary : &AnswerSecondary;
        Rig four;
        answer(four.meter, 4);
        RunTick(four, qPrintable(mode));
        Rig three;
        answer(three.meter, 3);
        RunTick(three, qPrintable(mode));
        for (QLineEdit* edit : Ctl<QGroupBox>(four.form, "Frame3")->findChildren<QLineEdit*>()) {
            QVERIFY(!edit->text().isEmpty());
            QCOMPARE(three.form.valueField(edit->objectName())->text(), edit->text());
        }
    }

    // After a change of mode every field keeps the other mode's text until an
    // answer of the new mode covers it.
    void modeChangeKeepsTexts() {
        Rig r;
        AnswerPrimary(r.meter);
        RunTick(r, "c1");
        r.meter.answers.clear();
        QByteArray measurements(46, '\0');
        measurements.replace(44, 2, Be16(5000));
        r.meter.answer(4, 70, RegisterAnswer(measurements));
        r.meter.answer(4, 56, RegisterAnswer(Floats({1.0F})));
        r.run("c1 c4 tick");
        QCoreApplication::processEvents();
        QCOMPARE(r.text("UanT"), QString("0"));
        QCOMPARE(r.text("FT"), QString("50"));
        QCOMPARE(r.text("WPPT"), QString("1234567"));
        QCOMPARE(r.text("WQNT"), QString("65535"));
        QCOMPARE(Switches(Ctl<SwitchPanelView>(r.form, "Picture1")), QString("1010"));
    }

    // A switch answer moves only its panel, in either mode or none.
    void switchAnswersMoveOnlySwitches_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("idle") << "open";
        QTest::newRow("primary") << "open c1";
        QTest::newRow("secondary") << "open c4";
    }
    void switchAnswersMoveOnlySwitches() {
        QFETCH(QString, script);
        Rig r;
        r.run(script);
        r.port.deliverNow(SwitchAnswer(2, 0x09));
        QCOMPARE(Switches(Ctl<SwitchPanelView>(r.form, "Picture2")), QString("1001"));
        QCOMPARE(Switches(Ctl<SwitchPanelView>(r.form, "Picture1")), QString("0000"));
        QCOMPARE(Ctl<SwitchPanelView>(r.form, "Picture2")->stateLabels()[0]->text(),
                 QString("闭合"));
        for (QLineEdit* edit : Ctl<QGroupBox>(r.form, "Frame3")->findChildren<QLineEdit*>()) {
            QVERIFY(edit->text().isEmpty());
        }
    }

    // The two acquisition buttons, the port panel and the timer together.
    void buttons_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("messages");
        QTest::newRow("start") << "" << kIdleClosed << "";
        QTest::newRow("primary, port closed") << "c1" << kIdleClosed << "串口没有打开";
        QTest::newRow("secondary, port closed") << "c4" << kIdleClosed << "串口没有打开";
        QTest::newRow("primary") << "open c1" << kPrimary << "";
        QTest::newRow("secondary") << "open c4" << kSecondary << "";
        QTest::newRow("primary stopped") << "open c1 c1" << kIdleOpen << "";
        QTest::newRow("secondary stopped") << "open c4 c4" << kIdleOpen << "";
        QTest::newRow("disabled button") << "open c1 c4" << kPrimary << "";
        QTest::newRow("close while primary") << "open c1 close" << kIdleClosed << "";
        QTest::newRow("close while secondary") << "open c4 close" << kIdleClosed << "";
        QTest::newRow("other port while primary")
            << "open c1 com3"
            << "关闭一次数据采集/1/E 二次数据采集/0/D timer on port closed"
            << "";
        QTest::newRow("other port, then toggle")
            << "open c4 com3 c4"
            << "一次数据采集/0/D 关闭二次数据采集/1/E timer on port closed"
            << "串口没有打开";
        QTest::newRow("other port, reopened") << "open c1 com3 open" << kPrimary << "";
        QTest::newRow("close, reopen, one press") << "open c1 close open c1" << kPrimary << "";
        QTest::newRow("reopen fails") << "open failopen c1" << kIdleClosed << "无效端口号";
        QTest::newRow("device lost while primary") << "open c1 lose" << kIdleClosed << "串口已断开";
        QTest::newRow("device lost while secondary")
            << "open c4 lose" << kIdleClosed << "串口已断开";
    }
    void buttons() {
        QFETCH(QString, script);
        QFETCH(QString, state);
        QFETCH(QString, messages);
        Rig r;
        r.run(script);
        QCOMPARE(r.state(), state);
        QCOMPARE(r.messages(), messages);
        for (const auto& m : r.rec.messages) {
            QCOMPARE(m.title, QString("仪表测试"));
            QCOMPARE(m.icon, MessageIcon::Warning);
        }
        QCOMPARE(Ctl<QPushButton>(r.form, "Command1")->accessibleName(),
                 Ctl<QPushButton>(r.form, "Command1")->text());
    }

    // The start click reopens the port and sends nothing; the timer runs at
    // the given interval.
    void startReopensPort() {
        Rig r;
        r.run("open");
        r.port.calls.clear();
        r.run("c1");
        QCOMPARE(r.port.calls, (QStringList{"close", "open", "clearInput"}));
        QCOMPARE(Ctl<QTimer>(r.form, "Timer1")->interval(), 4000);
        QCOMPARE(Ctl<QTimer>(r.form, "Timer1")->timerType(), Qt::PreciseTimer);
        QCOMPARE(r.form.findChild<QTimer*>("Timer1"), Ctl<QTimer>(r.form, "Timer1"));
    }

    // Something happens in a pause of a primary tick: how many requests the
    // tick writes in all, and what the screen shows afterwards.
    void duringPause_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("pause");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("state");  // empty: the program has ended
        QTest::newRow("port closed") << "close" << 0 << 1 << kIdleClosed;
        QTest::newRow("other port")
            << "com3" << 1 << 2 << "关闭一次数据采集/1/E 二次数据采集/0/D timer on port closed";
        QTest::newRow("device lost") << "lose" << 2 << 3 << kIdleClosed;
        QTest::newRow("stopped") << "c1" << 0 << 5 << kIdleOpen;
        QTest::newRow("stopped, secondary started") << "c1 c4" << 0 << 1 << kSecondary;
        QTest::newRow("timer fires") << "tick" << 1 << 5 << kPrimary;
        QTest::newRow("exit") << "exit" << 0 << 1 << "";
        QTest::newRow("window closed") << "closewindow" << 3 << 4 << "";
    }
    void duringPause() {
        QFETCH(QString, action);
        QFETCH(int, pause);
        QFETCH(int, writes);
        QFETCH(QString, state);
        Rig r;
        r.run("open c1");
        r.rec.duringPause = [&](int index) {
            if (index == pause) {
                r.run(action);
            }
        };
        r.run("tick");
        QCoreApplication::processEvents();
        QCOMPARE(r.port.writes.size(), writes);
        QCOMPARE(r.port.calls.filter("write").size(), writes);
        if (state.isEmpty()) {
            QCOMPARE(r.rec.endProgramCalls, 1);
            QVERIFY(!r.port.isOpen());
            QVERIFY(!Ctl<QTimer>(r.form, "Timer1")->isActive());
        } else {
            QCOMPARE(r.state(), state);
            QCOMPARE(r.rec.endProgramCalls, 0);
        }
    }

    // The address list's text at the tick: what the first request is, or that
    // nothing is sent and the list is marked.
    void address_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("firstFrame");  // empty: nothing sent
        QTest::newRow("5") << "5" << kPrimaryFrames.front();
        QTest::newRow("blank, 12") << " 12"
                                   << "0C 04 00 0A 00 18 D1 1F";
        QTest::newRow("2.5 to even") << "2.5"
                                     << "02 04 00 0A 00 18 D0 31";
        QTest::newRow("255") << "255"
                             << "FF 04 00 0A 00 18 C5 DC";
        QTest::newRow("letters: broadcast") << "abc"
                                            << "00 04 00 0A 00 18 D1 D3";
        QTest::newRow("empty: broadcast") << ""
                                          << "00 04 00 0A 00 18 D1 D3";
        QTest::newRow("256") << "256"
                             << "";
        QTest::newRow("255.5 to even") << "255.5"
                                       << "";
        QTest::newRow("-1") << "-1"
                            << "";
        QTest::newRow("1e3") << "1e3"
                             << "";
        QTest::newRow("99999999999") << "99999999999"
                                     << "";
    }
    void address() {
        QFETCH(QString, text);
        QFETCH(QString, firstFrame);
        Rig r;
        r.run("open c1");
        Ctl<PanelComboBox>(r.form, "Combo1")->setEditText(text);
        r.run("tick");
        const bool refused = firstFrame.isEmpty();
        QCOMPARE(Written(r.port).value(0), firstFrame);
        QCOMPARE(Ctl<QLabel>(r.form, "StatusLabel")->text(),
                 refused ? QString("仪表地址无效") : QString());
        QCOMPARE(Ctl<PanelComboBox>(r.form, "Combo1")->styleSheet().isEmpty(), !refused);
        QVERIFY(r.rec.messages.isEmpty());
        QCOMPARE(r.state(), kPrimary);
        // Polling goes on by itself once the address is good again.
        Ctl<PanelComboBox>(r.form, "Combo1")->setEditText("7");
        r.run("tick");
        QCOMPARE(Written(r.port).mid(refused ? 0 : 5).value(0), QString("07 04 00 0A 00 18 D0 64"));
        QCOMPARE(Ctl<QLabel>(r.form, "StatusLabel")->text(), QString());
        QVERIFY(Ctl<PanelComboBox>(r.form, "Combo1")->styleSheet().isEmpty());
    }

    // The exit button and the window's close end the program once, after
    // closing the port and stopping the timer; the window stays.
    void exit_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("exit button") << "open c1 exit";
        QTest::newRow("window closed") << "open c4 closewindow";
        QTest::newRow("exit, then closed") << "open exit closewindow";
        QTest::newRow("port closed") << "exit";
    }
    void exit() {
        QFETCH(QString, script);
        auto* r = new Rig;
        QPointer<PanelMeterWindow> form(&r->form);
        r->run(script);
        QCOMPARE(r->rec.endProgramCalls, 1);
        QVERIFY(!r->port.isOpen());
        QVERIFY(!Ctl<QTimer>(r->form, "Timer1")->isActive());
        QCoreApplication::processEvents();
        QVERIFY(form);
        r->run("tick");
        QVERIFY(r->port.writes.isEmpty());
        delete r;
    }

    // The measurement frame: each field with its caption and unit at its place.
    void layout_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QPoint>("place");  // field's left and top, twips
        QTest::newRow("UanT") << "UanT"
                              << "相电压Uan"
                              << "V" << QPoint(1080, 360);
        QTest::newRow("UcnT") << "UcnT"
                              << "相电压Ucn"
                              << "V" << QPoint(1080, 1320);
        QTest::newRow("PaT") << "PaT"
                             << "有功功率Pa"
                             << "W" << QPoint(1080, 1920);
        QTest::newRow("PsT") << "PsT"
                             << "总有功率P"
                             << "W" << QPoint(1080, 3360);
        QTest::newRow("WPPT") << "WPPT"
                              << "正有功电能"
                              << "kWh" << QPoint(1080, 3840);
        QTest::newRow("UbcT") << "UbcT"
                              << "线电压Ubc"
                              << "V" << QPoint(4200, 840);
        QTest::newRow("QaT") << "QaT"
                             << "无功功率Qa"
                             << "var" << QPoint(4200, 1920);
        QTest::newRow("QsT") << "QsT"
                             << "总无功功率Q"
                             << "var" << QPoint(4200, 3360);
        QTest::newRow("WPNT") << "WPNT"
                              << "负有功电能"
                              << "kWh" << QPoint(4200, 3840);
        QTest::newRow("IcT") << "IcT"
                             << "电流Ic"
                             << "A" << QPoint(7320, 1320);
        QTest::newRow("PfsT") << "PfsT"
                              << "功率因数"
                              << "cos φ" << QPoint(7320, 1920);
        QTest::newRow("FT") << "FT"
                            << "电网频率"
                            << "Hz" << QPoint(7320, 2400);
        QTest::newRow("SsT") << "SsT"
                             << "视在功率"
                             << "VA" << QPoint(7320, 2880);
        QTest::newRow("WQPT") << "WQPT"
                              << "正无功电能"
                              << "kvarh" << QPoint(7320, 3360);
        QTest::newRow("WQNT") << "WQNT"
                              << "负无功电能"
                              << "kvarh" << QPoint(7320, 3840);
    }
    void layout() {
        QFETCH(QString, field);
        QFETCH(QString, caption);
        QFETCH(QString, unit);
        QFETCH(QPoint, place);
        Rig r;
        QLineEdit* edit = Ctl<QGroupBox>(r.form, "Frame3")->findChild<QLineEdit*>(field);
        QVERIFY(edit);
        QCOMPARE(edit->geometry(), TwipsRect(place.x(), place.y(), 1200, 270));
        QCOMPARE(edit->accessibleName(), caption);
        const auto* captionLabel =
            qobject_cast<QLabel*>(edit->parent()->findChild<QLabel*>(field + "Caption"));
        const auto* unitLabel = edit->parent()->findChild<QLabel*>(field + "Unit");
        QCOMPARE(captionLabel->text(), caption);
        QCOMPARE(unitLabel->text(), unit);
        QVERIFY(captionLabel->geometry().right() < edit->geometry().left());
        QVERIFY(unitLabel->geometry().left() > edit->geometry().right());
    }

    // Nothing in the window overlaps, every caption fits, and the widest
    // texts a field can get are readable in it.
    void readable() {
        Rig r;
        QList<QWidget*> widgets;
        for (QWidget* w :
             Ctl<QGroupBox>(r.form, "Frame3")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            widgets << w;
        }
        widgets << Ctl<QGroupBox>(r.form, "Frame3") << Ctl<QPushButton>(r.form, "Command1")
                << Ctl<QPushButton>(r.form, "Command4") << Ctl<QPushButton>(r.form, "Command2")
                << Ctl<QGroupBox>(r.form, "Frame1") << Ctl<QGroupBox>(r.form, "Frame2");
        for (QWidget* a : widgets) {
            for (QWidget* b : widgets) {
                if (a != b && a->parent() == b->parent()) {
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
                }
            }
        }
        QVERIFY(Ctl<QPushButton>(r.form, "Command1")->x() <
                Ctl<QPushButton>(r.form, "Command4")->x());
        QVERIFY(Ctl<QPushButton>(r.form, "Command4")->x() <
                Ctl<QPushButton>(r.form, "Command2")->x());
        QVERIFY(Ctl<QPushButton>(r.form, "Command1")->y() >
                Ctl<QGroupBox>(r.form, "Frame3")->geometry().bottom());
        QCOMPARE(Ctl<QPushButton>(r.form, "Command2")->text(), QString("退      出"));
        for (QLabel* label : Ctl<QGroupBox>(r.form, "Frame3")->findChildren<QLabel*>()) {
            QVERIFY2(label->wordWrap() ||
                         label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->text()));
        }
        // Wide values are set narrower until they fit; ordinary ones keep the font.
        AnswerSecondary(r.meter);
        r.meter.answer(4, 93, RegisterAnswer(Hex("00009C40800000000000FFFF80000000")));
        RunTick(r, "c4");
        QCOMPARE(r.text("WPPT"), QString("40"));
        QCOMPARE(r.text("WPNT"), QString("-2147483.648"));
        QCOMPARE(r.text("WQPT"), QString("65.535"));
        for (QLineEdit* edit : Ctl<QGroupBox>(r.form, "Frame3")->findChildren<QLineEdit*>()) {
            QVERIFY2(TextFullyVisible(edit), qPrintable(edit->objectName() + ": " + edit->text()));
        }
        QCOMPARE(r.form.valueField("WPPT")->font(), Ctl<QGroupBox>(r.form, "Frame3")->font());
        QVERIFY(r.form.valueField("WPNT")->font() != Ctl<QGroupBox>(r.form, "Frame3")->font());
        QCOMPARE(r.form.valueField("WPNT")->toolTip(), QString("-2147483.648"));
        AnswerPrimary(r.meter);
        r.meter.answer(4, 56, RegisterAnswer(Floats({-3.4028235e38F})));
        r.run("c4 c1 tick");
        QCoreApplication::processEvents();
        QCOMPARE(r.text("WQNT"), QString("-3.402823E+38"));
        QCOMPARE(r.text("WPNT"), QString("0"));
        QCOMPARE(r.form.valueField("WPNT")->font(), Ctl<QGroupBox>(r.form, "Frame3")->font());
        for (QLineEdit* edit : Ctl<QGroupBox>(r.form, "Frame3")->findChildren<QLineEdit*>()) {
            QVERIFY2(TextFullyVisible(edit), qPrintable(edit->objectName() + ": " + edit->text()));
        }
    }

    // The window around the screen: four menus above it, and 文件→退出
    // does what the exit button does.
    void menusAndExit() {
        Rig r;
        QStringList titles;
        for (const QAction* menu : r.form.menuBar()->actions()) {
            titles << menu->text();
        }
        QCOMPARE(titles, (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));
        QCOMPARE(Ctl<QAction>(r.form, "ExitAction")->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(r.form.screenArea()->size(), TwipsSize(13290, 8640));
        r.run("open c1");
        Ctl<QAction>(r.form, "ExitAction")->trigger();
        QCOMPARE(r.rec.endProgramCalls, 1);
        QVERIFY(!r.port.isOpen());
        QVERIFY(!Ctl<QTimer>(r.form, "Timer1")->isActive());
        Ctl<QAction>(r.form, "ExitAction")->trigger();
        QCOMPARE(r.rec.endProgramCalls, 1);
        QVERIFY(!Ctl<QAction>(r.form, "AboutAction")->isEnabled());  // no About box to show here

        FakeSerialPort port;
        RecordingServices rec;
        Services services = rec.services();
        QList<QWidget*> aboutFor;
        services.showAbout = [&aboutFor](QWidget* window) { aboutFor << window; };
        RequestParameters request;
        PanelMeterWindow form(port, services, nullptr, 4000, request);
        QCOMPARE(Ctl<QAction>(form, "AboutAction")->shortcut(), QKeySequence(Qt::Key_F1));
        Ctl<QAction>(form, "AboutAction")->trigger();
        QCOMPARE(aboutFor, QList<QWidget*>{&form});
    }

    // Readings in screen order: the fields row by row, then the switch
    // channels; a tick reports only what its accepted answers refreshed.
    void tickReadings() {
        Rig r;
        const QList<MonitorWindow::Reading>& readings = r.form.readings();
        QCOMPARE(readings.size(), 24 + 8);
        QCOMPARE(readings[0].key, QStringLiteral("UanT"));
        QCOMPARE(readings[0].heading, QStringLiteral("相电压Uan (V)"));
        QCOMPARE(readings[1].key, QStringLiteral("UabT"));
        QCOMPARE(readings[2].key, QStringLiteral("IaT"));
        QCOMPARE(readings[11].heading, QStringLiteral("功率因数 (cos φ)"));
        QCOMPARE(readings[24].heading, QStringLiteral("开关量输出1"));
        QCOMPARE(readings[31].heading, QStringLiteral("开关量输入4"));

        QSignalSpy spy(&r.form, &MonitorWindow::tickRead);
        AnswerPrimary(r.meter);
        r.meter.answers.remove({4, 34});
        RunTick(r, "c1");
        QCOMPARE(spy.size(), 1);
        const auto tick = spy.at(0).at(0).value<MonitorWindow::TickReadings>();
        QCOMPARE(tick.mode, QStringLiteral("一次"));
        QCOMPARE(tick.summary.requestsSent, 5);
        QCOMPARE(tick.summary.requestsAccepted, 4);
        QCOMPARE(tick.texts.value("UanT"), QStringLiteral("230.0"));
        QVERIFY(!tick.texts.contains("PsT"));
        QCOMPARE(tick.texts.value("Picture1.0"), QStringLiteral("闭合"));
        QCOMPARE(tick.texts.value("Picture1.1"), QStringLiteral("断开"));
        QCOMPARE(tick.texts.value("Picture2.1"), QStringLiteral("闭合"));
        QCOMPARE(tick.texts.size(), 12 + 1 + 8);
    }

    // A field shows its value on screen: nothing is painted in it before
    // the first answer, the value's ink after it. With METERTEST_SNAPSHOT_DIR
    // set, pictures of the window after a primary and a secondary tick are kept.
    void valuesArePainted() {
        Rig r;
        r.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r.form));
        QCOMPARE(InkWidth(r.form.valueField("UanT")), 0);
        AnswerPrimary(r.meter);
        RunTick(r, "c1");
        QVERIFY(InkWidth(r.form.valueField("UanT")) > 0);
        QVERIFY(TextFullyVisible(r.form.valueField("UanT")));
        // A value too wide for the base font would be cut off as plain text;
        // shown as a value it is fitted and shows whole.
        ValueFieldEdit* field = r.form.valueField("WQNT");
        const QString wide = QStringLiteral("-3.402823E+38");
        field->setText(wide);
        QVERIFY(!TextFullyVisible(field));
        field->showValue(wide);
        QVERIFY(TextFullyVisible(field));
        const QString dir = qEnvironmentVariable("METERTEST_SNAPSHOT_DIR");
        if (!dir.isEmpty()) {
            QVERIFY(r.form.grab().save(dir + "/form1-primary.png"));
            Rig s;
            AnswerSecondary(s.meter);
            RunTick(s, "c4");
            QVERIFY(s.form.grab().save(dir + "/form1-secondary.png"));
        }
    }
};

QTEST_MAIN(TestPanelMeterWindow)
#include "tst_panelmeterwindow.moc"
