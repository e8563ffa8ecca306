// SPDX-License-Identifier: GPL-3.0-or-later
#include "answer.h"

#include "crc16.h"
#include "request.h"

namespace mt {

std::size_t RegisterAnswerLength(std::int16_t registerCount) {
    if (registerCount < 0) {
        return 0;
    }
    return 2U * static_cast<std::size_t>(registerCount) + 5U;
}

bool AcceptAnswer(AnswerBytes answer, std::int16_t registerCount) {
    if (answer.size() < 3) {
        return false;
    }
    const std::uint8_t function = answer[1];
    const bool registerShape =
        answer.size() == RegisterAnswerLength(registerCount) &&
        (function == kReadInputRegisters || function == kReadHoldingRegisters);
    const bool bitShape = answer.size() == kBitAnswerLength &&
                          (function == kReadDiscreteInputs || function == kReadCoils);
    if (!registerShape && !bitShape) {
        return false;
    }
    const std::uint16_t crc = Crc16(answer.first(answer.size() - 2));
    return answer[answer.size() - 2] == (crc & 0xFFU) && answer[answer.size() - 1] == (crc >> 8);
}

bool ByteCountFitsLength(AnswerBytes answer) {
    return answer.size() >= 5 && static_cast<std::size_t>(answer[2]) + 5U == answer.size();
}

}  // namespace mt
