// SPDX-License-Identifier: GPL-3.0-or-later
#include "answercheck.h"

#include "crc16.h"
#include "request.h"

namespace mt {

namespace {

bool CrcFits(AnswerBytes bytes) {
    if (bytes.size() < 3) {
        return false;
    }
    const std::uint16_t crc = Crc16(bytes.first(bytes.size() - 2));
    return bytes[bytes.size() - 2] == (crc & 0xFFU) && bytes[bytes.size() - 1] == (crc >> 8);
}

}  // namespace

std::size_t ExpectedAnswerLength(std::int16_t function, std::int16_t registerCount) {
    if (function == kReadCoils || function == kReadDiscreteInputs) {
        return kBitAnswerLength;
    }
    return RegisterAnswerLength(registerCount);
}

AnswerCheck CheckAnswer(AnswerBytes collected, std::int16_t function, std::int16_t registerCount) {
    if (collected.empty()) {
        return {AnswerOutcome::NoAnswer, 0};
    }
    if (AcceptAnswer(collected, registerCount)) {
        return {AnswerOutcome::Accepted, 0};
    }
    const auto exceptionFunction = static_cast<std::uint8_t>(function | kExceptionFlag);
    if (collected.size() == kExceptionAnswerLength && collected[1] == exceptionFunction &&
        CrcFits(collected)) {
        return {AnswerOutcome::Exception, collected[2]};
    }
    if (collected.size() == ExpectedAnswerLength(function, registerCount) && !CrcFits(collected)) {
        return {AnswerOutcome::BadCrc, 0};
    }
    return {AnswerOutcome::Malformed, 0};
}

bool IsAnswerStart(AnswerBytes collected, std::int16_t function, std::int16_t registerCount) {
    if (collected.size() < 2 || collected.size() >= ExpectedAnswerLength(function, registerCount)) {
        return false;
    }
    const auto exceptionFunction = static_cast<std::uint8_t>(function | kExceptionFlag);
    if (collected[1] == exceptionFunction) {
        return collected.size() < kExceptionAnswerLength;
    }
    if (collected[1] != function) {
        return false;
    }
    const bool registers = function == kReadInputRegisters || function == kReadHoldingRegisters;
    return collected.size() < 3 || !registers || collected[2] == 2 * registerCount;
}

std::size_t LeadingAnswerLength(AnswerBytes bytes, std::int16_t function,
                                std::int16_t registerCount) {
    for (const std::size_t length :
         {ExpectedAnswerLength(function, registerCount), kExceptionAnswerLength}) {
        if (length > 0 && length <= bytes.size()) {
            const AnswerBytes head = bytes.first(length);
            const AnswerCheck check = CheckAnswer(head, function, registerCount);
            if (check.outcome == AnswerOutcome::Accepted ||
                check.outcome == AnswerOutcome::Exception) {
                return length;
            }
        }
    }
    return 0;
}

}  // namespace mt
