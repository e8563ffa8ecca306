// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy test window on a fake line of simulated meters: a test run
// with its buttons, the results on screen, the CSV and the PDF record read
// back; nonsense typed into the plan and position tables refused; a bad plan
// file refused with its line; every control named for accessibility.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "accuracy/accuracywindow.h"
#include "shell/busfamilies.h"
#include "simbench.h"

using namespace mt;
using namespace mt::test;

namespace {

struct Harness {
    SimBench bench{QStringLiteral("U=230 I=0 PF=1")};
    int givenBack = 0;
    std::unique_ptr<AccuracyWindow> window;

    Harness() {
        AccuracyWindow::Hooks hooks;
        hooks.portNumber = [] { return 1; };
        hooks.lineSettings = [] { return QStringLiteral("9600,N,8,1"); };
        hooks.stopAcquisition = [] { return true; };
        hooks.takePort = [] { return true; };
        hooks.givePortBack = [this](bool) {
            ++givenBack;
            return true;
        };
        hooks.busList = [] {
            return QList<BusMeter>{BusMeter{1, MeterKind::PanelMount, QStringLiteral("基准"), true},
                                   BusMeter{2, MeterKind::DinRail, QStringLiteral("2#进线"), true},
                                   BusMeter{3, MeterKind::DinRail, QStringLiteral("3#出线"), true}};
        };
        window = std::make_unique<AccuracyWindow>(hooks, AccuracyFamilies(), bench.port);
    }
};

TestPlan OnePointPlan() {
    TestPlan plan;
    plan.name = QStringLiteral("台架");
    plan.in = 10;
    TestPoint point;
    point.judged = {Quantity::Ua, Quantity::Ub, Quantity::Uc, Quantity::P};
    point.readings = 3;
    point.settleSeconds = 0;
    plan.points = {point};
    return plan;
}

QString PdfText(const QString& path) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty()) {
        return {};
    }
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

}  // namespace

class TestAccuracyWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A whole test with the window's buttons, then its record.
    void runAndRecord() {
        Harness h;
        QVERIFY(h.bench.add(MeterKind::PanelMount, 1));
        QVERIFY(h.bench.add(MeterKind::DinRail, 2, QStringLiteral("P=0.4")));
        QVERIFY(h.bench.add(MeterKind::DinRail, 3, QStringLiteral("P=1.6")));
        AccuracyWindow& w = *h.window;
        w.fromBusButton->click();  // the bus overview's list: the first is the reference
        QCOMPARE(w.positions().size(), 3);
        QVERIFY(w.positions()[0].reference);
        w.setPlan(OnePointPlan());
        w.operatorEdit->setText(QStringLiteral("张工"));
        w.temperatureEdit->setText(QStringLiteral("23 ℃"));

        w.startButton->click();
        QVERIFY(w.run().running());
        QVERIFY2(w.setPointLabel->text().contains(
                     QStringLiteral("请将标准源调到 U=230 V  I=10 A  PF=1")),
                 qPrintable(w.setPointLabel->text()));
        QVERIFY(w.continueButton->isEnabled());
        QVERIFY(h.bench.set(QStringLiteral("I=10")));
        w.continueButton->click();
        QVERIFY(QTest::qWaitFor([&] { return !w.run().running(); }, 10000));
        QCOMPARE(h.givenBack, 1);
        QCOMPARE(w.setPointLabel->text(), QStringLiteral("试验完成"));
        // Results: one row, a column per meter under test.
        QCOMPARE(w.resultTable->rowCount(), 1);
        QCOMPARE(w.resultTable->columnCount(), 6);
        QVERIFY2(w.resultTable->item(0, 4)->text().startsWith(QStringLiteral("合格")),
                 qPrintable(w.resultTable->item(0, 4)->text()));
        QVERIFY(w.resultTable->item(0, 5)->text().startsWith(QStringLiteral("不合格")));

        QTemporaryDir dir;
        QString error;
        const QStringList files = w.exportRecords(dir.path(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(files.size(), 4);  // CSV and PDF of each meter under test
        QFile csv(files[0]);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString csvText = QString::fromUtf8(csv.readAll());
        QVERIFY2(files[0].endsWith(QStringLiteral("表位02_地址2_2#进线.csv")),
                 qPrintable(files[0]));
        QVERIFY(csvText.contains(
            QStringLiteral("点,类型,设定,量,基准,读数,标准差,误差,限值,判定,读数次数")));
        QVERIFY2(csvText.contains(QStringLiteral(",P (W),")), qPrintable(csvText));
        QCOMPARE(csvText.count(QStringLiteral("\r\n")), 1 + 4);  // heading, Ua Ub Uc P
        QVERIFY(csvText.contains(QStringLiteral(",±1.00%,合格,3")));

        const QString pdf = PdfText(files[3]);
        if (pdf.isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        for (const QString& expected :
             {QStringLiteral("电能表准确度试验记录"), QStringLiteral("导轨式"),
              QStringLiteral("3#出线"), QStringLiteral("张工"), QStringLiteral("23 ℃"),
              QStringLiteral("基准表：嵌入式"), QStringLiteral("结论：不合格"),
              QStringLiteral("核验员")}) {
            QVERIFY2(pdf.contains(expected.normalized(QString::NormalizationForm_KC)),
                     qPrintable(expected + QStringLiteral(" not in:\n") + pdf));
        }
    }

    // Nonsense typed into the tables is refused and the cell shows its old
    // value again; the status line says which.
    void nonsenseInTables_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("plan kind") << "plan" << 0 << "warmup";
        QTest::newRow("plan voltage") << "plan" << 1 << "-5V";
        QTest::newRow("plan current") << "plan" << 2 << "lots";
        QTest::newRow("plan pf") << "plan" << 3 << "0.5";
        QTest::newRow("plan frequency") << "plan" << 4 << "5000";
        QTest::newRow("plan settle") << "plan" << 5 << "-1";
        QTest::newRow("plan readings") << "plan" << 6 << "0";
        QTest::newRow("plan judged") << "plan" << 7 << "P X";
        QTest::newRow("plan time") << "plan" << 8 << "soon";
        QTest::newRow("position address") << "position" << 0 << "999";
        QTest::newRow("position taken address") << "position" << 0 << "2";
        QTest::newRow("position family") << "position" << 1 << "wall-mount";
        QTest::newRow("position class") << "position" << 3 << "0.1";
        QTest::newRow("position value class") << "position" << 4 << "zero";
    }
    void nonsenseInTables() {
        QFETCH(QString, table);
        QFETCH(int, column);
        QFETCH(QString, text);
        Harness h;
        AccuracyWindow& w = *h.window;
        w.setPositions(
            {TestPosition{BusMeter{1, MeterKind::PanelMount, {}, true}, ActiveClass::C1, 0.5, true},
             TestPosition{BusMeter{2, MeterKind::DinRail, {}, true}}});
        const TestPlan planBefore = w.run().plan();
        const QList<TestPosition> positionsBefore = w.positions();
        QTableWidget* t = table == QLatin1String("plan") ? w.planTable : w.positionTable;
        const QString old = t->item(0, column)->text();
        t->item(0, column)->setText(text);
        QCOMPARE(t->item(0, column)->text(), old);
        QVERIFY2(w.statusLine->text().contains(QStringLiteral("无效")),
                 qPrintable(w.statusLine->text()));
        QCOMPARE(w.run().plan(), planBefore);
        QCOMPARE(w.positions(), positionsBefore);
    }

    // Good edits go into the plan.
    void editsTakeEffect() {
        Harness h;
        AccuracyWindow& w = *h.window;
        w.planTable->item(0, 2)->setText(QStringLiteral("2.5A"));
        QCOMPARE(w.run().plan().points[0].current, 2.5);
        QVERIFY(w.run().plan().points[0].currentAbsolute);
        QCOMPARE(w.planTable->item(0, 2)->text(), QStringLiteral("2.5A"));
    }

    // A bad plan file changes nothing and says where it is bad; a good one
    // saved by the window loads back the same.
    void planFiles() {
        Harness h;
        AccuracyWindow& w = *h.window;
        QTemporaryDir dir;
        const TestPlan before = w.run().plan();
        const QString bad = dir.filePath(QStringLiteral("bad.csv"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("MeterTest plan,1\nkind,U,I,PF,f,settle,N,judge,time\nerror,100%,5%,0.5,,,,P\n");
        file.close();
        QVERIFY(!w.loadPlan(bad));
        QVERIFY2(w.statusLine->text().contains(QStringLiteral("第 3 行")),
                 qPrintable(w.statusLine->text()));
        QCOMPARE(w.run().plan(), before);
        QVERIFY(!w.loadPlan(dir.filePath(QStringLiteral("missing.csv"))));

        w.setPlan(OnePointPlan());
        const QString good = dir.filePath(QStringLiteral("good.csv"));
        QVERIFY(w.savePlan(good));
        w.setPlan(before);
        QVERIFY(w.loadPlan(good));
        QCOMPARE(w.run().plan(), OnePointPlan());
    }

    // Starting without meters under test or without a reference says why
    // and gives the port back.
    void startRefused() {
        Harness h;
        AccuracyWindow& w = *h.window;
        w.startButton->click();
        QVERIFY(!w.run().running());
        QVERIFY2(w.statusLine->text().contains(QStringLiteral("没有基准表")),
                 qPrintable(w.statusLine->text()));
        QCOMPARE(h.givenBack, 1);
    }

    // Every control a keyboard reaches has a name for screen readers.
    void controlsNamed() {
        Harness h;
        for (QWidget* widget : h.window->findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                qobject_cast<QTableWidget*>(widget);
            if (!control || widget->focusPolicy() == Qt::NoFocus || widget->parent() == nullptr ||
                qobject_cast<QLineEdit*>(widget->parent()) ||
                qobject_cast<QAbstractSpinBox*>(widget->parent()) ||
                qobject_cast<QComboBox*>(widget->parent())) {
                continue;
            }
            if (widget->objectName().startsWith(QLatin1String("qt_"))) {
                continue;
            }
            QVERIFY2(!widget->accessibleName().isEmpty(),
                     qPrintable(widget->metaObject()->className() + QStringLiteral(" ") +
                                widget->objectName()));
        }
    }
};

QTEST_MAIN(TestAccuracyWindow)
#include "tst_accuracywindow.moc"
