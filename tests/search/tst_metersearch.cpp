// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <vector>

#include "monitor/monitorwindow.h"
#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "search/metersearch.h"
#include "search/searchdialog.h"
#include "support/answers.h"
#include "support/controls.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using namespace mt::test;
using mt::test::FakeSerialPort;
using mt::test::Hex;
using mt::test::RecordingServices;
using mt::test::RegisterAnswer;
using mt::test::WithCrc;

namespace {

constexpr int kPatienceMs = 10000;

// How the meter on the fake line behaves.
enum class Behaviour {
    PanelMount,     // answers both reads
    RailException,  // register 10 is not in its map: exception 02
    RailSilent,     // a DIN-rail meter that ignores reads outside its map
    BadCrc,         // the common read's answer arrives with a wrong CRC
    OtherDevice,    // a device without register 70: exception 02 to it
    Late,           // answers the common read only after the next request went out
    Split,          // a panel-mount meter whose answers arrive in pieces
};

// A meter on the fake line: it hears only requests sent at its own
// settings and to its own address.
struct FakeMeter {
    int address = 17;
    QString settings = QStringLiteral("19200,N,8,1");
    Behaviour behaviour = Behaviour::PanelMount;

    void attach(FakeSerialPort& port) {
        port.responder =
            [this, &port](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            if (port.settings() != settings || quint8(request[0]) != address) {
                return std::nullopt;
            }
            const int start = (quint8(request[2]) << 8) | quint8(request[3]);
            QByteArray frame;
            if (start == kCommonRegister) {
                frame = behaviour == Behaviour::OtherDevice
                            ? WithCrc(QByteArray(1, char(address)) + Hex("8402"))
                            : RegisterAnswer(Hex("08FC"), 4, address);
                if (behaviour == Behaviour::BadCrc) {
                    frame[frame.size() - 1] = static_cast<char>(frame.back() ^ 0x5A);
                }
            } else if (start == kPanelOnlyRegister) {
                if (behaviour == Behaviour::RailSilent) {
                    return std::nullopt;
                }
                frame = behaviour == Behaviour::RailException
                            ? WithCrc(QByteArray(1, char(address)) + Hex("8402"))
                            : RegisterAnswer(Hex("43660000"), 4, address);
            } else {
                return std::nullopt;
            }
            FakeSerialPort::Answer answer{{frame}, 0};
            if (behaviour == Behaviour::Late) {
                answer.lateByWrites = 1;
            }
            if (behaviour == Behaviour::Split) {
                answer.chunks = {frame.left(2), frame.mid(2, 2), frame.mid(4)};
            }
            return answer;
        };
    }
};

QString Describe(const SearchFind& find) {
    static const char* const kinds[] = {"meter", "other", "bad-crc", "garbled", "late", "refused"};
    QString text = QStringLiteral("%1 %2 %3%4")
                       .arg(QLatin1String(kinds[static_cast<int>(find.kind)]))
                       .arg(find.address)
                       .arg(find.line.baud)
                       .arg(QLatin1Char(find.line.parity));
    if (find.family) {
        text += *find.family == MeterKind::PanelMount ? QStringLiteral(" panel")
                                                      : QStringLiteral(" rail");
    }
    return text;
}

// A fake port whose driver will not take even parity.
class NoEvenParityPort : public FakeSerialPort {
public:
    PortResult open() override {
        if (settings().contains(QLatin1String(",E,"))) {
            calls << QStringLiteral("open");
            return PortError{PortError::Kind::Other, QStringLiteral("Invalid argument")};
        }
        return FakeSerialPort::open();
    }
};

// A monitor window around the shared frame, with a one-read schedule.
class TestWindow : public MonitorWindow {
public:
    TestWindow(SerialPort& port, Services services, RequestParameters& request)
        : MonitorWindow(Layout{"Form1", MeterKind::PanelMount, {13290, 8640}, 7800}, port,
                        std::move(services), request, nullptr) {
        finishScreen();
    }

protected:
    std::span<const PollStep> schedule() const override { return steps_; }
    void decode(AnswerBytes /*answer*/) override {}

private:
    std::vector<PollStep> steps_{PollStep{kProbeFunction, kCommonRegister, kCommonCount, {}}};
};

// A window on a fake port whose searches get fake ports of their own, with
// one fake meter on the line they reach.
struct Bench {
    FakeSerialPort monitorPort;
    RecordingServices recorder;
    RequestParameters request;
    FakeMeter meter;
    QPointer<FakeSerialPort> searchPort;
    std::optional<PortError> failSearchOpen;
    std::unique_ptr<TestWindow> window;

    Bench() {
        Services services = recorder.services();
        services.makePort = [this]() -> std::unique_ptr<SerialPort> {
            auto port = std::make_unique<FakeSerialPort>();
            port->failOpen = failSearchOpen;
            meter.attach(*port);
            searchPort = port.get();
            return port;
        };
        window = std::make_unique<TestWindow>(monitorPort, services, request);
    }

    PortPanel& panel() { return *Ctl<PortPanel>(window, "PortPanel"); }

    SearchDialog* openDialog() {
        auto* action = window->findChild<QAction*>(QStringLiteral("SearchMeterAction"));
        if (action == nullptr) {
            return nullptr;
        }
        action->trigger();
        return window->findChild<SearchDialog*>();
    }

    // Restricts the dialog's choices.
    static void Choose(SearchDialog& dialog, const QList<int>& bauds, const QString& parities,
                       int first, int last, int timeoutMs) {
        for (const int baud : SearchDialog::kBauds) {
            const QByteArray name = "SearchBaud" + QByteArray::number(baud);
            Ctl<QCheckBox>(dialog, name.constData())->setChecked(bauds.contains(baud));
        }
        for (const char letter : {'N', 'E', 'O'}) {
            const QByteArray name = QByteArray("SearchParity") + letter;
            Ctl<QCheckBox>(dialog, name.constData())
                ->setChecked(parities.contains(QLatin1Char(letter)));
        }
        Ctl<QSpinBox>(dialog, "SearchFirstAddress")->setValue(first);
        Ctl<QSpinBox>(dialog, "SearchLastAddress")->setValue(last);
        Ctl<QSpinBox>(dialog, "SearchTimeout")->setValue(timeoutMs);
    }
};

}  // namespace

Q_DECLARE_METATYPE(Behaviour)

// The search over a line: what it finds and how it treats the port; its
// dialog on a monitor window: the window's port is left as it was, the
// port's problems are told in the dialog, and "使用" fills the panel.
class TestMeterSearch : public QObject {
    Q_OBJECT

private slots:
    void findsOnTheLine_data();
    void findsOnTheLine();
    void settingsBeforeOpeningOncePerLine();
    void aLineThePortRefusesIsSkipped();
    void cancelLeavesThePortAsItWas_data();
    void cancelLeavesThePortAsItWas();
    void portProblemsAreToldInTheDialog_data();
    void portProblemsAreToldInTheDialog();
    void useFillsThePanel();
};

void TestMeterSearch::findsOnTheLine_data() {
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<QStringList>("finds");

    QTest::newRow("panel-mount") << Behaviour::PanelMount
                                 << QStringList{QStringLiteral("meter 17 19200N panel")};
    QTest::newRow("DIN-rail, exception 02")
        << Behaviour::RailException << QStringList{QStringLiteral("meter 17 19200N rail")};
    QTest::newRow("DIN-rail, silent")
        << Behaviour::RailSilent << QStringList{QStringLiteral("meter 17 19200N rail")};
    QTest::newRow("answers in pieces")
        << Behaviour::Split << QStringList{QStringLiteral("meter 17 19200N panel")};
    QTest::newRow("wrong CRC") << Behaviour::BadCrc
                               << QStringList{QStringLiteral("bad-crc 17 19200N")};
    QTest::newRow("another device")
        << Behaviour::OtherDevice << QStringList{QStringLiteral("other 17 19200N")};
    // Its answer comes while address 18 is being tried.
    QTest::newRow("late answer") << Behaviour::Late
                                 << QStringList{QStringLiteral("late 17 19200N")};
}

void TestMeterSearch::findsOnTheLine() {
    QFETCH(Behaviour, behaviour);
    QFETCH(QStringList, finds);

    FakeSerialPort port;
    FakeMeter meter;
    meter.behaviour = behaviour;
    meter.attach(port);
    MeterSearch search(port, 3, SearchPlan::Make({9600, 19200, 38400}, {'N', 'O'}, 15, 19, 5));
    QSignalSpy finished(&search, &MeterSearch::finished);
    QSignalSpy progressed(&search, &MeterSearch::progressed);
    search.start();
    QVERIFY(finished.wait(kPatienceMs));

    QCOMPARE(finished.at(0).at(0).value<SearchEnd>(), SearchEnd::Completed);
    QStringList described;
    for (const SearchFind& find : search.finds()) {
        described << Describe(find);
    }
    QCOMPARE(described, finds);
    QCOMPARE(search.triesDone(), 3 * 2 * 5);
    QVERIFY(!port.isOpen());
    // One progress report before each try, one at the end.
    QCOMPARE(progressed.size(), 3 * 2 * 5 + 1);
    const auto last = progressed.last().at(0).value<SearchProgress>();
    QCOMPARE(last.done, last.total);
    QCOMPARE(last.msLeft, qint64(0));
}

void TestMeterSearch::settingsBeforeOpeningOncePerLine() {
    FakeSerialPort port;
    FakeMeter meter;
    meter.attach(port);
    MeterSearch search(port, 3, SearchPlan::Make({4800, 19200}, {'N', 'E'}, 16, 18, 5));
    QSignalSpy finished(&search, &MeterSearch::finished);
    search.start();
    QVERIFY(finished.wait(kPatienceMs));

    // Each line: settings, then open; never settings on an open port.
    QStringList lineCalls;
    for (const QString& call : port.calls) {
        if (call.startsWith(QLatin1String("settings=")) || call == QLatin1String("open")) {
            lineCalls << call;
        }
    }
    QCOMPARE(lineCalls,
             (QStringList{"settings=4800,N,8,1", "open", "settings=4800,E,8,1", "open",
                          "settings=19200,N,8,1", "open", "settings=19200,E,8,1", "open"}));
    // Twelve common reads and the one panel-only read of the meter at 17.
    QCOMPARE(port.writes.size(), 13);
    QCOMPARE(search.readsSent(), 13);
    const QByteArray panelOnly = port.writes.at(8);
    QCOMPARE(panelOnly.left(6), Hex("1104000A0002"));
}

void TestMeterSearch::aLineThePortRefusesIsSkipped() {
    NoEvenParityPort port;
    FakeMeter meter;
    meter.attach(port);
    MeterSearch search(port, 3, SearchPlan::Make({9600, 19200}, {'N', 'E'}, 16, 18, 5));
    QSignalSpy finished(&search, &MeterSearch::finished);
    search.start();
    QVERIFY(finished.wait(kPatienceMs));

    QCOMPARE(finished.at(0).at(0).value<SearchEnd>(), SearchEnd::Completed);
    QStringList described;
    for (const SearchFind& find : search.finds()) {
        described << Describe(find);
    }
    QCOMPARE(described,
             (QStringList{"refused 0 9600E", "meter 17 19200N panel", "refused 0 19200E"}));
    QCOMPARE(search.finds().front().detail, QStringLiteral("Invalid argument"));
    QCOMPARE(search.triesDone(), 12);
    QCOMPARE(port.writes.size(), 3 + 3 + 1);
}

void TestMeterSearch::cancelLeavesThePortAsItWas_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("acquiring");

    QTest::newRow("open, acquisition running") << true << true;
    QTest::newRow("open, idle") << true << false;
    QTest::newRow("closed") << false << false;
}

void TestMeterSearch::cancelLeavesThePortAsItWas() {
    QFETCH(bool, open);
    QFETCH(bool, acquiring);

    Bench b;
    PortPanel& panel = b.panel();
    Ctl<PanelComboBox>(panel, "Combo4")->setCurrentIndex(2);
    emit Ctl<PanelComboBox>(panel, "Combo4")->activated(2);
    Ctl<PanelComboBox>(panel, "Combo3")->setCurrentIndex(2);  // 19200
    Ctl<PanelComboBox>(panel, "Combo5")->setCurrentIndex(1);  // E
    if (open) {
        panel.onOpenCloseClicked();
        QVERIFY(b.monitorPort.isOpen());
    }
    if (acquiring) {
        b.window->onPrimaryClicked();
        QVERIFY(b.window->acquisition().state().primary.running);
    }
    const QString settings = b.monitorPort.settings();

    SearchDialog* dialog = b.openDialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    // Every address at the panel's four baud rates and all parities.
    Ctl<QPushButton>(dialog, "SearchStart")->click();
    QVERIFY(dialog->searching());
    QVERIFY(!b.monitorPort.isOpen());
    QCOMPARE(Ctl<QPushButton>(panel, "Command3")->text(), PortPanel::openCaption());
    QVERIFY(!panel.isEnabled());
    QVERIFY(!b.window->acquisition().state().anyRunning());
    QCOMPARE(Ctl<QLabel>(dialog, "SearchNote")->text().contains(QStringLiteral("数据采集已停止")),
             acquiring);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->search()->triesDone() >= 3, kPatienceMs);
    QVERIFY(b.searchPort->isOpen());
    QCOMPARE(b.searchPort->portNumber(), 3);

    b.monitorPort.calls.clear();
    Ctl<QPushButton>(dialog, "SearchCancel")->click();
    QVERIFY(!dialog->searching());
    QVERIFY(!b.searchPort->isOpen());
    QCOMPARE(b.monitorPort.isOpen(), open);
    QCOMPARE(b.monitorPort.settings(), settings);
    QCOMPARE(b.monitorPort.portNumber(), 3);
    // Opened again as it was: no new settings on the way.
    QCOMPARE(b.monitorPort.calls, open ? (QStringList{"close", "open"}) : QStringList());
    QVERIFY(panel.isEnabled());
    QCOMPARE(Ctl<QPushButton>(panel, "Command3")->text(),
             open ? PortPanel::closeCaption() : PortPanel::openCaption());
    QCOMPARE(Ctl<StatusLamp>(panel, "Shape1")->accessibleDescription(),
             open ? QStringLiteral("串口已打开") : QStringLiteral("串口已关闭"));
    QCOMPARE(panel.settingsText(), QStringLiteral("19200,E,8,1"));
    QCOMPARE(Ctl<QLabel>(dialog, "SearchProgressLine")->text(), QStringLiteral("搜索已取消。"));
    QVERIFY(Ctl<QPushButton>(dialog, "SearchStart")->isEnabled());
    QVERIFY(b.recorder.messages.isEmpty());
    // The search's port goes once the events have run.
    QTRY_VERIFY(b.searchPort.isNull());

    // The menu shows the same dialog again.
    QCOMPARE(b.openDialog(), dialog);
    QCOMPARE(b.window->findChildren<SearchDialog*>().size(), 1);
}

void TestMeterSearch::portProblemsAreToldInTheDialog_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("words");

    QTest::newRow("missing") << int(PortError::Kind::NoSuchPort)
                             << QStringLiteral("com1 没有对应的设备");
    QTest::newRow("busy") << int(PortError::Kind::PortInUse)
                          << QStringLiteral("com1 正被其他程序占用");
    QTest::newRow("no permission")
        << int(PortError::Kind::NoPermission) << QStringLiteral("com1 不允许本用户打开");
}

void TestMeterSearch::portProblemsAreToldInTheDialog() {
    QFETCH(int, kind);
    QFETCH(QString, words);

    Bench b;
    b.failSearchOpen = PortError{static_cast<PortError::Kind>(kind), QStringLiteral("os words")};
    b.panel().onOpenCloseClicked();
    SearchDialog* dialog = b.openDialog();
    QVERIFY(dialog != nullptr);
    QSignalSpy ended(dialog, &SearchDialog::searchEnded);
    Ctl<QPushButton>(dialog, "SearchStart")->click();

    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).value<SearchEnd>(), SearchEnd::Failed);
    QVERIFY2(Ctl<QLabel>(dialog, "SearchNote")->text().startsWith(words),
             qPrintable(Ctl<QLabel>(dialog, "SearchNote")->text()));
    if (kind == int(PortError::Kind::NoPermission)) {
        QVERIFY(Ctl<QLabel>(dialog, "SearchNote")->text().contains(QStringLiteral("dialout")));
    }
    QVERIFY(Ctl<QLabel>(dialog, "SearchNote")
                ->text()
                .contains(QStringLiteral("串口已按原设置重新打开")));
    QCOMPARE(Ctl<QLabel>(dialog, "SearchNote")->toolTip(), QStringLiteral("os words"));
    QVERIFY(Ctl<QLabel>(dialog, "SearchProgressLine")->text().startsWith(words));
    // Told in the dialog, never in a box; the window has its port back.
    QVERIFY(b.recorder.messages.isEmpty());
    QVERIFY(b.monitorPort.isOpen());
    QCOMPARE(Ctl<QPushButton>(b.panel(), "Command3")->text(), PortPanel::closeCaption());
    QVERIFY(b.panel().isEnabled());
    QVERIFY(Ctl<QPushButton>(dialog, "SearchStart")->isEnabled());
}

void TestMeterSearch::useFillsThePanel() {
    Bench b;
    b.meter.behaviour = Behaviour::RailException;
    b.meter.settings = QStringLiteral("57600,E,8,1");
    b.panel().onOpenCloseClicked();
    SearchDialog* dialog = b.openDialog();
    QVERIFY(dialog != nullptr);
    Bench::Choose(*dialog, {9600, 57600}, QStringLiteral("NE"), 16, 18, 5);
    QSignalSpy ended(dialog, &SearchDialog::searchEnded);
    Ctl<QPushButton>(dialog, "SearchStart")->click();
    QVERIFY(ended.wait(kPatienceMs));

    QCOMPARE(Ctl<QTableWidget>(dialog, "SearchResults")->rowCount(), 1);
    QCOMPARE(Ctl<QTableWidget>(dialog, "SearchResults")->item(0, 0)->text(), QStringLiteral("17"));
    QCOMPARE(Ctl<QTableWidget>(dialog, "SearchResults")->item(0, 3)->text(),
             QStringLiteral("导轨式电力仪表（非本窗口类型）"));
    QVERIFY(Ctl<QPushButton>(dialog, "SearchUse")->isEnabled());
    Ctl<QPushButton>(dialog, "SearchUse")->click();

    PortPanel& panel = b.panel();
    QCOMPARE(panel.addressText(), QStringLiteral("17"));
    QCOMPARE(panel.settingsText(), QStringLiteral("57600,E,8,1"));
    // The open port was opened again with what was found.
    QVERIFY(b.monitorPort.isOpen());
    QCOMPARE(b.monitorPort.settings(), QStringLiteral("57600,E,8,1"));
    QVERIFY(Ctl<QLabel>(dialog, "SearchNote")->text().contains(QStringLiteral("导轨式电力仪表")));
    QVERIFY(
        Ctl<QLabel>(dialog, "SearchNote")->text().contains(QStringLiteral("嵌入式多功能电力仪表")));
    QVERIFY(b.recorder.messages.isEmpty());
}

QTEST_MAIN(TestMeterSearch)
#include "tst_metersearch.moc"
