// SPDX-License-Identifier: GPL-3.0-or-later
#include "outcomes.h"

namespace mt {

QString ExceptionMeaning(std::uint8_t code) {
    switch (code) {
        case 0x01:
            return QStringLiteral("非法功能");
        case 0x02:
            return QStringLiteral("非法数据地址");
        case 0x03:
            return QStringLiteral("非法数据值");
        case 0x04:
            return QStringLiteral("从站设备故障");
        case 0x05:
            return QStringLiteral("确认（从站正在处理）");
        case 0x06:
            return QStringLiteral("从站设备忙");
        case 0x08:
            return QStringLiteral("存储奇偶校验错误");
        case 0x0A:
            return QStringLiteral("网关路径不可用");
        case 0x0B:
            return QStringLiteral("网关目标设备无响应");
        default:
            return QStringLiteral("未知的异常代码");
    }
}

QString OutcomeName(AnswerOutcome outcome) {
    switch (outcome) {
        case AnswerOutcome::Accepted:
            return QStringLiteral("正常");
        case AnswerOutcome::NoAnswer:
            return QStringLiteral("无应答");
        case AnswerOutcome::BadCrc:
            return QStringLiteral("校验错误");
        case AnswerOutcome::Exception:
            return QStringLiteral("异常应答");
        case AnswerOutcome::Malformed:
            return QStringLiteral("格式错误");
        case AnswerOutcome::Late:
            return QStringLiteral("迟到");
    }
    return {};
}

}  // namespace mt
