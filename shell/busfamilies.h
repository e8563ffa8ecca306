// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bus/busreads.h"

namespace mt {

// What the bus overview reads from each family, with the families' own
// decoders: the panel-mount meter's primary measurement and power blocks
// (registers 10 and 34), the DIN-rail meter's measurement block and its
// power factor and frequency (registers 70 and 93).
BusFamilies MeasurementFamilies();

// What the accuracy test reads: the measurement reads above and the active
// energy register (the panel-mount meter's power block carries it already;
// the DIN-rail meter's total active energy block, register 8192).
BusFamilies AccuracyFamilies();

}  // namespace mt
