// SPDX-License-Identifier: GPL-3.0-or-later
// The bus overview against one metersim line with eight meters of both
// families, through the real serial component: every live meter's values as
// it sent them, the dead one offline within three rounds, the others' rounds
// near their line time. And a meter slower than the DIN-rail screen's wait:
// its answers count late, and the hint says so.

#include <QApplication>
#include <QLabel>
#include <QtTest>

#include "acquisition/answerbytes.h"
#include "bus/buspoller.h"
#include "bus/busreads.h"
#include "diagnostics/linediagnostics.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "e2etools.h"
#include "link/answercheck.h"
#include "platform/portmap.h"
#include "platform/qtserialport.h"
#include "shell/busfamilies.h"

using namespace mt;
using namespace mt::test;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kCom = 9;

// The field texts of the last answer the simulator sent to `address` for
// `step` with a right CRC.
QHash<QString, QString> LastSentTexts(const SimProcess& sim, int address, MeterKind kind,
                                      const PollStep& step) {
    QHash<QString, QString> texts;
    const BusFamilies families = MeasurementFamilies();
    for (const SimLogLine& answer : sim.answers()) {
        const QByteArray& bytes = answer.bytes;
        if (bytes.size() < 3 || static_cast<quint8>(bytes[0]) != address) {
            continue;
        }
        if (CheckAnswer(BytesOf(bytes), step.function, step.count).outcome !=
            AnswerOutcome::Accepted) {
            continue;
        }
        texts.clear();
        for (const FieldText& text : families.of(kind).decode(BytesOf(bytes))) {
            texts.insert(
                QString::fromLatin1(text.field.data(), static_cast<qsizetype>(text.field.size())),
                QString::fromStdString(text.text));
        }
    }
    return texts;
}

}  // namespace

class TestE2eBus : public QObject {
    Q_OBJECT

public:
    explicit TestE2eBus(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;

private slots:
    void initTestCase() { QVERIFY(runtime_.valid()); }

    void eightMetersOnOneLine() {
        SimProcess sim(runtime_.path(), QStringLiteral("bus"));
        QString failure;
        const QStringList options = {
            "--seed",  "81",    "--meter",   "panel", "--address",    "1",  //
            "--meter", "rail",  "--address", "2",                           //
            "--meter", "panel", "--address", "3",     "--fault-drop", "1",  // dead
            "--meter", "rail",  "--address", "4",     "--wiring",     "reverse-ct=b",
            "--meter", "panel", "--address", "5",     "--turnaround", "150",  // slow
            "--meter", "rail",  "--address", "6",     "--fault-crc",  "0.3",  // faulty
            "--meter", "panel", "--address", "7",     "--turnaround", "20",
            "--meter", "rail",  "--address", "8"};
        QVERIFY2(sim.start(kCom, options, &failure), qPrintable(failure));

        QtSerialPort port;
        BusPoller poller(port, MeasurementFamilies());
        QList<BusMeter> meters;
        for (int address = 1; address <= 8; ++address) {
            meters << BusMeter{address,
                               address % 2 == 1 ? MeterKind::PanelMount : MeterKind::DinRail,
                               QStringLiteral("%1#柜").arg(address), true};
        }
        poller.setMeters(meters);
        const BusFamilies families = MeasurementFamilies();
        quint64 offlineIn = 0;
        QList<double> rounds;  // round time over its limit, once the dead meter rests
        QObject::connect(
            &poller, &BusPoller::roundFinished, &poller, [&](quint64 round, qint64 ms) {
                if (offlineIn == 0 && poller.meters()[2].state == BusState::Offline) {
                    offlineIn = round;
                }
                if (offlineIn != 0 && round > offlineIn && poller.lastRoundLimitMs() > 0) {
                    rounds << ms / poller.lastRoundLimitMs();
                }
            });
        // Stopped as the sixth round ends, before the next one sends anything.
        QObject::connect(&poller, &BusPoller::roundFinished, &poller, [&](quint64 round) {
            if (round == 6) {
                poller.stop();
            }
        });
        QVERIFY(poller.start(kCom, QStringLiteral("9600,N,8,1")).ok());
        QVERIFY(QTest::qWaitFor([&] { return !poller.running(); }, 60000));
        QTest::qWait(300);  // answers still on the line are logged

        QVERIFY2(offlineIn >= 1 && offlineIn <= 3, qPrintable(QString::number(offlineIn)));
        QCOMPARE(poller.meters()[2].counts.accepted, qint64(0));
        for (int i = 0; i < 8; ++i) {
            const BusMeterStatus& meter = poller.meters()[i];
            if (i == 2) {
                continue;
            }
            QCOMPARE(meter.state, BusState::Online);
            // What the table holds is what the meter last sent, read by read.
            for (const PollStep& step : families.of(meter.meter.kind).reads) {
                const QHash<QString, QString> sent =
                    LastSentTexts(sim, meter.meter.address, meter.meter.kind, step);
                QVERIFY(!sent.isEmpty());
                for (auto it = sent.begin(); it != sent.end(); ++it) {
                    QCOMPARE(meter.texts.value(it.key()), it.value());
                }
            }
        }
        QVERIFY(poller.meters()[5].counts.badCrc > 0);   // the faulty one
        QVERIFY(poller.meters()[4].turnaroundMs > 100);  // the slow one, measured
        QVERIFY(poller.meters()[3].wiring.value_or(Verdict::Normal) != Verdict::Normal);
        QVERIFY(poller.meters()[1].wiring.value_or(Verdict::Fault) == Verdict::Normal);
        // Within 1.2 times the line time, with a little room for a busy
        // machine (sanitizers, other tests beside this one); the benchmark
        // measures it on its own.
        QVERIFY(!rounds.isEmpty());
        for (const double share : rounds) {
            QVERIFY2(share < 1.5, qPrintable(QString::number(share)));
        }
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    // A DIN-rail meter that starts every answer 300 ms after the request,
    // polled at the screen's own rhythm: on the screen that waits 200 ms its
    // answers come a window late. Those as long as the next request's answer
    // are taken for it, the others count late for their own requests. The
    // status bar names the turnaround and the wait within the first two
    // ticks, and keeps saying so while the meter stays slow.
    void slowMeterOnTheRailScreen() {
        SimProcess sim(runtime_.path(), QStringLiteral("slow"));
        QString failure;
        QVERIFY2(
            sim.start(kCom, {"--meter", "rail", "--seed", "82", "--turnaround", "300"}, &failure),
            qPrintable(failure));
        LiveRailMonitor monitor(kRailTimerIntervalMs);
        quint64 tick = 0;
        QObject::connect(&monitor.form.acquisition(), &AcquisitionEngine::tickStarted,
                         &monitor.form, [&](quint64 number) { tick = number; });
        struct Shown {
            quint64 tick;
            QString hint;
        };
        QList<Shown> hints;
        QObject::connect(&monitor.form.diagnostics(), &LineDiagnostics::hintChanged, &monitor.form,
                         [&](const QString& hint) {
                             hints << Shown{tick, hint};
                         });
        RunTicks(sim, monitor, kCom, 3);
        const LineCounts& counts = monitor.form.diagnostics().counts();
        qInfo().noquote() << CountsText(counts);
        QCOMPARE(counts.requests, qint64(33));
        QVERIFY2(counts.late >= 3, qPrintable(CountsText(counts)));

        const QRegularExpression named(
            QStringLiteral("^仪表应答约 (\\d+) ms，超过本画面 200 ms 的等待"));
        const auto first = std::find_if(hints.begin(), hints.end(), [&](const Shown& shown) {
            return named.match(shown.hint).hasMatch();
        });
        QStringList all;
        for (const Shown& shown : hints) {
            all << QStringLiteral("%1:%2").arg(shown.tick).arg(shown.hint);
        }
        QVERIFY2(first != hints.end(), qPrintable(all.join(" | ")));
        QVERIFY2(first->tick <= 2, qPrintable(all.join(" | ")));
        // From then on it stays, whatever the other outcomes.
        for (auto it = first; it != hints.end(); ++it) {
            QVERIFY2(named.match(it->hint).hasMatch(), qPrintable(all.join(" | ")));
        }
        const QRegularExpressionMatch ms = named.match(hints.last().hint);
        QVERIFY2(std::abs(ms.captured(1).toInt() - 300) <= 60, qPrintable(hints.last().hint));
        const auto* line = monitor.form.findChild<QLabel*>(QStringLiteral("HintLine"));
        QVERIFY(line != nullptr);
        QCOMPARE(line->text(), hints.last().hint);
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eBus test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_bus.moc"
