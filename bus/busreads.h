// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <span>
#include <vector>

#include "link/answer.h"
#include "link/fieldtext.h"
#include "link/meterkind.h"
#include "link/pollstep.h"

namespace mt {

// What the bus overview reads from a meter of each family: the measurement
// reads (voltages, currents, powers, power factor and frequency), and how
// their answers become field texts under the monitors' field names.
std::span<const PollStep> BusReads(MeterKind kind);
std::vector<FieldText> DecodeBusAnswer(MeterKind kind, AnswerBytes answer);
// The mode the texts are in, for reading them as phase values ("一次" for
// the panel-mount meter's primary values, nothing for the DIN-rail meter).
QString BusReadsMode(MeterKind kind);

// The figures of the overview's table from a meter's field texts; absent
// where a text is missing or not a number.
struct BusFigures {
    std::optional<double> phaseVoltage;  // the mean of the phase voltages that came
    std::optional<double> ia, ib, ic;
    std::optional<double> pTotal;
    std::optional<double> powerFactor;
    std::optional<double> frequency;
};
BusFigures BusFiguresOf(const QHash<QString, QString>& texts);

}  // namespace mt
