// SPDX-License-Identifier: GPL-3.0-or-later
#include "meterfamily.h"

#include <QCoreApplication>

namespace mt {

namespace {
struct MeterFamilyTexts {
    Q_DECLARE_TR_FUNCTIONS(MeterFamilyTexts)
};
}  // namespace

QString MeterFamilyName(MeterKind kind) {
    return kind == MeterKind::PanelMount ? MeterFamilyTexts::tr("嵌入式多功能电力仪表")
                                         : MeterFamilyTexts::tr("导轨式电力仪表");
}

}  // namespace mt
