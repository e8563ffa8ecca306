// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What metertest-cli prints: readings and check results as an aligned table
// for people, CSV (the project's CSV writer) or JSON Lines for machines.
// Missing values are empty cells or null, never an older value.

#include <QByteArray>
#include <QString>
#include <vector>

#include "accuracy/accuracyrun.h"
#include "analysis/checks.h"
#include "bus/buspoller.h"
#include "cliargs.h"
#include "meterreader.h"
#include "search/metersearch.h"

namespace mt::cli {

struct ReadingContext {
    QString port;
    QString family;  // "panel" or "rail"
    int address = 1;
    QString mode;  // 一次 / 二次 on the panel-mount meter, empty on the DIN-rail one
};

// The width of a text on a terminal: wide (CJK) characters count two.
int DisplayWidth(const QString& text);

// One reading. `first`: the first of a run (the CSV header goes with it).
QByteArray FormatReading(Format format, const ReadingContext& context, const Reading& reading,
                         bool first);
// One reading's checks and their conclusion.
QByteArray FormatChecks(Format format, const ReadingContext& context, const Reading& reading,
                        const std::vector<CheckResult>& results, const QString& conclusion);
// One find of the search. `first`: the first of a run (the CSV header and
// the table's heading go with it).
QByteArray FormatFind(Format format, const QString& port, const SearchFind& find, bool first);
QByteArray FindCsvHeader();

// One meter after one bus round: only the values that came in that round.
QByteArray FormatBusRecord(Format format, const QString& port, quint64 round,
                           const QDateTime& roundEnd, const BusMeterStatus& meter, bool first);

// The results of one point of the accuracy test: a record per meter under
// test and quantity (or register test). `first`: the first point printed
// (the CSV header and the table's heading go with it).
QByteArray FormatTestPoint(Format format, const QString& port, const AccuracyRun& run, int point,
                           bool first);
// A verdict as the machine formats write it: pass, fail, too-coarse,
// no-reference, not-judged.
QString VerdictWord(AccuracyVerdict verdict);

// A request's outcome for --verbose, like a line of the traffic monitor.
QString OutcomeLine(const RequestOutcome& outcome);
// The summary line on standard error at the end.
QString SummaryLine(int readings, int requests, int accepted);

}  // namespace mt::cli
