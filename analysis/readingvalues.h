// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <optional>

#include "link/meterkind.h"

namespace mt {

using MaybeValue = std::optional<double>;
using PhaseValues = std::array<MaybeValue, 3>;

// The smallest step each kind of quantity shows in, for the checks'
// tolerances; 0 where the meter sends floating-point values.
struct Resolution {
    double voltage = 0.1;
    double current = 0;
    double power = 0;  // P, Q and S alike
    double powerFactor = 0.001;
    double frequency = 0;
    double angle = 0.01;
};

// The three-phase quantities of one tick, as numbers in the screen's units.
// A quantity no accepted answer refreshed in the tick is absent.
struct PhaseReadings {
    MeterKind kind = MeterKind::PanelMount;
    PhaseValues u;      // phase voltages, V
    PhaseValues uLine;  // line voltages ab, bc, ca, V
    PhaseValues i;      // currents, A
    PhaseValues p;      // active powers, in `powerUnit`
    PhaseValues q;      // reactive powers, same scale as p
    PhaseValues s;      // apparent powers per phase (DIN-rail meter only)
    PhaseValues angle;  // angles between the phase voltages ab, bc, ca, degrees (DIN-rail only)
    MaybeValue pTotal;
    MaybeValue qTotal;
    MaybeValue sTotal;
    MaybeValue powerFactor;
    MaybeValue frequency;
    Resolution resolution;
    // Voltage times current gives VA; the powers are in VA times this
    // (1 on the panel-mount screen, 1000 on the DIN-rail screen: kW).
    double powerScale = 1;
};

// Reads a tick's field texts (object name to text) into numbers. `mode` is
// the acquisition mode's name on the panel-mount screen ("一次", "二次"),
// which sets the resolution. Texts that are no finite number count as absent.
PhaseReadings ReadPhaseValues(MeterKind kind, const QString& mode,
                              const QHash<QString, QString>& texts);

// The unit of the powers as the checks' figures show it.
QString ActivePowerUnit(const PhaseReadings& r);
QString ReactivePowerUnit(const PhaseReadings& r);
QString ApparentPowerUnit(const PhaseReadings& r);

}  // namespace mt
