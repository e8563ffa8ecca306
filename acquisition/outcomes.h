// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

#include "link/answercheck.h"

namespace mt {

// The meaning of a Modbus exception code in the screen's language, e.g.
// "非法数据地址" for 02; "未知的异常代码" for codes no standard defines.
QString ExceptionMeaning(std::uint8_t code);

// The outcome of a request in the screen's language (正常, 无应答, ...).
QString OutcomeName(AnswerOutcome outcome);

}  // namespace mt
