// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "bus/buslist.h"
#include "bus/buspoller.h"
#include "bus/bustablemodel.h"
#include "bus/buswindow.h"
#include "csv/csvtext.h"
#include "shell/busfamilies.h"
#include "support/answers.h"
#include "support/fakeserialport.h"

using namespace mt;
using namespace mt::test;

namespace {

// A line of meters on a fake port: the addresses in `live` answer every read
// at once with data bytes of 0x01; the others stay silent.
struct Line {
    FakeSerialPort port;
    QSet<int> live;
    // Every request as "address:start", in order.
    QStringList requests;
    int outstandingAtWrite = 0;  // requests still open when a write came (must stay 0)
    int finished = 0;

    Line() {
        port.responder =
            [this](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            const int address = static_cast<quint8>(request[0]);
            const int start =
                (static_cast<quint8>(request[2]) << 8) | static_cast<quint8>(request[3]);
            requests << QStringLiteral("%1:%2").arg(address).arg(start);
            if (requests.size() - 1 != finished) {
                ++outstandingAtWrite;
            }
            if (!live.contains(address)) {
                return std::nullopt;
            }
            const int count = static_cast<quint8>(request[5]);
            return FakeSerialPort::Answer{
                {RegisterAnswer(QByteArray(2 * count, '\x01'), 4, address)}, 0};
        };
    }
    void count(BusPoller& poller) {
        QObject::connect(&poller, &BusPoller::requestFinished, &poller,
                         [this](int, const RequestRecord&) { ++finished; });
    }
};

BusMeter Panel(int address, bool enabled = true) {
    return BusMeter{address, MeterKind::PanelMount, {}, enabled};
}
BusMeter Rail(int address) {
    return BusMeter{address, MeterKind::DinRail, {}, true};
}

bool WaitForRound(BusPoller& poller, quint64 round, int timeoutMs = 10000) {
    return QTest::qWaitFor([&] { return poller.completedRound() >= round; }, timeoutMs);
}

}  // namespace

class TestBus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Imported rows: the good ones in file order, every bad one with its
    // line number and reason; nothing else is lost.
    void importRows_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("meters");    // "address/family/name/enabled" per meter
        QTest::addColumn<QString>("problems");  // "line:reason start" per bad row, ';' between
        QTest::newRow("written by the program")
            << BusListCsv({BusMeter{1, MeterKind::PanelMount, "1#进线柜", true},
                           BusMeter{7, MeterKind::DinRail, "照明, \"B\"", false}})
            << "1/嵌入式/1#进线柜/1 7/导轨式/照明, \"B\"/0"
            << "";
        QTest::newRow("by hand, no heading, short rows")
            << QByteArray("3\r\n4,,rail\r\n\r\n5,泵房,panel,no\n")
            << "3/嵌入式//1 4/导轨式//1 5/嵌入式/泵房/0"
            << "";
        QTest::newRow("bad rows") << QByteArray(
                                         "地址,名称,类型,启用\n0,a\n248,b\nx,c\n6,d,meter\n7,e,"
                                         "rail,maybe\n8,f\n8,g\n9,h,rail,是,extra\n")
                                  << "8/嵌入式/f/1"
                                  << "2:地址须为;3:地址须为;4:地址须为;5:未知的仪表类型;6:启用须为;"
                                     "8:地址 8 重复;9:列数多于";
        QTest::newRow("taken by the list already") << QByteArray("1,x\n2,y\n") << "2/嵌入式/y/1"
                                                   << "1:地址 1 重复";
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe,\x01\n", 6) << ""
                                        << "1:地址须为";
        // White space as the toolkit counts it (full-width and no-break
        // spaces too) around cells, words in any case, a signed address.
        QTest::newRow("spaces, case and signs")
            << QByteArray(
                   "ADDRESS,Name\n\xE3\x80\x80+9 ,\xC2\xA0泵房\t, RAIL ,YES\n"
                   "-3,x\n10,\"\"\"q\"\"\",导轨式电力仪表,False\n")
            << "9/导轨式/泵房/1 10/导轨式/\"q\"/0"
            << "3:地址须为";
        QTest::newRow("an unclosed quote runs to the end of its line")
            << QByteArray("11,\"a,b\n12,c\n") << "11/嵌入式/a,b/1 12/嵌入式/c/1"
            << "";
    }
    void importRows() {
        QFETCH(QByteArray, file);
        QFETCH(QString, meters);
        QFETCH(QString, problems);
        const BusListImport imported = ParseBusList(file, {Panel(1)});
        QStringList got;
        for (const BusMeter& m : imported.meters) {
            got << QStringLiteral("%1/%2/%3/%4")
                       .arg(m.address)
                       .arg(BusFamilyText(m.kind), m.name)
                       .arg(m.enabled ? 1 : 0);
        }
        // The first row of "written by the program" is address 1, which the
        // list holds: it shows up as a problem there.
        if (QByteArray(QTest::currentDataTag()) == "written by the program") {
            QCOMPARE(imported.problems.size(), 1);
            QCOMPARE(ParseBusList(file).meters.size(), 2);
            got.prepend(QStringLiteral("1/嵌入式/1#进线柜/1"));
        } else {
            QStringList gotProblems;
            for (const BusListProblem& p : imported.problems) {
                gotProblems << QStringLiteral("%1:%2").arg(p.line).arg(p.reason);
            }
            const QStringList wanted = problems.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            QCOMPARE(gotProblems.size(), wanted.size());
            for (int i = 0; i < wanted.size(); ++i) {
                QVERIFY2(gotProblems[i].startsWith(wanted[i]), qPrintable(gotProblems[i]));
            }
        }
        QCOMPARE(got.join(QLatin1Char(' ')), meters);
    }

    // The written list reads back as it was.
    void listRoundTrip() {
        const QList<BusMeter> meters = {BusMeter{12, MeterKind::DinRail, " 2#出线 ", true},
                                        BusMeter{3, MeterKind::PanelMount, "a,\"b\"", false}};
        const QByteArray csv = BusListCsv(meters);
        QVERIFY(csv.startsWith(CsvByteOrderMark()));
        QVERIFY(csv.contains("地址,名称,类型,启用\r\n"));
        QList<BusMeter> back = ParseBusList(csv).meters;
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].name, QStringLiteral("2#出线"));  // blanks around a name are dropped
        back[0].name = meters[0].name;
        QCOMPARE(back, meters);
    }

    // Round robin in list order, each family's reads, disabled meters
    // skipped, and never two requests outstanding.
    void pollsInOrder() {
        Line line;
        line.live = {1, 7};
        BusPoller poller(line.port, MeasurementFamilies());
        line.count(poller);
        poller.setMeters({Panel(1), Rail(7), Panel(3, false)});
        QVERIFY(poller.start(1, "9600,N,8,1").ok());
        QVERIFY(WaitForRound(poller, 2));
        poller.stop();
        QCOMPARE(line.requests.mid(0, 8),
                 QStringList({"1:10", "1:34", "7:70", "7:93", "1:10", "1:34", "7:70", "7:93"}));
        QCOMPARE(line.outstandingAtWrite, 0);
        QCOMPARE(poller.meters()[0].state, BusState::Online);
        QCOMPARE(poller.meters()[2].state, BusState::Disabled);
        QCOMPARE(poller.meters()[1].counts.accepted, qint64(poller.meters()[1].counts.requests));
        QVERIFY(!line.port.isOpen());  // stop closes the port
    }

    // A dead meter goes offline after three failed requests, costs nothing
    // until its retry, and comes back when it answers again; its values are
    // then stale (greyed) in the table until they come again.
    void deadMeterGoesOfflineAndComesBack() {
        Line line;
        line.live = {1, 2, 3};
        BusPoller poller(line.port, MeasurementFamilies());
        line.count(poller);
        poller.setFirstMarginMs(20);
        poller.setRetryMs(400);
        poller.setMeters({Panel(1), Rail(2), Panel(3)});
        BusTableModel model(poller);
        QVERIFY(poller.start(1, "9600,N,8,1").ok());
        QVERIFY(WaitForRound(poller, 1));
        QVERIFY(model.fresh(1, BusTableModel::IaColumn));
        QVERIFY(!model.valueText(1, BusTableModel::VoltageColumn).isEmpty());

        line.live.remove(2);
        const quint64 died = poller.round() + 1;
        QVERIFY(WaitForRound(poller, died + 2));
        QCOMPARE(poller.meters()[1].state, BusState::Offline);
        QCOMPARE(poller.meters()[1].counts.noAnswer, qint64(3));
        QVERIFY(!model.fresh(1, BusTableModel::IaColumn));
        QVERIFY(model.fresh(0, BusTableModel::IaColumn));
        QVERIFY(model.index(1, 0).data(BusTableModel::kOfflineRole).toBool());
        // While offline, rounds only ask the others.
        const qsizetype before = line.requests.size();
        const quint64 round = poller.round();
        QVERIFY(WaitForRound(poller, round + 1));
        const QStringList offlineRound = line.requests.mid(before);
        QVERIFY(!offlineRound.filter(QRegularExpression("^2:")).size() ||
                offlineRound.filter(QRegularExpression("^2:")).size() == 1);

        line.live.insert(2);
        QVERIFY(
            QTest::qWaitFor([&] { return poller.meters()[1].state == BusState::Online; }, 5000));
        poller.stop();
        QCOMPARE(line.outstandingAtWrite, 0);
    }

    // A meter that answers after a while gets a margin that follows its
    // turnaround, within the limits.
    void marginFollowsTurnaround() {
        Line line;
        line.live = {1};
        BusPoller poller(line.port, MeasurementFamilies());
        poller.setMeters({Panel(1)});
        QVERIFY(poller.start(1, "9600,N,8,1").ok());
        QVERIFY(WaitForRound(poller, 3));
        poller.stop();
        const BusMeterStatus& meter = poller.meters()[0];
        QVERIFY(meter.turnaroundMs >= 0);
        QVERIFY(meter.marginMs >= BusPoller::kMinMarginMs);
        QVERIFY(meter.marginMs <= BusPoller::kMaxMarginMs);
    }

    // The filter: all, problems only, offline only.
    void filterRows() {
        Line line;
        line.live = {1};
        BusPoller poller(line.port, MeasurementFamilies());
        poller.setFirstMarginMs(10);
        poller.setMeters({Panel(1), Panel(2), Panel(3, false)});
        BusTableModel model(poller);
        BusFilterModel filter;
        filter.setSourceModel(&model);
        QVERIFY(poller.start(1, "9600,N,8,1").ok());
        QVERIFY(
            QTest::qWaitFor([&] { return poller.meters()[1].state == BusState::Offline; }, 5000));
        poller.stop();
        QCOMPARE(filter.rowCount(), 3);
        // Problems: the offline meter, and the live one whose values (all
        // registers 0x0101) make no sense as three phases.
        QVERIFY(poller.meters()[0].wiring.has_value());
        QCOMPARE(*poller.meters()[0].wiring, Verdict::Fault);
        filter.setFilter(BusFilterModel::Filter::Problems);
        QCOMPARE(filter.rowCount(), 2);
        filter.setFilter(BusFilterModel::Filter::Offline);
        QCOMPARE(filter.rowCount(), 1);
        QCOMPARE(filter.index(0, 0).data().toString(), QStringLiteral("2"));
    }

    // The window holds the port while it polls and gives it back with its
    // former state; the list is kept per port; a double-click opens the
    // meter with the panel's settings; the recording has a row per meter
    // and round.
    void windowHoldsThePortAndKeepsTheList() {
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(BusWindow::listPath(4));
        Line line;
        line.live = {1, 7};
        QStringList calls;
        int portNumber = 4;
        BusWindow::Hooks hooks;
        hooks.portNumber = [&] { return portNumber; };
        hooks.lineSettings = [] { return QStringLiteral("9600,N,8,1"); };
        hooks.stopAcquisition = [&] {
            calls << "stop";
            return true;
        };
        hooks.takePort = [&] {
            calls << "take";
            return line.port.close().ok();
        };
        hooks.givePortBack = [&](bool reopen) {
            calls << QStringLiteral("give %1").arg(reopen);
            return reopen;
        };
        std::optional<BusMeter> opened;
        hooks.openMeter = [&](const BusMeter& meter, const QString&) { opened = meter; };
        BusWindow window(hooks, MeasurementFamilies(), line.port, nullptr);
        QVERIFY(!window.startPolling());  // nothing to poll
        QCOMPARE(window.addMeters({Panel(1), Rail(7), Panel(1)}), 2);

        QTemporaryDir dir;
        const QString record = dir.filePath("bus.csv");
        QVERIFY(window.startRecording(record));
        QVERIFY(window.startPolling());
        QCOMPARE(calls, QStringList({"stop", "take"}));
        QVERIFY(WaitForRound(window.poller(), 2));
        window.openRow(1);
        QCOMPARE(calls.last(), QStringLiteral("give 0"));
        QVERIFY(opened && opened->address == 7);
        window.stopRecording();
        QFile rows(record);
        QVERIFY(rows.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = rows.readAll().split('\n');
        QVERIFY(lines.size() >= 1 + 2 * 2);
        QVERIFY(lines[1].contains(",1,,嵌入式,"));
        QVERIFY(lines[1].trimmed().endsWith("在线 正常"));

        // Kept for port 4, not for port 5.
        portNumber = 5;
        window.refresh();
        QVERIFY(window.list().isEmpty());
        portNumber = 4;
        window.refresh();
        QCOMPARE(window.list().size(), 2);

        // An import with a bad row says which line and why.
        const QString path = dir.filePath("list.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("9,新,rail\n300,x\n");
        file.close();
        window.importList(path);
        QCOMPARE(window.list().size(), 3);
        QVERIFY(window.statusLine->text().contains(QStringLiteral("第 2 行（300,x）")));
        QVERIFY(window.exportList(dir.filePath("out.csv")));
        QFile out(dir.filePath("out.csv"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), BusListCsv(window.list()));
        for (QWidget* control : window.findChildren<QWidget*>()) {
            if (control->focusPolicy() != Qt::NoFocus && !control->objectName().isEmpty() &&
                control->objectName().startsWith(QLatin1String("Bus"))) {
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
            }
        }
    }

    // Screen readers and UI automation see the table's cells, and keep
    // seeing the same cells while the overview polls: a meter's new values
    // change its cells, they do not rebuild the table.
    void tableCellsStayAccessible() {
        QFile::remove(BusWindow::listPath(4));
        Line line;
        line.live = {1, 7};
        BusWindow::Hooks hooks;
        hooks.portNumber = [] { return 4; };
        hooks.lineSettings = [] { return QStringLiteral("9600,N,8,1"); };
        hooks.stopAcquisition = [] { return true; };
        hooks.takePort = [&] { return line.port.close().ok(); };
        hooks.givePortBack = [](bool reopen) { return reopen; };
        BusWindow window(hooks, MeasurementFamilies(), line.port, nullptr);
        QCOMPARE(window.addMeters({Panel(1), Rail(7)}), 2);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* view = window.findChild<QTableView*>(QStringLiteral("BusTable"));
        QVERIFY(view != nullptr);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
        QVERIFY(table != nullptr && table->tableInterface() != nullptr);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->tableInterface()->rowCount(), 2);

        QAccessibleInterface* address = table->tableInterface()->cellAt(1, 0);
        QVERIFY(address != nullptr);
        const QAccessible::Id id = QAccessible::uniqueId(address);
        // Assistive technology forgets every cell of a table whose layout
        // changes or whose model is reset: polling must do neither while
        // the order stays.
        QSignalSpy layouts(view->model(), &QAbstractItemModel::layoutChanged);
        QSignalSpy resets(view->model(), &QAbstractItemModel::modelReset);
        QSignalSpy changes(view->model(), &QAbstractItemModel::dataChanged);
        QVERIFY(window.startPolling());
        QVERIFY(WaitForRound(window.poller(), 2));
        window.stopPolling();
        QCOMPARE(layouts.size(), 0);
        QCOMPARE(resets.size(), 0);
        QVERIFY(changes.size() > 0);

        QAccessibleInterface* again = table->tableInterface()->cellAt(1, 0);
        QCOMPARE(QAccessible::uniqueId(again), id);
        QVERIFY(again->isValid());
        QCOMPARE(again->role(), QAccessible::Cell);
        QVERIFY(!again->state().invisible);
        QCOMPARE(again->text(QAccessible::Name), QStringLiteral("7"));
        // A value cell reads as its text.
        QAccessibleInterface* state =
            table->tableInterface()->cellAt(0, BusTableModel::StateColumn);
        QCOMPARE(state->role(), QAccessible::Cell);
        QVERIFY(!state->text(QAccessible::Name).isEmpty());
    }
};

QTEST_MAIN(TestBus)
#include "tst_bus.moc"
