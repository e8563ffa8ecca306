// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "link/answer.h"
#include "link/fieldtext.h"
#include "link/meterkind.h"
#include "link/pollstep.h"

namespace mt {

// What the bus overview reads from a meter of one family: its measurement
// reads (voltages, currents, powers, power factor and frequency), how their
// answers become field texts under the monitors' field names, and the mode
// the texts are in for reading them as phase values.
struct BusFamily {
    std::vector<PollStep> reads;
    std::function<std::vector<FieldText>(AnswerBytes answer)> decode;
    QString mode;
};

// Both families. The families' decoders live with their monitors, above the
// overview: the program hands them down (shell/busfamilies.h).
struct BusFamilies {
    BusFamily panelMount;
    BusFamily dinRail;

    const BusFamily& of(MeterKind kind) const {
        return kind == MeterKind::PanelMount ? panelMount : dinRail;
    }
};

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
