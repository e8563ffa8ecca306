// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/request.h"

namespace mt {

// The program-wide request parameters (MeterAddress, StartRegister,
// RegisterCount, RequestFrame), shared by whichever monitor screen is open.
RequestParameters& SharedRequest();

}  // namespace mt
