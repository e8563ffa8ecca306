// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mt {

using AnswerBytes = std::span<const std::uint8_t>;

// Length of a register answer (function 3 or 4) to a read of `registerCount`
// registers: address, function code, byte count, the data, two CRC bytes.
// Zero for counts that cannot have an answer (negative).
std::size_t RegisterAnswerLength(std::int16_t registerCount);

// Length of a coil or discrete-input answer (function 1 or 2) to a read of up
// to eight points: one status byte.
inline constexpr std::size_t kBitAnswerLength = 6;

// The acceptance test every candidate answer must pass before a decoder looks
// at it, in this order: at least 3 bytes; length 2 x registerCount + 5 with
// function code 4 or 3, or length 6 with function code 2 or 1; the CRC over
// all bytes but the last two equals the last two (low byte first). The
// address and the byte-count byte are not examined.
bool AcceptAnswer(AnswerBytes answer, std::int16_t registerCount);

// True when the byte-count byte of a register answer agrees with the
// answer's length (byte count + 5). The decoders read their values on the
// strength of that byte, so an answer where it disagrees is dropped.
bool ByteCountFitsLength(AnswerBytes answer);

// True when the answer holds the `count` bytes starting at `first`.
inline bool HasBytes(AnswerBytes answer, std::size_t first, std::size_t count) {
    return first <= answer.size() && count <= answer.size() - first;
}

}  // namespace mt
