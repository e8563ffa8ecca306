// SPDX-License-Identifier: GPL-3.0-or-later
#include "outcomes.h"

#include <QCoreApplication>

namespace mt {

namespace {
struct OutcomeTexts {
    Q_DECLARE_TR_FUNCTIONS(OutcomeTexts)
};
}  // namespace

QString ExceptionMeaning(std::uint8_t code) {
    switch (code) {
        case 0x01:
            return OutcomeTexts::tr("非法功能");
        case 0x02:
            return OutcomeTexts::tr("非法数据地址");
        case 0x03:
            return OutcomeTexts::tr("非法数据值");
        case 0x04:
            return OutcomeTexts::tr("从站设备故障");
        case 0x05:
            return OutcomeTexts::tr("确认（从站正在处理）");
        case 0x06:
            return OutcomeTexts::tr("从站设备忙");
        case 0x08:
            return OutcomeTexts::tr("存储奇偶校验错误");
        case 0x0A:
            return OutcomeTexts::tr("网关路径不可用");
        case 0x0B:
            return OutcomeTexts::tr("网关后的仪表无应答");
        default:
            return OutcomeTexts::tr("未知的异常代码");
    }
}

QString OutcomeName(AnswerOutcome outcome) {
    switch (outcome) {
        case AnswerOutcome::Accepted:
            return OutcomeTexts::tr("正常");
        case AnswerOutcome::NoAnswer:
            return OutcomeTexts::tr("无应答");
        case AnswerOutcome::BadCrc:
            return OutcomeTexts::tr("校验错误");
        case AnswerOutcome::Exception:
            return OutcomeTexts::tr("异常应答");
        case AnswerOutcome::Malformed:
            return OutcomeTexts::tr("格式错误");
        case AnswerOutcome::Late:
            return OutcomeTexts::tr("迟到");
    }
    return {};
}

}  // namespace mt
