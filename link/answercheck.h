// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "answer.h"

namespace mt {

// What the bytes collected for one request amount to.
enum class AnswerOutcome {
    Accepted,   // the answer passed the acceptance test
    NoAnswer,   // not one byte came
    BadCrc,     // the length fits the request, the CRC does not
    Exception,  // the meter's exception answer (function code | 0x80, five bytes, CRC right)
    Malformed,  // anything else: too short, too long, garbage before or noise after
    Late,       // the start of an answer came, its end only after the answer window
};

struct AnswerCheck {
    AnswerOutcome outcome = AnswerOutcome::NoAnswer;
    std::uint8_t exceptionCode = 0;  // with Exception only

    bool operator==(const AnswerCheck&) const = default;
};

// Bit 7 of the function code marks an exception answer.
inline constexpr std::uint8_t kExceptionFlag = 0x80;
inline constexpr std::size_t kExceptionAnswerLength = 5;

// The length of a correct answer to a read with this function code and count:
// six bytes for coils and inputs, 2 x count + 5 for registers.
std::size_t ExpectedAnswerLength(std::int16_t function, std::int16_t registerCount);

// Tells why the bytes collected for a request were or were not taken. The
// acceptance test decides Accepted exactly as the monitors apply it (the
// function code of the request plays no part in it); the other outcomes are
// told apart by the request's function code and count.
AnswerCheck CheckAnswer(AnswerBytes collected, std::int16_t function, std::int16_t registerCount);

// Whether the bytes collected when the answer window ended are the first part
// of an answer to this request that was still coming: shorter than the
// answer, with the request's function code (or its exception form) and, for
// a register answer, the byte count it must carry.
bool IsAnswerStart(AnswerBytes collected, std::int16_t function, std::int16_t registerCount);

// The length of a complete answer (data or exception, CRC right) to a read
// with this function code and count at the very start of `bytes`; 0 if they
// do not start with one. Tells an answer that came entirely after its window
// in front of the next request's bytes.
std::size_t LeadingAnswerLength(AnswerBytes bytes, std::int16_t function,
                                std::int16_t registerCount);

}  // namespace mt
