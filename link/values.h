// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "answer.h"

namespace mt {

// Upper-case hexadecimal text of `count` answer bytes from `first`, two digits
// per byte (a byte below 0x10 gets a leading zero), bytes in answer order.
// Empty when the bytes are not all there.
std::string HexText(AnswerBytes answer, std::size_t first, std::size_t count);

// Stores into `value` the single-precision number whose bit pattern the
// 8-digit hexadecimal text spells, most significant byte first. A digit pair
// that is missing (short text) or is not hexadecimal counts as 0.
void HexToSingle(std::string_view hexText, float& value);

// The single-precision value of the float register pair at answer byte `first`
// (four bytes, most significant first); nothing if the bytes are not there.
std::optional<float> RegisterSingle(AnswerBytes answer, std::size_t first);

// Signed 16-bit value of the register at answer byte `first` (high byte first).
std::optional<std::int16_t> RegisterValue16(AnswerBytes answer, std::size_t first);

// Signed 32-bit value of the two registers at answer byte `first`; the
// lower-numbered register is the high word.
std::optional<std::int32_t> RegisterValue32(AnswerBytes answer, std::size_t first);

}  // namespace mt
