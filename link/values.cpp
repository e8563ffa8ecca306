// SPDX-License-Identifier: GPL-3.0-or-later
#include "values.h"

#include <bit>
#include <cstdint>

namespace mt {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The byte spelled by the digit pair starting at `pos`; 0 when the pair is
// missing or not hexadecimal.
std::uint8_t PairValue(std::string_view text, std::size_t pos) {
    if (pos + 2 > text.size()) {
        return 0;
    }
    const int high = HexDigitValue(text[pos]);
    const int low = HexDigitValue(text[pos + 1]);
    if (high < 0 || low < 0) {
        return 0;
    }
    return static_cast<std::uint8_t>(high * 16 + low);
}

float SingleFromBigEndian(std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0) {
    const std::uint32_t bits = (static_cast<std::uint32_t>(b3) << 24) |
                               (static_cast<std::uint32_t>(b2) << 16) |
                               (static_cast<std::uint32_t>(b1) << 8) | b0;
    return std::bit_cast<float>(bits);
}

}  // namespace

std::string HexText(AnswerBytes answer, std::size_t first, std::size_t count) {
    if (!HasBytes(answer, first, count)) {
        return {};
    }
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = first; i < first + count; ++i) {
        text += kDigits[answer[i] >> 4];
        text += kDigits[answer[i] & 0x0FU];
    }
    return text;
}

void HexToSingle(std::string_view hexText, float& value) {
    value = SingleFromBigEndian(PairValue(hexText, 0), PairValue(hexText, 2), PairValue(hexText, 4),
                                PairValue(hexText, 6));
}

std::optional<float> RegisterSingle(AnswerBytes answer, std::size_t first) {
    if (!HasBytes(answer, first, 4)) {
        return std::nullopt;
    }
    return SingleFromBigEndian(answer[first], answer[first + 1], answer[first + 2],
                               answer[first + 3]);
}

std::optional<std::int16_t> RegisterValue16(AnswerBytes answer, std::size_t first) {
    if (!HasBytes(answer, first, 2)) {
        return std::nullopt;
    }
    const auto bits =
        static_cast<std::uint16_t>((static_cast<unsigned>(answer[first]) << 8) | answer[first + 1]);
    return static_cast<std::int16_t>(bits);
}

std::optional<std::int32_t> RegisterValue32(AnswerBytes answer, std::size_t first) {
    if (!HasBytes(answer, first, 4)) {
        return std::nullopt;
    }
    const std::uint32_t bits = (static_cast<std::uint32_t>(answer[first]) << 24) |
                               (static_cast<std::uint32_t>(answer[first + 1]) << 16) |
                               (static_cast<std::uint32_t>(answer[first + 2]) << 8) |
                               answer[first + 3];
    return static_cast<std::int32_t>(bits);
}

}  // namespace mt
