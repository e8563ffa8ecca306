// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "serialport.h"

namespace mt {

// A short explanation, in the user's words, of why the serial component
// refused and what to do about it: the device missing (converter not plugged
// in), no permission (join the dialout group), the port held by another
// program (named with its process id when the system tells), which line
// setting cannot be used, and so on. `device` is the device the port number
// stands for ("" when none). For the port panel's device line and tooltip.
QString PortOpenAdvice(const PortError& error, const QString& device);

}  // namespace mt
