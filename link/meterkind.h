// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace mt {

// The two meter families the tool serves, each with its own register map and
// monitor screen; the simulator models the same two.
enum class MeterKind {
    PanelMount,  // the panel-mount multifunction meter
    DinRail,     // the DIN-rail meter
};

}  // namespace mt
