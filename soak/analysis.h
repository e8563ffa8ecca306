// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The soak's bookkeeping: what the simulators served for each field (from
// their logs, decoded with the monitors' own decoders), what the screens
// showed (recorded as it happened), and the verdict on the two.

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "diagnostics/linediagnostics.h"
#include "drive/simdriver.h"
#include "link/answercheck.h"
#include "link/meterkind.h"
#include "panel_meter/switchmodel.h"

namespace mt::soak {

// How the fault plans treated the answers of the requests a meter took as
// its own.
struct FaultCounts {
    qint64 requests = 0;  // received by the simulators
    qint64 answered = 0;  // taken as a request of the meter's own
    qint64 sent = 0;      // answers that went out
    qint64 dropped = 0;
    qint64 corruptCrc = 0;
    qint64 split = 0;
    qint64 late = 0;
    qint64 exception = 0;
    qint64 garbage = 0;
    qint64 noise = 0;

    void add(const QList<drive::SimExchange>& exchanges);
    FaultCounts& operator+=(const FaultCounts& other);
};

// The texts the simulators served per field: every answer that a monitor
// could take (correct CRC, no exception), decoded for the request it
// answered. For the DIN-rail meter also the texts it gives when decoded for
// a later request of the same length with another block tag: a late answer
// taken while that request was outstanding, which the cycle is known for.
class ServedValues {
public:
    // `lateReachMs`: how long after its logged start a DIN-rail answer may
    // still come in and be taken for a later request.
    explicit ServedValues(qint64 lateReachMs = 1500) : lateReachMs_(lateReachMs) {}

    void addPanel(const QList<drive::SimExchange>& exchanges);
    void addRail(const QList<drive::SimExchange>& exchanges);

    bool served(MeterKind meter, const QString& field, const QString& text) const;
    // Not served for the field, but what a late DIN-rail answer shows there.
    bool lateRail(const QString& field, const QString& text) const;
    bool servedSwitch(SwitchPanelKind panel, std::uint8_t status) const;
    // The block tags of the requests a DIN-rail answer frame was served for
    // (-1 for the reads that set no tag); empty if it never was.
    QSet<int> railTagsOf(const QByteArray& frame) const;

    qint64 answersTaken() const { return answersTaken_; }

private:
    QHash<QString, QSet<QString>> panel_;
    QHash<QString, QSet<QString>> rail_;
    QHash<QString, QSet<QString>> railLate_;
    QSet<std::uint8_t> outputs_;
    QSet<std::uint8_t> inputs_;
    QHash<QByteArray, QSet<int>> railFrames_;
    qint64 answersTaken_ = 0;
    qint64 lateReachMs_;
};

// What the soak writes while it runs, one line each, so that its memory
// stays flat however long it runs:
//   F <P|R> <field> <text>       a field's text changed
//   S <O|I> <status>              a switch panel shows another state
//   A <tag> <start> <hex bytes>   the DIN-rail cycle took an answer
QByteArray FieldRecord(MeterKind meter, const QString& field, const QString& text);
QByteArray SwitchRecord(SwitchPanelKind panel, std::uint8_t status);
QByteArray RailAnswerRecord(int blockTag, int startRegister, const QByteArray& answer);

struct Verdict {
    qint64 fieldChanges = 0;
    qint64 switchChanges = 0;
    qint64 railAnswersTaken = 0;
    qint64 wrongFieldValues = 0;  // shown where it was never served (or late-explained)
    qint64 lateFieldValues = 0;   // DIN-rail: explained only by a late answer
    qint64 lateAnswers = 0;       // DIN-rail answers taken under another request's tag
    qint64 unknownAnswers = 0;    // DIN-rail answers taken that were never served
    qint64 badRecords = 0;
    QStringList examples;  // the first few wrong values, for the report
};

Verdict Judge(QIODevice& records, const ServedValues& served);

// The outcomes the line diagnostics may count for the request of one
// exchange, from the faults the simulator decided for its answer. An answer
// that came late spills into the next request's window, so the request after
// a late one may count anything (`afterLate`).
QSet<AnswerOutcome> AllowedOutcomes(const drive::SimExchange& exchange, bool afterLate);

// How many requests must count an outcome (their only allowed one) and how
// many may.
struct OutcomeRange {
    qint64 least = 0;
    qint64 most = 0;
};

// The diagnostics' counts held against what the simulators logged. The
// monitor may have sent requests no simulator logged (`unlogged`: the last
// request before a meter vanished), and those count as unanswered. Gives one
// line per disagreement, none when the counts fit.
class OutcomeTally {
public:
    void add(const QList<drive::SimExchange>& exchanges);
    const QHash<AnswerOutcome, OutcomeRange>& ranges() const { return ranges_; }
    qint64 requests() const { return requests_; }
    QStringList compare(const LineCounts& counts, qint64 unlogged) const;

private:
    QHash<AnswerOutcome, OutcomeRange> ranges_;
    qint64 requests_ = 0;
};

}  // namespace mt::soak
