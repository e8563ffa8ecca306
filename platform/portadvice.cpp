// SPDX-License-Identifier: GPL-3.0-or-later
#include "portadvice.h"

#include <QCoreApplication>

#include <QSysInfo>

#include "linesettings.h"

namespace mt {

namespace {
struct PortAdviceTexts {
    Q_DECLARE_TR_FUNCTIONS(PortAdviceTexts)
};
}  // namespace

namespace {

QString SettingAdvice(PortError::Setting setting) {
    switch (setting) {
        case PortError::Setting::Baud:
            return PortAdviceTexts::tr("波特率无效：应为 1 到 %1 之间的整数，例如 9600。")
                .arg(kMaxBaud);
        case PortError::Setting::Parity:
            return PortAdviceTexts::tr(
                "校验位无效：应为 N（无）、E（偶）、O（奇）、M（标记）或 S（空格）。");
        case PortError::Setting::DataBits:
            return PortAdviceTexts::tr("数据位无效：应为 5、6、7 或 8。");
        case PortError::Setting::StopBits:
            return PortAdviceTexts::tr(
                "停止位无效：应为 1、1.5 或 2，且 1.5 位停止位只能配 5 位数据位。");
        case PortError::Setting::Format:
        case PortError::Setting::None:
            break;
    }
    return PortAdviceTexts::tr("串口设置应为“波特率,校验位,数据位,停止位”，例如 9600,N,8,1。");
}

QString HolderText(const PortHolder& holder) {
    if (!holder.known()) {
        return {};
    }
    QString who = holder.program.isEmpty()
                      ? PortAdviceTexts::tr("进程号 %1").arg(holder.pid)
                      : PortAdviceTexts::tr("%1，进程号 %2").arg(holder.program).arg(holder.pid);
    if (!holder.host.isEmpty() && holder.host != QSysInfo::machineHostName()) {
        who += PortAdviceTexts::tr("，计算机 %1").arg(holder.host);
    }
    return PortAdviceTexts::tr("（%1）").arg(who);
}

}  // namespace

QString PortOpenAdvice(const PortError& error, const QString& device) {
    switch (error.kind) {
        case PortError::Kind::NoSuchPort:
            if (device.isEmpty()) {
                return PortAdviceTexts::tr(
                    "这个串口号没有对应的设备：请插上串口转换器，或选择别的串口号。");
            }
            return PortAdviceTexts::tr(
                       "设备 %1 不存在：串口转换器可能没有插上或已拔出，请插上后再打开串口。")
                .arg(device);
        case PortError::Kind::NoPermission:
            return PortAdviceTexts::tr(
                       "没有权限打开 %1：请把当前用户加入 dialout 组（sudo usermod -aG dialout "
                       "$USER），然后注销并重新登录。")
                .arg(device);
        case PortError::Kind::PortInUse:
            return PortAdviceTexts::tr("串口被其他程序占用%1：请先关闭该程序，或选择别的串口号。")
                .arg(HolderText(error.holder));
        case PortError::Kind::BadSettings:
            return SettingAdvice(error.setting);
        case PortError::Kind::BadPortNumber:
            return PortAdviceTexts::tr("串口号无效：请从列表中选择一个串口号。");
        case PortError::Kind::AlreadyOpen:
            return PortAdviceTexts::tr("串口已打开：请先关闭串口，再换串口号。");
        case PortError::Kind::NotOpen:
            return PortAdviceTexts::tr("串口没有打开：请先打开串口。");
        case PortError::Kind::DeviceLost:
            return PortAdviceTexts::tr("设备 %1 已断开：请检查串口转换器和连线，然后重新打开串口。")
                .arg(device);
        case PortError::Kind::Other:
            break;
    }
    const QString what = device.isEmpty() ? PortAdviceTexts::tr("串口") : device;
    if (error.detail.isEmpty()) {
        return PortAdviceTexts::tr("无法打开 %1。").arg(what);
    }
    return PortAdviceTexts::tr("无法打开 %1（系统的说明：%2）。").arg(what, error.detail);
}

}  // namespace mt
