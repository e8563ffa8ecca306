// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis.h"

#include <algorithm>
#include <optional>

#include "acquisition/answerbytes.h"
#include "acquisition/outcomes.h"
#include "link/answer.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"

namespace mt::soak {

namespace {

constexpr int kExamples = 8;

// The monitor could take the frame as the answer to its request.
bool Takeable(const drive::SimExchange& exchange) {
    return exchange.sent &&
           AcceptAnswer(BytesOf(exchange.frame), static_cast<std::int16_t>(exchange.count()));
}

// The block tag a DIN-rail read sets, if any.
std::optional<int> RailTagOf(int startRegister) {
    for (const PollStep& step : RailPollSchedule) {
        if (step.start == startRegister && step.blockTag) {
            return *step.blockTag;
        }
    }
    return std::nullopt;
}

QString Name(std::string_view field) {
    return QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size()));
}

int ByteCountOf(const QByteArray& frame) {
    return frame.size() > 2 ? static_cast<std::uint8_t>(frame[2]) : -1;
}

// Whether a panel-mount read belongs to the secondary mode (the coil and
// input reads decode alike in both modes).
bool SecondaryRead(int startRegister) {
    return startRegister == kSecondarySchedule[0].start ||
           startRegister == kSecondarySchedule[1].start;
}

}  // namespace

void FaultCounts::add(const QList<drive::SimExchange>& exchanges) {
    for (const drive::SimExchange& exchange : exchanges) {
        ++requests;
        if (!exchange.answered) {
            continue;
        }
        ++answered;
        if (exchange.faults.drop) {
            ++dropped;
        }
        if (!exchange.sent) {
            continue;
        }
        ++sent;
        corruptCrc += exchange.faults.corruptCrc ? 1 : 0;
        split += exchange.faults.split ? 1 : 0;
        late += exchange.faults.late ? 1 : 0;
        exception += exchange.faults.exception ? 1 : 0;
        garbage += exchange.faults.garbage ? 1 : 0;
        noise += exchange.faults.noise ? 1 : 0;
    }
}

FaultCounts& FaultCounts::operator+=(const FaultCounts& other) {
    requests += other.requests;
    answered += other.answered;
    sent += other.sent;
    dropped += other.dropped;
    corruptCrc += other.corruptCrc;
    split += other.split;
    late += other.late;
    exception += other.exception;
    garbage += other.garbage;
    noise += other.noise;
    return *this;
}

void ServedValues::addPanel(const QList<drive::SimExchange>& exchanges) {
    for (const drive::SimExchange& exchange : exchanges) {
        if (!Takeable(exchange)) {
            continue;
        }
        ++answersTaken_;
        const bool secondary = SecondaryRead(exchange.startRegister());
        const AnswerBytes frame = BytesOf(exchange.frame);
        const DecodedAnswer decoded =
            secondary ? DecodeSecondaryAnswer(frame) : DecodePrimaryAnswer(frame);
        for (const FieldText& field : decoded.fields) {
            panel_[Name(field.field)].insert(QString::fromStdString(field.text));
        }
        if (decoded.switches) {
            (decoded.switches->panel == SwitchPanelKind::Outputs ? outputs_ : inputs_)
                .insert(decoded.switches->status & 0x0F);
        }
    }
}

void ServedValues::addRail(const QList<drive::SimExchange>& exchanges) {
    for (qsizetype i = 0; i < exchanges.size(); ++i) {
        const drive::SimExchange& exchange = exchanges[i];
        if (!Takeable(exchange)) {
            continue;
        }
        ++answersTaken_;
        const std::optional<int> tag = RailTagOf(exchange.startRegister());
        railFrames_[exchange.frame].insert(tag.value_or(-1));
        for (const FieldText& field : DecodeDinRailAnswer(
                 BytesOf(exchange.frame), static_cast<std::int16_t>(tag.value_or(0)))) {
            rail_[Name(field.field)].insert(QString::fromStdString(field.text));
        }
        // Taken late, for a later read of the same length with another tag.
        if (!tag) {
            continue;
        }
        for (qsizetype j = i + 1; j < exchanges.size(); ++j) {
            const drive::SimExchange& later = exchanges[j];
            if (later.request.ms > exchange.sent->ms + lateReachMs_) {
                break;
            }
            const std::optional<int> laterTag = RailTagOf(later.startRegister());
            if (later.count() != exchange.count() || !laterTag || *laterTag == *tag) {
                continue;
            }
            for (const FieldText& field : DecodeDinRailAnswer(
                     BytesOf(exchange.frame), static_cast<std::int16_t>(*laterTag))) {
                railLate_[Name(field.field)].insert(QString::fromStdString(field.text));
            }
        }
    }
}

bool ServedValues::served(MeterKind meter, const QString& field, const QString& text) const {
    const auto& table = meter == MeterKind::PanelMount ? panel_ : rail_;
    const auto it = table.find(field);
    return it != table.end() && it->contains(text);
}

bool ServedValues::lateRail(const QString& field, const QString& text) const {
    const auto it = railLate_.find(field);
    return it != railLate_.end() && it->contains(text);
}

bool ServedValues::servedSwitch(SwitchPanelKind panel, std::uint8_t status) const {
    return (panel == SwitchPanelKind::Outputs ? outputs_ : inputs_).contains(status);
}

QSet<int> ServedValues::railTagsOf(const QByteArray& frame) const {
    return railFrames_.value(frame);
}

QByteArray FieldRecord(MeterKind meter, const QString& field, const QString& text) {
    return "F\t" + QByteArray(meter == MeterKind::PanelMount ? "P" : "R") + '\t' + field.toUtf8() +
           '\t' + text.toUtf8() + '\n';
}

QByteArray SwitchRecord(SwitchPanelKind panel, std::uint8_t status) {
    return "S\t" + QByteArray(panel == SwitchPanelKind::Outputs ? "O" : "I") + '\t' +
           QByteArray::number(status) + '\n';
}

QByteArray RailAnswerRecord(int blockTag, int startRegister, const QByteArray& answer) {
    return "A\t" + QByteArray::number(blockTag) + '\t' + QByteArray::number(startRegister) + '\t' +
           answer.toHex() + '\n';
}

Verdict Judge(QIODevice& records, const ServedValues& served) {
    Verdict verdict;
    const auto example = [&](const QString& text) {
        if (verdict.examples.size() < kExamples) {
            verdict.examples << text;
        }
    };
    while (!records.atEnd()) {
        QByteArray line = records.readLine();
        if (line.endsWith('\n')) {
            line.chop(1);
        }
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 4 && parts[0] == "F" && (parts[1] == "P" || parts[1] == "R")) {
            ++verdict.fieldChanges;
            const MeterKind meter = parts[1] == "P" ? MeterKind::PanelMount : MeterKind::DinRail;
            const QString field = QString::fromUtf8(parts[2]);
            const QString text = QString::fromUtf8(parts[3]);
            if (served.served(meter, field, text)) {
                continue;
            }
            if (meter == MeterKind::DinRail && served.lateRail(field, text)) {
                ++verdict.lateFieldValues;
                continue;
            }
            ++verdict.wrongFieldValues;
            example(
                QStringLiteral("%1 %2 showed \"%3\", never served for it")
                    .arg(meter == MeterKind::PanelMount ? "panel-mount" : "DIN-rail", field, text));
        } else if (parts.size() == 3 && parts[0] == "S" && (parts[1] == "O" || parts[1] == "I")) {
            ++verdict.switchChanges;
            const auto panel = parts[1] == "O" ? SwitchPanelKind::Outputs : SwitchPanelKind::Inputs;
            const auto status = static_cast<std::uint8_t>(parts[2].toUInt());
            if (!served.servedSwitch(panel, status)) {
                ++verdict.wrongFieldValues;
                example(QStringLiteral("switch %1 showed %2, never served")
                            .arg(QString::fromLatin1(parts[1]))
                            .arg(status));
            }
        } else if (parts.size() == 4 && parts[0] == "A") {
            ++verdict.railAnswersTaken;
            const int tag = parts[1].toInt();
            const QByteArray frame = QByteArray::fromHex(parts[3]);
            const QSet<int> tags = served.railTagsOf(frame);
            if (tags.isEmpty()) {
                ++verdict.unknownAnswers;
                example(QStringLiteral("DIN-rail took %1 for register %2, never served")
                            .arg(drive::HexBytes(frame), QString::fromLatin1(parts[2])));
            } else if ((ByteCountOf(frame) == kRailDemandBytes ||
                        ByteCountOf(frame) == kRailEnergyBytes) &&
                       !tags.contains(tag)) {
                ++verdict.lateAnswers;
            }
        } else {
            ++verdict.badRecords;
        }
    }
    return verdict;
}

QSet<AnswerOutcome> AllowedOutcomes(const drive::SimExchange& exchange, bool afterLate) {
    using enum AnswerOutcome;
    if (afterLate) {
        return {Accepted, NoAnswer, BadCrc, Exception, Malformed, Late};
    }
    const FaultDecision& f = exchange.faults;
    if (!exchange.answered || f.drop || !exchange.sent) {
        return {NoAnswer};  // not for this meter, dropped, or it vanished first
    }
    // What the bytes on their own amount to.
    AnswerOutcome base = Accepted;
    if (f.garbage || (f.exception && f.corruptCrc)) {
        base = Malformed;
    } else if (f.exception) {
        base = Exception;
    } else if (f.corruptCrc) {
        base = BadCrc;
    }
    if (f.late) {
        // Nothing in its own window: unanswered, or late once the next
        // request's window shows where its answer went.
        return {NoAnswer, Late};
    }
    QSet<AnswerOutcome> allowed{base};
    if (f.noise) {
        allowed << Malformed;  // the noise was read with the answer, or after it
    }
    if (f.split) {
        allowed << Late;  // the second piece missed the window
    }
    return allowed;
}

void OutcomeTally::add(const QList<drive::SimExchange>& exchanges) {
    // A late answer lands in whichever window is open when it arrives, and
    // may spill into the next; the request before that window may have its
    // silence put down to the late answer. Those requests may count anything.
    constexpr qint64 kSpillMs = 150;
    QList<bool> touched(exchanges.size(), false);
    for (qsizetype i = 0; i < exchanges.size(); ++i) {
        const drive::SimExchange& late = exchanges[i];
        if (!late.answered || !late.faults.late || late.faults.drop || !late.sent) {
            continue;
        }
        const qint64 arrival = late.sent->ms;
        qsizetype window = i;
        while (window + 1 < exchanges.size() && exchanges[window + 1].request.ms <= arrival) {
            ++window;
        }
        for (qsizetype j = std::max(i + 1, window - 1); j < exchanges.size(); ++j) {
            if (j > window && exchanges[j].request.ms > arrival + kSpillMs) {
                break;
            }
            touched[j] = true;
        }
    }
    for (qsizetype i = 0; i < exchanges.size(); ++i) {
        const QSet<AnswerOutcome> allowed = AllowedOutcomes(exchanges[i], touched[i]);
        for (const AnswerOutcome outcome : allowed) {
            OutcomeRange& range = ranges_[outcome];
            ++range.most;
            if (allowed.size() == 1) {
                ++range.least;
            }
        }
        ++requests_;
    }
}

QStringList OutcomeTally::compare(const LineCounts& counts, qint64 unlogged) const {
    QStringList failures;
    if (counts.requests < requests_ || counts.requests > requests_ + unlogged) {
        failures << QStringLiteral(
                        "%1 requests counted, the simulators logged %2 (and up to %3 "
                        "more may have been lost with a vanishing meter)")
                        .arg(counts.requests)
                        .arg(requests_)
                        .arg(unlogged);
    }
    const std::pair<AnswerOutcome, qint64> counted[] = {
        {AnswerOutcome::Accepted, counts.accepted},   {AnswerOutcome::NoAnswer, counts.noAnswer},
        {AnswerOutcome::BadCrc, counts.badCrc},       {AnswerOutcome::Exception, counts.exceptions},
        {AnswerOutcome::Malformed, counts.malformed}, {AnswerOutcome::Late, counts.late},
    };
    for (const auto& [outcome, count] : counted) {
        const OutcomeRange range = ranges_.value(outcome);
        const qint64 most = range.most + (outcome == AnswerOutcome::NoAnswer ? unlogged : 0);
        if (count < range.least || count > most) {
            failures << QStringLiteral("%1 counted %2 times, the logs allow %3 to %4")
                            .arg(OutcomeName(outcome))
                            .arg(count)
                            .arg(range.least)
                            .arg(most);
        }
    }
    return failures;
}

}  // namespace mt::soak
