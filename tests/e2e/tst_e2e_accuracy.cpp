// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy test end to end: the window on the real serial component,
// through a pseudo-terminal, against a metersim bench whose meters carry
// known errors and follow one source set through its control file. Both
// families: every error found to its resolution, the out-of-class meter
// 不合格, the others 合格, in the window, the CSV and the PDF.

#include <QApplication>
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
#include "drive/simdriver.h"
#include "platform/qtserialport.h"
#include "shell/busfamilies.h"
#include "support/fakeserialport.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;

namespace {

constexpr int kCom = 11;

TestPlan BenchPlan() {
    TestPlan plan;
    plan.name = QStringLiteral("台架");
    plan.in = 10;
    plan.imax = 60;
    TestPoint rated;
    rated.judged = *ReadJudged(QStringLiteral("U I P PF F"));
    rated.readings = 3;
    rated.settleSeconds = 1;
    TestPoint imax;
    ReadCurrent(QStringLiteral("Imax"), imax);
    imax.pf = *PowerFactorOf(QStringLiteral("0.5L"));
    imax.judged = *ReadJudged(QStringLiteral("P Q"));
    imax.readings = 3;
    imax.settleSeconds = 1;
    TestPoint creep;
    creep.kind = PointKind::Creep;
    creep.voltage = 1.15;
    creep.settleSeconds = 1;
    creep.seconds = 3;
    plan.points = {rated, imax, creep};
    return plan;
}

TestPosition Position(int address, MeterKind kind, bool reference = false) {
    TestPosition p;
    p.meter = BusMeter{address, kind, QStringLiteral("%1号").arg(address), true};
    p.reference = reference;
    return p;
}

bool Found(const AccuracyRun& run, int point, int position, Quantity q, double expected) {
    const auto& j =
        run.results().at(point).positions.at(position).quantities[static_cast<std::size_t>(q)];
    if (!j || !j->error) {
        qWarning() << "no error for" << QuantityCode(q) << "at" << point << position;
        return false;
    }
    const bool ok = std::abs(*j->error - expected) <= j->errorResolution + 1e-6;
    if (!ok) {
        qWarning() << QuantityCode(q) << *j->error << "expected" << expected << "±"
                   << j->errorResolution;
    }
    return ok;
}

}  // namespace

class TestE2eAccuracy : public QObject {
    Q_OBJECT

public:
    explicit TestE2eAccuracy(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() {
        QVERIFY(runtime_.valid());
        QStandardPaths::setTestModeEnabled(true);
    }

    void benchOfBothFamilies() {
        const QString sourceFile = runtime_.file(QStringLiteral("source.txt"));
        auto setSource = [&](const QString& point) {
            QFile file(sourceFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(point.toUtf8() + '\n');
        };
        setSource(QStringLiteral("U=230 I=0 PF=1"));
        SimProcess sim(runtime_.path(), QStringLiteral("accuracy"));
        QString failure;
        QVERIFY2(
            sim.start(
                kCom,
                {"--source-file", sourceFile, "--meter",   "panel", "--address", "1",
                 "--meter",       "panel",    "--address", "2",     "--error",   "P=0.3,PF=-0.003",
                 "--meter",       "rail",     "--address", "3",     "--error",   "P=-0.5,I=0.2",
                 "--meter",       "rail",     "--address", "4",     "--error",   "P=1.8"},
                &failure),
            qPrintable(failure));

        FakeSerialPort monitorPort;
        int givenBack = 0;
        AccuracyWindow::Hooks hooks;
        hooks.portNumber = [] { return kCom; };
        hooks.lineSettings = [] { return QStringLiteral("9600,N,8,1"); };
        hooks.stopAcquisition = [] { return true; };
        hooks.takePort = [] { return true; };
        hooks.givePortBack = [&](bool) {
            ++givenBack;
            return true;
        };
        AccuracyWindow window(hooks, AccuracyFamilies(), monitorPort,
                              std::make_unique<QtSerialPort>());
        window.setPositions({Position(1, MeterKind::PanelMount, true),
                             Position(2, MeterKind::PanelMount), Position(3, MeterKind::DinRail),
                             Position(4, MeterKind::DinRail)});
        window.setPlan(BenchPlan());
        window.operatorEdit->setText(QStringLiteral("李工"));
        window.startButton->click();
        QVERIFY2(window.run().running(), qPrintable(window.statusLine->text()));

        // The engineer: sets the source as the window asks, then 继续.
        const AccuracyRun& run = window.run();
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (run.phase() == AccuracyRun::Phase::Waiting) {
                    const SetValues set = run.results().at(run.currentPoint()).set;
                    setSource(
                        QStringLiteral("U=%1 I=%2 PF=%3")
                            .arg(set.u)
                            .arg(set.i)
                            .arg(PowerFactorText(run.plan().points.at(run.currentPoint()).pf)));
                    window.continueButton->click();
                }
                return !run.running();
            },
            90000));
        QCOMPARE(run.phase(), AccuracyRun::Phase::Finished);
        QCOMPARE(givenBack, 1);

        // 100 % In at cos φ 1.
        QVERIFY(Found(run, 0, 1, Quantity::P, 0.3));
        QVERIFY(std::abs(*run.results()[0]
                              .positions[1]
                              .quantities[static_cast<std::size_t>(Quantity::PF)]
                              ->error +
                         0.003) < 1e-6);
        QVERIFY(Found(run, 0, 2, Quantity::P, -0.5));
        QVERIFY(Found(run, 0, 2, Quantity::Ia, 0.2));
        QVERIFY(Found(run, 0, 2, Quantity::Ua, 0));
        QVERIFY(Found(run, 0, 3, Quantity::P, 1.8));
        // Imax at 0.5L.
        QVERIFY(Found(run, 1, 1, Quantity::P, 0.3));
        QVERIFY(Found(run, 1, 2, Quantity::P, -0.5));
        QVERIFY(Found(run, 1, 3, Quantity::P, 1.8));
        QVERIFY(Found(run, 1, 3, Quantity::Q, 0));
        for (int point = 0; point < 3; ++point) {
            QCOMPARE(run.results()[point].state, PointState::Done);
        }
        // Creep: nobody's register moves.
        for (int position = 1; position < 4; ++position) {
            QCOMPARE(run.results()[2].positions[position].registerVerdict,
                     std::optional(AccuracyVerdict::Pass));
        }
        QCOMPARE(OverallVerdict(run, 1), std::optional(AccuracyVerdict::Pass));
        QCOMPARE(OverallVerdict(run, 2), std::optional(AccuracyVerdict::Pass));
        QCOMPARE(OverallVerdict(run, 3), std::optional(AccuracyVerdict::Fail));
        // The window says the same.
        QVERIFY(window.resultTable->item(0, 4)->text().startsWith(QStringLiteral("合格")));
        QVERIFY(window.resultTable->item(0, 5)->text().startsWith(QStringLiteral("合格")));
        QVERIFY(window.resultTable->item(0, 6)->text().startsWith(QStringLiteral("不合格")));

        // The record: a CSV and a PDF per meter under test.
        QTemporaryDir dir;
        QString error;
        const QStringList files = window.exportRecords(dir.path(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(files.size(), 6);
        QFile csv(files[2]);  // address 3
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString csvText = QString::fromUtf8(csv.readAll());
        QVERIFY(csvText.contains(QStringLiteral(",I=10 A ")) ||
                csvText.contains(QStringLiteral("I=10 A")));
        QVERIFY2(csvText.contains(QStringLiteral(",Ia (A),10,10.02,0,0.200%,±0.50%,合格,3")),
                 qPrintable(csvText));
        QVERIFY(csvText.contains(QStringLiteral(",不走字,合格,")));
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (tool.isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        for (const int k : {1, 5}) {  // address 2 (panel-mount) and 4 (DIN-rail)
            QProcess process;
            process.start(tool, {QStringLiteral("-layout"), files[k], QStringLiteral("-")});
            QVERIFY(process.waitForFinished(20000));
            const QString pdf = QString::fromUtf8(process.readAllStandardOutput())
                                    .normalized(QString::NormalizationForm_KC);
            const QString verdict =
                k == 1 ? QStringLiteral("结论：合格") : QStringLiteral("结论：不合格");
            for (const QString& expected :
                 {QStringLiteral("电能表准确度试验记录"), QStringLiteral("李工"), verdict,
                  k == 1 ? QStringLiteral("0.300%") : QStringLiteral("1.739%")}) {
                QVERIFY2(pdf.contains(expected.normalized(QString::NormalizationForm_KC)),
                         qPrintable(expected + QStringLiteral(" not in:\n") + pdf));
            }
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eAccuracy test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_accuracy.moc"
