// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace mt {

// Texts of the value fields. All use a point as the decimal separator,
// whatever the process locale says, and never show a negative zero.
// Infinities and not-a-number show as "Inf", "-Inf" and "NaN".

// The voltage form "000.0": at least three integer digits with leading zeros,
// exactly one decimal (rounded half away from zero), a minus sign ahead of the
// digits for negatives, more integer digits when the value needs them.
std::string VoltageText(float value);

// The general single-precision text: the shortest decimal text with at most 7
// significant digits, no trailing zeros, no point for whole numbers, "0"
// before the point below 1. Exponent form ("1E+07", "1.5E-07") when the
// decimal exponent is below -4 or at least 7.
std::string SingleText(float value);

// The general double-precision text: the same rule with at most 15
// significant digits (exponent form from 1E+15 on).
std::string GeneralNumberText(double value);

}  // namespace mt
