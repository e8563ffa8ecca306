// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>

#include "analysis/checks.h"
#include "analysis/readingvalues.h"

class QPainter;

namespace mt {

// One arrow of the phasor diagram: its label (Ua, Ia, ...), its magnitude
// and angle (degrees, counter-clockwise, Ua at 0°). Either may be absent:
// an arrow without magnitude is not drawn, one without angle neither, but
// its label says why.
struct PhasorArrow {
    QString name;
    MaybeValue magnitude;
    MaybeValue angle;
    bool angleAssumed = false;  // the meter does not report it: the ideal angle
};

struct PhasorDiagram {
    std::array<PhasorArrow, 3> voltages;
    std::array<PhasorArrow, 3> currents;
    bool voltageAnglesAssumed = false;
};

// The phase voltages' angles and the currents' from a tick's values:
// - the DIN-rail meter's angle registers AB, BC, CA are how far each phase
//   voltage lies behind the one before it, so Ub = −AB and Uc = −(AB + BC);
// - the panel-mount meter reports none: the ideal 0, −120, +120° stand in;
// - each current lies its phase's power angle φ = atan2(Q, P) behind its
//   voltage; without load or without P and Q it has no angle.
PhasorDiagram PhasorsOf(const PhaseReadings& readings, const Thresholds& limits);

// Degrees in (−180, 180].
double NormalizedDegrees(double degrees);

// Where an arrow ends: `magnitude` on a scale whose `fullScale` reaches
// `radius`, at `angle` degrees counter-clockwise from the right, around
// `centre`, in screen coordinates (y grows downwards). Magnitudes are taken
// as their size; a full scale of 0 or less draws nothing (the centre).
QPointF ArrowTip(QPointF centre, double radius, double magnitude, double fullScale, double angle);

// The full scale of a set of arrows: the largest magnitude present (0 if none).
double FullScale(const std::array<PhasorArrow, 3>& arrows);

// Draws the diagram into `area`: voltages on the outer scale, currents on
// an inner one, each arrow labelled with its magnitude and angle; assumed
// voltage angles dashed and marked 假定; a note of both scales below.
void PaintPhasors(QPainter& painter, const QRectF& area, const PhasorDiagram& diagram);

}  // namespace mt
