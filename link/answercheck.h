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

}  // namespace mt
