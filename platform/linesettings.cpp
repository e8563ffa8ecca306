// SPDX-License-Identifier: GPL-3.0-or-later
#include "linesettings.h"

#include <array>
#include <cstddef>

namespace mt {

namespace {

std::optional<int> ParseBaud(std::string_view field) {
    if (field.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        // Checked before every further digit, so the value never exceeds
        // 10 * kMaxBaud + 9, far below the range of int.
        if (value > kMaxBaud) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<LineSettings::Parity> ParseParity(std::string_view field) {
    if (field.size() != 1) {
        return std::nullopt;
    }
    switch (field[0]) {
        case 'N':
        case 'n':
            return LineSettings::Parity::None;
        case 'E':
        case 'e':
            return LineSettings::Parity::Even;
        case 'O':
        case 'o':
            return LineSettings::Parity::Odd;
        case 'M':
        case 'm':
            return LineSettings::Parity::Mark;
        case 'S':
        case 's':
            return LineSettings::Parity::Space;
        default:
            return std::nullopt;
    }
}

std::optional<int> ParseDataBits(std::string_view field) {
    if (field.size() != 1 || field[0] < '5' || field[0] > '8') {
        return std::nullopt;
    }
    return field[0] - '0';
}

std::optional<LineSettings::StopBits> ParseStopBits(std::string_view field) {
    if (field == "1") {
        return LineSettings::StopBits::One;
    }
    if (field == "1.5") {
        return LineSettings::StopBits::OneAndHalf;
    }
    if (field == "2") {
        return LineSettings::StopBits::Two;
    }
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = text.find(',', start);
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) {
            return std::nullopt;  // too few or too many fields
        }
        fields[i] = last ? text.substr(start) : text.substr(start, comma - start);
        start = last ? text.size() : comma + 1;
    }

    const auto baud = ParseBaud(fields[0]);
    const auto parity = ParseParity(fields[1]);
    const auto dataBits = ParseDataBits(fields[2]);
    const auto stopBits = ParseStopBits(fields[3]);
    if (!baud || !parity || !dataBits || !stopBits) {
        return std::nullopt;
    }
    return LineSettings{*baud, *parity, *dataBits, *stopBits};
}

}  // namespace mt
