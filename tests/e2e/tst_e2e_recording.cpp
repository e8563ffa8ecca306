// SPDX-License-Identifier: GPL-3.0-or-later
// Recording end to end: both monitors poll metersim over a faulty line and
// record to a file; the file, read back by a reader of its own, is compared
// row by row with the answers the simulator logged for that row's tick.
// Every filled cell holds what an answer of that tick decodes to; the
// cells of dropped, corrupt, refused and exception answers are empty.

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include "drive/csvread.h"
#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "e2etools.h"
#include "panel_meter/switchmodel.h"
#include "rail_meter/railschedule.h"
#include "recording/recordingtable.h"

using namespace mt;
using namespace mt::drive;
using namespace mt::e2e;

namespace {

constexpr int kCom = 6;
constexpr int kTicks = 3;

// Faults whose outcome is certain: an answer is either taken or refused.
// (Noise after an answer may or may not be read with it; late answers fall
// into the next request's window.)
QStringList Faults(int splitGapMs) {
    return {"--fault-crc",       "0.2", "--fault-drop",    "0.2",
            "--fault-exception", "0.1", "--fault-garbage", "0.1",
            "--fault-split",     "0.2", "--split-gap",     QString::number(splitGapMs)};
}

using Cells = QHash<QString, QString>;

void Take(Cells& cells, const std::vector<FieldText>& texts) {
    for (const FieldText& text : texts) {
        cells.insert(QString::fromLatin1(text.field.data(), qsizetype(text.field.size())),
                     QString::fromStdString(text.text));
    }
}

// The cells one panel-mount tick fills, from its exchanges.
Cells PanelTickCells(const QList<SimExchange>& exchanges, int* taken) {
    Cells cells;
    for (const SimExchange& exchange : exchanges) {
        if (!Acceptable(exchange)) {
            continue;
        }
        ++*taken;
        const DecodedAnswer decoded = DecodePrimaryAnswer(BytesOf(exchange.sent->bytes));
        Take(cells, decoded.fields);
        if (decoded.switches) {
            const QString panel = decoded.switches->panel == SwitchPanelKind::Outputs
                                      ? QStringLiteral("Picture1")
                                      : QStringLiteral("Picture2");
            for (int channel = 0; channel < kSwitchChannels; ++channel) {
                const bool closed = (decoded.switches->status >> channel) & 1;
                cells.insert(QStringLiteral("%1.%2").arg(panel).arg(channel),
                             QString::fromUtf8(closed ? kSwitchClosedCaption : kSwitchOpenCaption));
            }
        }
    }
    return cells;
}

// The cells one DIN-rail tick fills: its block tag follows the cycle.
Cells RailTickCells(const QList<SimExchange>& exchanges, std::int16_t& tag, int* taken) {
    Cells cells;
    for (const SimExchange& exchange : exchanges) {
        for (const PollStep& step : RailPollSchedule) {
            if (step.start == exchange.startRegister() && step.blockTag) {
                tag = *step.blockTag;
            }
        }
        if (Acceptable(exchange)) {
            ++*taken;
            Take(cells, DecodeDinRailAnswer(BytesOf(exchange.sent->bytes), tag));
        }
    }
    return cells;
}

}  // namespace

class TestE2eRecording : public QObject {
    Q_OBJECT

public:
    explicit TestE2eRecording(const PrivateRuntime& runtime) : runtime_(runtime) {}

private:
    const PrivateRuntime& runtime_;
    QTemporaryDir dir_;

    // Runs `kTicks` ticks with recording on and reads the file back.
    template <typename Live>
    std::optional<CsvTable> Record(SimProcess& sim, Live& monitor, const QString& name) {
        const QString path = dir_.filePath(name);
        if (!monitor.form.startRecording(path)) {
            return std::nullopt;
        }
        RunTicks(sim, monitor, kCom, kTicks);
        const bool written =
            WaitUntil([&] { return monitor.form.recordedRows() >= kTicks; }, kQuietPatienceMs);
        // Stopping acquisition left the recording on; no rows came since.
        RunEventsFor(500);
        if (!written || !monitor.form.recording() || monitor.form.recordedRows() != kTicks) {
            qWarning("rows written: %lld", static_cast<long long>(monitor.form.recordedRows()));
            return std::nullopt;
        }
        monitor.form.stopRecording();
        QString failure;
        auto table = ReadCsvFile(path, &failure);
        if (!table) {
            qWarning("%s", qPrintable(failure));
        }
        return table;
    }

    // Row `tick` of the table against the cells its exchanges fill.
    static void CompareRow(const CsvTable& table, const QList<MonitorWindow::Reading>& readings,
                           int firstReading, int tick, const Cells& cells, int sent, int taken) {
        const QStringList& row = table.rows[tick];
        for (qsizetype i = 0; i < readings.size(); ++i) {
            const QString expected = cells.value(readings[i].key);
            const QString& cell = row[firstReading + i];
            QVERIFY2(cell == expected,
                     qPrintable(QStringLiteral("tick %1, %2: \"%3\", the meter served \"%4\"")
                                    .arg(tick + 1)
                                    .arg(readings[i].heading, cell, expected)));
        }
        QCOMPARE(row[row.size() - 3], QString::number(sent));
        QCOMPARE(row[row.size() - 2], QString::number(taken));
        QCOMPARE(row[row.size() - 1], QString());  // the line was there
        QVERIFY(QDateTime::fromString(row[0], Qt::ISODateWithMs).isValid());
    }

private slots:
    void initTestCase() {
        QVERIFY(runtime_.valid());
        QVERIFY(dir_.isValid());
    }

    void panelMount() {
        SimProcess sim(runtime_.path(), "panel");
        QString failure;
        QVERIFY2(sim.start(kCom, QStringList{"--meter", "panel", "--seed", "61"} + Faults(100),
                           &failure),
                 qPrintable(failure));
        LivePanelMonitor monitor(2200);
        const auto table = Record(sim, monitor, "panel.csv");
        QVERIFY(table);
        QCOMPARE(table->rows.size(), kTicks);
        const auto& readings = monitor.form.readings();
        QCOMPARE(table->header.size(), 2 + readings.size() + 3);
        QCOMPARE(table->header.mid(0, 3),
                 (QStringList{"时间", "采集方式", QStringLiteral("相电压Uan (V)")}));
        QCOMPARE(table->header.mid(table->header.size() - 2), (QStringList{"正确应答数", "线路"}));

        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(exchanges.size(), 5 * kTicks);
        CheckMixedTally(exchanges);
        int empty = 0;
        for (int tick = 0; tick < kTicks; ++tick) {
            int taken = 0;
            const Cells cells = PanelTickCells(exchanges.mid(5 * tick, 5), &taken);
            QCOMPARE(table->rows[tick][1], QStringLiteral("一次"));
            CompareRow(*table, readings, 2, tick, cells, 5, taken);
            empty += static_cast<int>(readings.size() - cells.size());
        }
        QVERIFY2(empty > 0, "the faults left no cell empty");
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }

    void dinRail() {
        SimProcess sim(runtime_.path(), "rail");
        QString failure;
        QVERIFY2(
            sim.start(kCom, QStringList{"--meter", "rail", "--seed", "62"} + Faults(50), &failure),
            qPrintable(failure));
        LiveRailMonitor monitor(2500);
        const auto table = Record(sim, monitor, "rail.csv");
        QVERIFY(table);
        QCOMPARE(table->rows.size(), kTicks);
        const auto& readings = monitor.form.readings();
        // One acquisition mode: no mode column; the demand and time-stamp
        // fields are among the readings.
        QCOMPARE(table->header.size(), 1 + readings.size() + 3);
        QCOMPARE(readings.size(), 41);

        const qsizetype steps = static_cast<qsizetype>(RailPollSchedule.size());
        const QList<SimExchange> exchanges = ExchangesOf(sim);
        QCOMPARE(exchanges.size(), steps * kTicks);
        CheckMixedTally(exchanges);
        std::int16_t tag = 0;
        for (int tick = 0; tick < kTicks; ++tick) {
            int taken = 0;
            const Cells cells = RailTickCells(exchanges.mid(steps * tick, steps), tag, &taken);
            CompareRow(*table, readings, 1, tick, cells, static_cast<int>(steps), taken);
        }
        QVERIFY(monitor.live.messages.isEmpty());
        QVERIFY2(sim.stop(&failure), qPrintable(failure));
    }
};

int main(int argc, char* argv[]) {
    // The private runtime folder comes first: before the application and
    // before anything asks QStandardPaths where the comN links live.
    const PrivateRuntime runtime;
    QApplication app(argc, argv);
    TestE2eRecording test(runtime);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_recording.moc"
