// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the end-to-end tests expect on screen, worked out from what the
// simulator logged: every answer it sent, taken in order, changes the fields
// it decodes to if the monitor can accept it for the request it answered;
// everything else leaves the fields as they were.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <type_traits>

#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "drive/livemonitor.h"
#include "drive/simdriver.h"
#include "link/answer.h"
#include "link/crc16.h"
#include "link/pollstep.h"
#include "monitor/portpanel.h"
#include "monitor/statuslamp.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/switchpanelview.h"
#include "platform/portmap.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"
#include "soak/analysis.h"
#include "support/answers.h"
#include "support/controls.h"

namespace mt::e2e {

// Bounds for waiting only: far beyond what a loaded machine needs.
constexpr int kTickPatienceMs = 40000;
constexpr int kQuietMs = 400;
constexpr int kQuietPatienceMs = 15000;

// The value fields of the panel-mount screen; both modes fill all of them.
inline const QStringList kPanelFields = {
    "UanT", "UbnT", "UcnT", "UabT", "UbcT", "UcaT", "IaT",  "IbT", "IcT",  "PaT",  "PbT",  "PcT",
    "PsT",  "QaT",  "QbT",  "QcT",  "QsT",  "SsT",  "PfsT", "FT",  "WPPT", "WPNT", "WQPT", "WQNT"};

// A read request built by hand: address, function, start and count
// big-endian, CRC low byte first.
inline QByteArray Request(int address, int function, int start, int count) {
    QByteArray frame;
    for (const int byte : {address, function, start >> 8, start & 0xFF, count >> 8, count & 0xFF}) {
        frame.append(static_cast<char>(byte));
    }
    return test::WithCrc(frame);
}

// The requests of one tick of `schedule` for `address`.
inline QList<QByteArray> TickRequests(std::span<const PollStep> schedule, int address = 1) {
    QList<QByteArray> frames;
    for (const PollStep& step : schedule) {
        frames << Request(address, step.function, step.start, step.count);
    }
    return frames;
}

// The bytes of each line of a simulator log.
inline QList<QByteArray> LoggedBytes(const QList<drive::SimLogLine>& lines) {
    QList<QByteArray> bytes;
    for (const drive::SimLogLine& line : lines) {
        bytes << line.bytes;
    }
    return bytes;
}

// True when the monitor takes the sent bytes as the answer to their request:
// whole in the answer window, so everything sent counts (garbage in front
// included; noise after the answer comes only once it was taken).
inline bool Acceptable(const drive::SimExchange& exchange) {
    return exchange.sent &&
           AcceptAnswer(BytesOf(exchange.sent->bytes), static_cast<std::int16_t>(exchange.count()));
}

// What a field (or a switch panel) may show after a run: the text of the
// last answer the monitor surely took, or of any answer after it that it may
// have taken. Noise after an answer makes its taking uncertain: when the
// noise came in before the monitor read the answer (it sleeps through most
// of its answer window), the two are read as one and fail the length test;
// when the answer was read first, it was taken.
template <typename T>
class Outcome {
public:
    explicit Outcome(T initial) : allowed_{initial} {}
    void taken(const T& value) { allowed_ = {value}; }
    void perhapsTaken(const T& value) {
        if (!allowed_.contains(value)) {
            allowed_ << value;
        }
    }
    void take(const T& value, bool surely) { surely ? taken(value) : perhapsTaken(value); }
    bool allows(const T& value) const { return allowed_.contains(value); }
    bool certain() const { return allowed_.size() == 1; }
    const QList<T>& allowed() const { return allowed_; }

private:
    QList<T> allowed_;
};

using FieldOutcomes = QMap<QString, Outcome<QString>>;

// What a field may show after a run: empty if no answer set it.
inline Outcome<QString> FieldOutcome(const FieldOutcomes& fields, const QString& name) {
    return fields.value(name, Outcome<QString>(QString()));
}

// The texts an answer sets, taken surely or perhaps.
inline void TakeFields(FieldOutcomes& fields, const std::vector<FieldText>& texts, bool surely) {
    for (const FieldText& text : texts) {
        const QString name =
            QString::fromLatin1(text.field.data(), static_cast<qsizetype>(text.field.size()));
        auto it = fields.find(name);
        if (it == fields.end()) {
            it = fields.insert(name, Outcome<QString>(QString()));
        }
        it->take(QString::fromStdString(text.text), surely);
    }
}

struct PanelScreen {
    FieldOutcomes fields;
    Outcome<std::uint8_t> outputs{0};  // status of the coil panel
    Outcome<std::uint8_t> inputs{0};   // status of the discrete-input panel

    Outcome<QString> field(const QString& name) const { return FieldOutcome(fields, name); }
};

// The panel-mount screen after the exchanges, all in one mode.
inline PanelScreen ExpectedPanelScreen(const QList<drive::SimExchange>& exchanges, bool secondary) {
    PanelScreen screen;
    for (const drive::SimExchange& exchange : exchanges) {
        if (!Acceptable(exchange)) {
            continue;
        }
        const bool surely = !exchange.faults.noise;
        const AnswerBytes answer = BytesOf(exchange.sent->bytes);
        const DecodedAnswer decoded =
            secondary ? DecodeSecondaryAnswer(answer) : DecodePrimaryAnswer(answer);
        TakeFields(screen.fields, decoded.fields, surely);
        if (decoded.switches) {
            (decoded.switches->panel == SwitchPanelKind::Outputs ? screen.outputs : screen.inputs)
                .take(decoded.switches->status & 0x0F, surely);
        }
    }
    return screen;
}

// The DIN-rail screen after the exchanges. The block tag follows the cycle:
// 0 before the first tick, set from the fourth read of a tick on.
inline FieldOutcomes ExpectedRailScreen(const QList<drive::SimExchange>& exchanges) {
    FieldOutcomes fields;
    std::int16_t tag = 0;
    for (const drive::SimExchange& exchange : exchanges) {
        for (const PollStep& step : RailPollSchedule) {
            if (step.start == exchange.startRegister() && step.blockTag) {
                tag = *step.blockTag;
            }
        }
        if (!Acceptable(exchange)) {
            continue;
        }
        TakeFields(fields, DecodeDinRailAnswer(BytesOf(exchange.sent->bytes), tag),
                   !exchange.faults.noise);
    }
    return fields;
}

// How many exchanges had an answer the monitor could take, and how many had
// none or one it must drop.
struct AnswerTally {
    int taken = 0;
    int refused = 0;
};
inline AnswerTally Tally(const QList<drive::SimExchange>& exchanges) {
    AnswerTally tally;
    for (const drive::SimExchange& exchange : exchanges) {
        ++(Acceptable(exchange) && !exchange.faults.noise ? tally.taken : tally.refused);
    }
    return tally;
}

// "a" or "a | b | c", for messages.
template <typename T>
QString Alternatives(const Outcome<T>& outcome) {
    QStringList texts;
    for (const T& value : outcome.allowed()) {
        if constexpr (std::is_same_v<T, QString>) {
            texts << QStringLiteral("\"%1\"").arg(value);
        } else {
            texts << QString::number(value);
        }
    }
    return texts.join(QStringLiteral(" | "));
}

// A number shown on screen against the simulator's own value: near enough
// that a wrong byte order, scale or register would be far off.
inline bool Near(const QString& shown, double expected, double relative = 0.02) {
    bool ok = false;
    const double value = shown.toDouble(&ok);
    return ok && std::abs(value - expected) <= std::abs(expected) * relative + 1e-9;
}

// The value column of a register in a dump ("221.6368 V" gives 221.6368).
inline double DumpNumber(const drive::SimDump& dump, int reg) {
    const drive::SimDump::Register* r = dump.find(reg);
    return r != nullptr ? r->value.section(QLatin1Char(' '), 0, 0).toDouble() : qQNaN();
}

// Everything the simulator logged, paired up (empty, with a warning, when
// the logs do not pair).
inline QList<drive::SimExchange> ExchangesOf(const drive::SimProcess& sim) {
    const auto plan = drive::PlanOf(sim.options());
    if (!plan) {
        return {};
    }
    QString failure;
    const auto exchanges = drive::PairExchanges(sim.requests(), sim.answers(), *plan, &failure);
    if (!exchanges) {
        qWarning("%s", qPrintable(failure));
        return {};
    }
    return *exchanges;
}

// Opens comN, starts acquisition with the primary (or the secondary)
// button, lets `ticks` ticks run to their end and waits until their last
// answers are in.
template <typename Live>
void RunTicks(const drive::SimProcess& sim, Live& monitor, int com, int ticks,
              bool secondary = false) {
    QVERIFY(monitor.open(com));
    monitor.ticks.stopAfter(ticks);
    secondary ? monitor.form.onSecondaryClicked() : monitor.form.onPrimaryClicked();
    QVERIFY(test::Ctl<QTimer>(monitor.form, "Timer1")->isActive());
    QVERIFY2(monitor.ticks.waitFor(ticks, kTickPatienceMs * ticks), "ticks did not complete");
    QVERIFY(drive::WaitForAnswers(sim, monitor.port, kQuietMs, kQuietPatienceMs));
    // The last request's answer window has ended, too.
    QVERIFY(drive::WaitUntil([&] { return !monitor.form.acquisition().requestOutstanding(); },
                             kQuietPatienceMs));
}

// Every named field shows a text it may show.
template <typename Live>
void CompareFields(const Live& monitor, const QStringList& names, const FieldOutcomes& expected) {
    for (const QString& name : names) {
        const QString shown = monitor.text(name.toLatin1().constData());
        const Outcome<QString> outcome = FieldOutcome(expected, name);
        QVERIFY2(outcome.allows(shown), qPrintable(QStringLiteral("%1 shows \"%2\", expected %3")
                                                       .arg(name, shown, Alternatives(outcome))));
    }
}

// The fields and both switch panels show what they may.
template <typename Live>
void CompareScreen(const Live& monitor, const PanelScreen& expected) {
    CompareFields(monitor, kPanelFields, expected.fields);
    const std::uint8_t outputs =
        drive::SwitchStatusShown(*test::Ctl<SwitchPanelView>(monitor.form, "Picture1"));
    QVERIFY2(expected.outputs.allows(outputs),
             qPrintable(QStringLiteral("the outputs show %1, expected %2")
                            .arg(outputs)
                            .arg(Alternatives(expected.outputs))));
    const std::uint8_t inputs =
        drive::SwitchStatusShown(*test::Ctl<SwitchPanelView>(monitor.form, "Picture2"));
    QVERIFY2(expected.inputs.allows(inputs),
             qPrintable(QStringLiteral("the inputs show %1, expected %2")
                            .arg(inputs)
                            .arg(Alternatives(expected.inputs))));
}

// Every named field holds a decoded value for certain (or, with `filled`
// false, is empty for certain).
inline void CheckAllFields(const QStringList& names, const FieldOutcomes& expected, bool filled) {
    for (const QString& name : names) {
        const Outcome<QString> outcome = FieldOutcome(expected, name);
        QVERIFY2(outcome.certain() && outcome.allows(QString()) != filled, qPrintable(name));
    }
}

// With faults that leave some fields filled and some not, the seed must
// give answers taken and answers refused, or the run proves little.
inline void CheckMixedTally(const QList<drive::SimExchange>& exchanges) {
    const AnswerTally tally = Tally(exchanges);
    QVERIFY2(
        tally.taken > 0 && tally.refused > 0,
        qPrintable(QStringLiteral("%1 taken, %2 refused").arg(tally.taken).arg(tally.refused)));
}

// After the meter vanished during acquisition: the panel shows the port
// closed and the primary button idle, the timer is off and no tick runs,
// exactly one loss warning was shown, nothing was written after the loss,
// the program goes on, and the comN link is gone.
template <typename Live>
void CheckClosedAfterLoss(const Live& monitor, int com, const QString& idleCaption) {
    QVERIFY(!monitor.port.isOpen());
    QVERIFY(!test::Ctl<StatusLamp>(monitor.form, "Shape1")->showsOpen());
    QCOMPARE(test::Ctl<QPushButton>(monitor.form, "Command1")->text(), idleCaption);
    QCOMPARE(test::Ctl<QPushButton>(monitor.form, "Command1")->property("tag").toString(),
             QStringLiteral("0"));
    QVERIFY(test::Ctl<QPushButton>(monitor.form, "Command1")->isEnabled());
    QVERIFY(!test::Ctl<QTimer>(monitor.form, "Timer1")->isActive());
    QVERIFY(!monitor.form.acquisition().tickRunning());
    QCOMPARE(monitor.live.messages.size(), 1);
    QVERIFY(monitor.live.messages.front().text.startsWith(PortPanel::disconnectedText()));
    QCOMPARE(monitor.live.messages.front().title, AppTitle());
    QCOMPARE(monitor.live.messages.front().icon, MessageIcon::Warning);
    QCOMPARE(monitor.live.endProgramCalls, 0);
    QCOMPARE(monitor.port.losses, 1);
    QCOMPARE(monitor.port.writesAfterLoss, 0);
    QVERIFY(!QFileInfo(PortLinkFolder() + QStringLiteral("/com%1").arg(com)).isSymLink());
}

// Starts acquisition and waits until the meter, started to vanish, is gone
// and the panel shows the port closed; then lets the abandoned tick and
// anything queued run out.
template <typename Live>
void AcquireUntilVanished(drive::SimProcess& sim, Live& monitor, int com) {
    QVERIFY(monitor.open(com));
    monitor.form.onPrimaryClicked();
    QVERIFY(drive::WaitUntil([&] { return !sim.running(); }, 3 * kTickPatienceMs));
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(drive::WaitUntil(
        [&] {
            return test::Ctl<QPushButton>(monitor.form, "Command3")->text() ==
                   PortPanel::openCaption();
        },
        kQuietPatienceMs));
    drive::RunEventsFor(1000);
}

// The faulty lines both monitors are run on: the simulator's fault options,
// the ticks to run, and whether every field must end up filled or empty.
// Split answers come in within the pause when the gap is `splitGapMs`.
inline void AddFaultyLineRows(int splitGapMs) {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<bool>("allFilled");
    QTest::addColumn<bool>("noneFilled");
    QTest::newRow("split within the pause")
        << QStringList{"--fault-split", "1", "--split-gap", QString::number(splitGapMs)} << 1
        << true << false;
    QTest::newRow("corrupt CRC") << QStringList{"--fault-crc", "1"} << 1 << false << true;
    QTest::newRow("no answers") << QStringList{"--fault-drop", "1"} << 1 << false << true;
    // Over two ticks, so that fields keep texts of the first tick where the
    // second tick's answer is refused.
    QTest::newRow("every fault among good answers")
        << QStringList{"--fault-crc",       "0.15", "--fault-drop",    "0.15",
                       "--fault-exception", "0.15", "--fault-garbage", "0.15",
                       "--fault-noise",     "0.3"}
        << 2 << false << false;
}

// The fields show the values the simulator's own register dump gives for
// their registers, independent of the monitors' decoders.
template <typename Live>
void CheckAgainstDump(const Live& monitor, const drive::SimDump& dump,
                      std::initializer_list<std::pair<const char*, int>> fieldRegisters) {
    for (const auto& [field, reg] : fieldRegisters) {
        QVERIFY2(Near(monitor.text(field), DumpNumber(dump, reg)),
                 qPrintable(QStringLiteral("%1 shows %2, the meter had %3")
                                .arg(field, monitor.text(field))
                                .arg(DumpNumber(dump, reg))));
    }
}

// The address list's text against a meter at address 5: answered or not.
inline void AddMeterAddressRows() {
    QTest::addColumn<QString>("addressText");
    QTest::addColumn<bool>("answered");
    QTest::newRow("the meter's address") << "5" << true;
    QTest::newRow("another meter's address") << "1" << false;
}

// The monitor's line counters agree with what the simulator logged: each
// request counted as what its answer's faults allow (drops unanswered,
// corrupt CRCs as CRC errors, exceptions as exceptions, garbage and noise as
// malformed), and every exception counted with the simulator's code.
template <typename Live>
void CheckLineCounters(const Live& monitor, const QList<drive::SimExchange>& exchanges,
                       const QList<std::uint8_t>& exceptionCodes, std::uint8_t simulatorCode) {
    soak::OutcomeTally tally;
    tally.add(exchanges);
    const QStringList failures = tally.compare(monitor.form.diagnostics().counts(), 0);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral("; "))));
    QCOMPARE(exceptionCodes.size(), monitor.form.diagnostics().counts().exceptions);
    for (const std::uint8_t code : exceptionCodes) {
        QCOMPARE(code, simulatorCode);
    }
}

// The exception codes of the requests a monitor counts as exceptions.
class ExceptionCodes : public QObject {
public:
    explicit ExceptionCodes(const AcquisitionEngine& engine) {
        connect(&engine, &AcquisitionEngine::requestFinished, this,
                [this](const RequestRecord& record) {
                    if (record.check.outcome == AnswerOutcome::Exception) {
                        codes << record.check.exceptionCode;
                    }
                });
    }
    QList<std::uint8_t> codes;
};

}  // namespace mt::e2e
