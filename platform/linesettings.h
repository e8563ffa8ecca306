// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace mt {

// The line settings of a serial port as given by the settings text
// "baud,parity,data,stop", e.g. "9600,N,8,1".
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The highest baud rate accepted in a settings text.
inline constexpr int kMaxBaud = 4'000'000;

// Reads a settings text: exactly four fields separated by single commas, no
// blanks anywhere;
//   baud:   decimal digits only, 1 to kMaxBaud;
//   parity: one letter N, E, O, M or S, either case;
//   data:   one digit 5 to 8;
//   stop:   "1", "1.5" or "2".
// Anything else gives nothing. Defined for every input; reads only the given
// characters.
std::optional<LineSettings> ParseLineSettings(std::string_view text);

}  // namespace mt
