// SPDX-License-Identifier: GPL-3.0-or-later
// The meter search against metersim on a pseudo-terminal, through the real
// serial component: it finds the meter once, at its own line settings, with
// its family; a cancelled search gives the window its port back in working
// order; a missing and a busy port are told in the dialog.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include "acquisition/meterfamily.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "link/crc16.h"
#include "monitor/portpanel.h"
#include "platform/qtserialport.h"
#include "search/metersearch.h"
#include "search/searchdialog.h"
#include "support/answers.h"
#include "support/controls.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;

namespace {

constexpr int kSearchPatienceMs = 60000;

QString Describe(const SearchFind& find) {
    QString text = QStringLiteral("%1 %2 %3%4")
                       .arg(static_cast<int>(find.kind))
                       .arg(find.address)
                       .arg(find.line.baud)
                       .arg(QLatin1Char(find.line.parity));
    if (find.family) {
        text += QLatin1Char(' ') + MeterFamilyName(*find.family);
    }
    return text;
}

SearchDialog* OpenSearchDialog(MonitorWindow& window) {
    auto* action = window.findChild<QAction*>(QStringLiteral("SearchMeterAction"));
    if (action == nullptr) {
        return nullptr;
    }
    action->trigger();
    return window.findChild<SearchDialog*>();
}

// A probe's read request.
QByteArray Read(int address, int start, int count) {
    QByteArray frame;
    for (const int byte : {address, int(kProbeFunction), start >> 8, start & 0xFF, 0, count}) {
        frame.append(static_cast<char>(byte));
    }
    return test::WithCrc(frame);
}

}  // namespace

class TestE2eSearch : public QObject {
    Q_OBJECT

public:
    explicit TestE2eSearch(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void findsTheMeterOnce_data() {
        QTest::addColumn<QString>("meter");
        QTest::addColumn<MeterKind>("family");
        QTest::newRow("panel-mount") << QStringLiteral("panel") << MeterKind::PanelMount;
        QTest::newRow("DIN-rail") << QStringLiteral("rail") << MeterKind::DinRail;
    }

    // The panel's four baud rates with no and odd parity (a pseudo-terminal
    // cannot tell even parity from none, so E would find the meter too).
    void findsTheMeterOnce() {
        QFETCH(QString, meter);
        QFETCH(MeterKind, family);

        QString failure;
        SimProcess sim(runtime_.path(), QStringLiteral("find-") + meter);
        QVERIFY2(
            sim.start(1, {"--meter", meter, "--address", "17", "--baud", "19200", "--seed", "5"},
                      &failure),
            qPrintable(failure));

        QtSerialPort port;
        MeterSearch search(port, 1,
                           SearchPlan::Make({4800, 9600, 19200, 38400}, {'N', 'O'}, 10, 20, 30));
        QSignalSpy finished(&search, &MeterSearch::finished);
        search.start();
        QVERIFY(finished.wait(kSearchPatienceMs));
        QCOMPARE(finished.at(0).at(0).value<SearchEnd>(), SearchEnd::Completed);

        QStringList described;
        for (const SearchFind& find : search.finds()) {
            described << Describe(find);
        }
        SearchFind expected = SearchFind::At(SearchFind::Kind::Meter, 17, {19200, 'N'});
        expected.family = family;
        QCOMPARE(described, QStringList{Describe(expected)});
        QVERIFY(search.finds().front().responseMs > 0);
        // Every address once per line, and the panel-only read once.
        QCOMPARE(search.readsSent(), 4 * 2 * 11 + 1);
        QVERIFY(!port.isOpen());

        // The meter heard whole requests only at its own settings, and
        // answered its own two.
        QList<QByteArray> sent{Read(17, kPanelOnlyRegister, kPanelOnlyCount)};
        for (int address = 10; address <= 20; ++address) {
            sent << Read(address, kCommonRegister, kCommonCount);
        }
        int whole = 0;
        for (const SimLogLine& heard : sim.requests()) {
            whole += sent.contains(heard.bytes) ? 1 : 0;
        }
        QCOMPARE(whole, 11 + 1);
        QCOMPARE(sim.answers().size(), 2);
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // The window's port is open at 19200 when a search starts; cancelled in
    // the middle, the port is open again with the same settings, the panel
    // shows it open, and the meter answers through it.
    void cancelLeavesThePortAsItWas() {
        QString failure;
        SimProcess sim(runtime_.path(), QStringLiteral("cancel"));
        QVERIFY2(sim.start(1, {"--address", "17", "--baud", "19200", "--seed", "6"}, &failure),
                 qPrintable(failure));

        LivePanelMonitor monitor(4000);
        PortPanel& panel = *Ctl<PortPanel>(monitor.form, "PortPanel");
        Ctl<PanelComboBox>(panel, "Combo3")->setCurrentText(QStringLiteral("19200"));
        Ctl<PanelComboBox>(panel, "Combo1")->setCurrentText(QStringLiteral("17"));
        QVERIFY(monitor.open(1));
        QCOMPARE(monitor.port.settings(), QStringLiteral("19200,N,8,1"));

        SearchDialog* dialog = OpenSearchDialog(monitor.form);
        QVERIFY(dialog != nullptr);
        Ctl<QPushButton>(dialog, "SearchStart")->click();
        QVERIFY(dialog->searching());
        QVERIFY(!monitor.port.isOpen());
        QVERIFY(WaitUntil([&] { return dialog->search()->triesDone() >= 5; }, kSearchPatienceMs));
        Ctl<QPushButton>(dialog, "SearchCancel")->click();

        QVERIFY(!dialog->searching());
        QVERIFY(monitor.port.isOpen());
        QCOMPARE(monitor.port.settings(), QStringLiteral("19200,N,8,1"));
        QCOMPARE(Ctl<QPushButton>(panel, "Command3")->text(), PortPanel::closeCaption());
        QVERIFY(panel.isEnabled());
        QVERIFY(monitor.live.messages.isEmpty());

        // The simulator tells frames apart by the silence between the bytes
        // it reads; starved of the processor, it may read the last probe's
        // garbled bytes and this request at once and take them for one bad
        // frame. A real meter hears the silence: the request is sent again.
        QSignalSpy stray(&monitor.form.acquisition(), &AcquisitionEngine::strayBytes);
        QByteArray answer;
        for (int attempt = 0; attempt < 3 && answer.size() < 7; ++attempt) {
            answer.clear();
            QVERIFY(monitor.port.write(Read(17, kCommonRegister, kCommonCount)));
            WaitUntil(
                [&] {
                    for (; !stray.isEmpty(); stray.removeFirst()) {
                        answer += stray.first().at(0).toByteArray();
                    }
                    return answer.size() >= 7;
                },
                3000);
        }
        QVERIFY(answer.size() >= 7);
        QCOMPARE(answer.left(3), QByteArray::fromHex("110402"));
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void portProblemsAreTold_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("words");
        QTest::newRow("missing") << false << QStringLiteral("com7 没有对应的设备");
        QTest::newRow("busy") << true << QStringLiteral("com7 正被其他程序占用");
    }

    void portProblemsAreTold() {
        QFETCH(bool, busy);
        QFETCH(QString, words);

        QString failure;
        SimProcess sim(runtime_.path(), QStringLiteral("busy"));
        QtSerialPort holder;
        if (busy) {
            QVERIFY2(sim.start(7, {"--seed", "7"}, &failure), qPrintable(failure));
            QVERIFY(holder.setPortNumber(7));
            QVERIFY(holder.open());
        }

        LivePanelMonitor monitor(4000);
        Ctl<PanelComboBox>(monitor.form, "Combo4")->setCurrentText(QStringLiteral("com7"));
        Ctl<PortPanel>(monitor.form, "PortPanel")->onPortPicked();
        SearchDialog* dialog = OpenSearchDialog(monitor.form);
        QVERIFY(dialog != nullptr);
        QSignalSpy ended(dialog, &SearchDialog::searchEnded);
        Ctl<QPushButton>(dialog, "SearchStart")->click();

        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).value<SearchEnd>(), SearchEnd::Failed);
        QVERIFY2(Ctl<QLabel>(dialog, "SearchNote")->text().startsWith(words),
                 qPrintable(Ctl<QLabel>(dialog, "SearchNote")->text()));
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY(!monitor.port.isOpen());
        QVERIFY(Ctl<PortPanel>(monitor.form, "PortPanel")->isEnabled());
        if (busy) {
            QVERIFY(holder.isOpen());
            (void)holder.close();
            QVERIFY2(sim.stop(&failure), qPrintable(failure));
        }
    }
};

int main(int argc, char* argv[]) {
    // The private runtime folder comes first: before the application and
    // before anything asks QStandardPaths where the comN links live.
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eSearch test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_search.moc"
