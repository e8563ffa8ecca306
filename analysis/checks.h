// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <span>
#include <vector>

#include "analysis/readingvalues.h"

namespace mt {

// A check's finding, from best to worst; NoData when the values it needs did
// not all come in the tick (or the meter does not report them).
enum class Verdict { Normal, Attention, Fault, NoData };

QString VerdictText(Verdict verdict);  // 正常, 注意, 异常, 无数据

// The limits of the checks. Percentages are given as fractions.
struct Thresholds {
    double voltageLow = 0.85;      // a phase below this share of the others: 注意
    double voltageMissing = 0.50;  // below this share: 异常 (missing)
    double voltageAbsent = 10;     // V: all three below this: no voltage at all
    double voltageUnbalanceAttention = 0.02;
    double voltageUnbalanceFault = 0.04;
    double currentUnbalanceAttention = 0.15;
    double currentUnbalanceFault = 0.30;
    double noLoadShare = 0.02;        // a phase below this share of the largest S has no load
    double powerAngleAttention = 40;  // degrees from the other phases
    double powerAngleFault = 80;
    double sequenceTolerance = 30;  // degrees around 120 (or 240)
    double lineVoltageAttention = 0.03;
    double lineVoltageFault = 0.10;
    double sumTolerance = 0.01;       // share, on top of the display resolution
    double frequencyAttention = 0.2;  // Hz from nominal
    double frequencyFault = 0.5;
    double nominalFrequency = 50;
};

// One row of the threshold table: what it limits, its unit as shown, how a
// stored fraction is shown (100 for percentages) and where the figure comes from.
struct ThresholdInfo {
    double Thresholds::*member;
    const char* key;  // for settings and tests
    QString name;
    QString unit;
    double shownFactor;
    QString source;
};
std::span<const ThresholdInfo> ThresholdTable();

// One check's result: its name, the verdict, the measured figures that led
// to it, and one sentence on the likely cause and what to check on site.
struct CheckResult {
    const char* id;
    QString name;
    Verdict verdict = Verdict::NoData;
    QString figures;
    QString advice;
};

// Runs every check on one tick's values, in a fixed order (voltages first,
// then frequency, currents, directions and angles, then the meter's own
// arithmetic). Pure: values in, verdicts out.
std::vector<CheckResult> RunChecks(const PhaseReadings& readings, const Thresholds& limits);

// One line for the whole: the advice of the first 异常, else of the first
// 注意, else that wiring and readings hold together (or that there is no data).
QString Conclusion(const std::vector<CheckResult>& results);

// The power angle φ = atan2(Q, P) of each phase with load, in degrees
// (-180, 180]; absent without load or without data.
PhaseValues PowerAngles(const PhaseReadings& readings, const Thresholds& limits);

}  // namespace mt
