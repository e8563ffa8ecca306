// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panel-mount screen's value fields: object name, caption and unit (as
// the screen shows them, translated in the context "mt::PanelMeterWindow"),
// and their place in the screen's grid. Plain data, for the screen and for
// what prints the same fields without one (metertest-cli).

#include <QtGlobal>
#include <array>

namespace mt {

inline constexpr const char* kPanelFieldContext = "mt::PanelMeterWindow";

struct PanelFieldPlace {
    const char* name;
    const char* caption;
    const char* unit;
    int column;
    int row;
};

inline constexpr std::array<PanelFieldPlace, 24> kPanelFields = {{
    {"UanT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "相电压Uan"), "V", 0, 0},
    {"UbnT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "相电压Ubn"), "V", 0, 1},
    {"UcnT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "相电压Ucn"), "V", 0, 2},
    {"PaT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "有功功率Pa"), "W", 0, 3},
    {"PbT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "有功功率Pb"), "W", 0, 4},
    {"PcT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "有功功率Pc"), "W", 0, 5},
    {"PsT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "总有功率P"), "W", 0, 6},
    {"WPPT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "正有功电能"), "kWh", 0, 7},
    {"UabT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "线电压Uab"), "V", 1, 0},
    {"UbcT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "线电压Ubc"), "V", 1, 1},
    {"UcaT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "线电压Uca"), "V", 1, 2},
    {"QaT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "无功功率Qa"), "var", 1, 3},
    {"QbT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "无功功率Qb"), "var", 1, 4},
    {"QcT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "无功功率Qc"), "var", 1, 5},
    {"QsT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "总无功功率Q"), "var", 1, 6},
    {"WPNT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "负有功电能"), "kWh", 1, 7},
    {"IaT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "电流Ia"), "A", 2, 0},
    {"IbT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "电流Ib"), "A", 2, 1},
    {"IcT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "电流Ic"), "A", 2, 2},
    {"PfsT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "功率因数"), "cos φ", 2, 3},
    {"FT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "电网频率"), "Hz", 2, 4},
    {"SsT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "视在功率"), "VA", 2, 5},
    {"WQPT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "正无功电能"), "kvarh", 2, 6},
    {"WQNT", QT_TRANSLATE_NOOP("mt::PanelMeterWindow", "负无功电能"), "kvarh", 2, 7},
}};

}  // namespace mt
