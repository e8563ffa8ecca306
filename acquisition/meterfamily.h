// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "link/meterkind.h"

namespace mt {

// The meter family's name as the program writes it everywhere: in window
// titles, the search results and the recordings' file names.
QString MeterFamilyName(MeterKind kind);

}  // namespace mt
