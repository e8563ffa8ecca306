// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "accuracy/accuracyrun.h"

namespace mt {

// The text of a number as the record writes it: `decimals` after the point,
// or "—" for nothing.
QString RecordNumber(std::optional<double> value, int decimals);

// The record's heading and one row per judged quantity (or register test) of
// every point, for the position `position`.
QStringList RecordCsvHeader();
QList<QStringList> RecordCsvRows(const AccuracyRun& run, int position);

// The position's overall verdict over every point done: 不合格 if any
// quantity failed, 合格 if everything judged passed, otherwise what kept it
// from a verdict (e.g. 分辨率不足); nothing when no point was done.
std::optional<AccuracyVerdict> OverallVerdict(const AccuracyRun& run, int position);

// A file name for a position's record: "表位03_地址5_1#进线" without the
// characters file systems refuse.
QString RecordBaseName(const TestPosition& position, int index);

}  // namespace mt
