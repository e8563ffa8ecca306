// SPDX-License-Identifier: GPL-3.0-or-later
#include "meterfamily.h"

namespace mt {

QString MeterFamilyName(MeterKind kind) {
    return kind == MeterKind::PanelMount ? QStringLiteral("嵌入式多功能电力仪表")
                                         : QStringLiteral("导轨式电力仪表");
}

}  // namespace mt
