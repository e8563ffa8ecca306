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

#include "drive/simdriver.h"
#include "link/answer.h"
#include "link/crc16.h"
#include "link/pollstep.h"
#include "panel_meter/paneldecoder.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"

namespace mt::e2e {

// Bounds for waiting only: far beyond what a loaded machine needs.
constexpr int kTickPatienceMs = 40000;
constexpr int kQuietMs = 400;
constexpr int kQuietPatienceMs = 15000;

// The value fields of the panel-mount screen; both modes fill all of them.
inline const QStringList kPanelFields = {
    "UanT", "UbnT", "UcnT", "UabT", "UbcT", "UcaT", "IaT",  "IbT", "IcT",  "PaT",  "PbT",  "PcT",
    "PsT",  "QaT",  "QbT",  "QcT",  "QsT",  "SsT",  "PfsT", "FT",  "WPPT", "WPNT", "WQPT", "WQNT"};

inline AnswerBytes Span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// A read request built by hand: address, function, start and count
// big-endian, CRC low byte first.
inline QByteArray Request(int address, int function, int start, int count) {
    QByteArray frame;
    for (const int byte : {address, function, start >> 8, start & 0xFF, count >> 8, count & 0xFF}) {
        frame.append(static_cast<char>(byte));
    }
    const std::uint16_t crc = Crc16(Span(frame));
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
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
           AcceptAnswer(Span(exchange.sent->bytes), static_cast<std::int16_t>(exchange.count()));
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

struct PanelScreen {
    QMap<QString, Outcome<QString>> fields;
    Outcome<std::uint8_t> outputs{0};  // status of the coil panel
    Outcome<std::uint8_t> inputs{0};   // status of the discrete-input panel

    Outcome<QString> field(const QString& name) const {
        return fields.value(name, Outcome<QString>(QString()));
    }
};

// The panel-mount screen after the exchanges, all in one mode.
inline PanelScreen ExpectedPanelScreen(const QList<drive::SimExchange>& exchanges, bool secondary) {
    PanelScreen screen;
    for (const drive::SimExchange& exchange : exchanges) {
        if (!Acceptable(exchange)) {
            continue;
        }
        const bool surely = !exchange.faults.noise;
        const AnswerBytes answer = Span(exchange.sent->bytes);
        const DecodedAnswer decoded =
            secondary ? DecodeSecondaryAnswer(answer) : DecodePrimaryAnswer(answer);
        for (const FieldText& field : decoded.fields) {
            const QString name =
                QString::fromLatin1(field.field.data(), static_cast<qsizetype>(field.field.size()));
            auto it = screen.fields.find(name);
            if (it == screen.fields.end()) {
                it = screen.fields.insert(name, Outcome<QString>(QString()));
            }
            it->take(QString::fromStdString(field.text), surely);
        }
        if (decoded.switches) {
            (decoded.switches->panel == SwitchPanelKind::Outputs ? screen.outputs : screen.inputs)
                .take(decoded.switches->status & 0x0F, surely);
        }
    }
    return screen;
}

// The DIN-rail screen after the exchanges. The block tag follows the cycle:
// 0 before the first tick, set from the fourth read of a tick on.
inline QMap<QString, Outcome<QString>> ExpectedRailScreen(
    const QList<drive::SimExchange>& exchanges) {
    QMap<QString, Outcome<QString>> fields;
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
        for (const FieldText& field : DecodeDinRailAnswer(Span(exchange.sent->bytes), tag)) {
            const QString name =
                QString::fromLatin1(field.field.data(), static_cast<qsizetype>(field.field.size()));
            auto it = fields.find(name);
            if (it == fields.end()) {
                it = fields.insert(name, Outcome<QString>(QString()));
            }
            it->take(QString::fromStdString(field.text), !exchange.faults.noise);
        }
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

}  // namespace mt::e2e
