// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace mt {

namespace {

// Text for values that are not ordinary numbers; empty for finite ones.
std::string NonFiniteText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "Inf";
    }
    return {};
}

// The %G rule with the given significant digits, made locale-independent by
// std::to_chars, with an upper-case exponent letter as the screens show it.
template <typename Number>
std::string GeneralText(Number value, int significantDigits) {
    if (const std::string special = NonFiniteText(static_cast<double>(value)); !special.empty()) {
        return special;
    }
    if (value == 0) {
        return "0";  // also for negative zero
    }
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::general, significantDigits);
    if (ec != std::errc{}) {
        return "NaN";  // cannot happen for a 64-byte buffer; keep a defined text anyway
    }
    std::string text(buffer, end);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

}  // namespace

std::string VoltageText(float value) {
    if (const std::string special = NonFiniteText(value); !special.empty()) {
        return special;
    }
    // The exact decimal expansion of the single (every float has a finite
    // one), rounded by hand so that halves go away from zero.
    const double magnitude = std::fabs(static_cast<double>(value));
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, 160);
    if (ec != std::errc{}) {
        return "NaN";
    }
    const std::string exact(buffer, end);
    const std::size_t point = exact.find('.');
    std::string integer = exact.substr(0, point);
    int tenth = exact[point + 1] - '0';
    if (exact[point + 2] >= '5') {
        ++tenth;
    }
    if (tenth == 10) {
        tenth = 0;
        // Carry into the integer digits.
        int i = static_cast<int>(integer.size()) - 1;
        while (i >= 0 && integer[static_cast<std::size_t>(i)] == '9') {
            integer[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            integer.insert(integer.begin(), '1');
        } else {
            ++integer[static_cast<std::size_t>(i)];
        }
    }
    while (integer.size() < 3) {
        integer.insert(integer.begin(), '0');
    }
    const bool showsZero = integer.find_first_not_of('0') == std::string::npos && tenth == 0;
    std::string text = (value < 0 && !showsZero) ? "-" : "";
    text += integer;
    text += '.';
    text += static_cast<char>('0' + tenth);
    return text;
}

std::string SingleText(float value) {
    return GeneralText(value, 7);
}

std::string GeneralNumberText(double value) {
    return GeneralText(value, 15);
}

}  // namespace mt
