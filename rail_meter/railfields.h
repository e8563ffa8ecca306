// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DIN-rail screen's value fields: object name, caption (a line break
// marks where a two-line caption wraps) and unit as the screen shows them
// (translated in the context "mt::RailMeterWindow"), and their place and
// kind. Plain data, for the screen and for what prints the same fields
// without one (metertest-cli).

#include <QtGlobal>

namespace mt {

inline constexpr const char* kRailFieldContext = "mt::RailMeterWindow";

enum class RailFieldKind {
    Plain,   // one-line caption, 1200 x 270 field
    Energy,  // two-line caption, 1200 x 270 field
    Demand,  // two-line caption, 1215 x 285 field, no unit
    Stamp,   // two-line caption, 1695 x 285 field, no unit
};

struct RailFieldLayout {
    const char* name;
    const char* caption;  // a line break marks where a two-line caption wraps
    const char* unit;
    int top;
    int column;
    RailFieldKind kind = RailFieldKind::Plain;
};

// clang-format off
inline constexpr RailFieldLayout kRailFields[] = {
    {"UanT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Uan"), "V", 360, 0},    {"UabT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Uab"), "V", 360, 1},
    {"IaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ia"), "A", 360, 2},         {"SaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率A"), "KVA", 360, 3},
    {"UbnT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Ubn"), "V", 840, 0},    {"UbcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Ubc"), "V", 840, 1},
    {"IbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ib"), "A", 840, 2},         {"SbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率B"), "KVA", 840, 3},
    {"UcnT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "相电压Ucn"), "V", 1320, 0},   {"UcaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "线电压Uca"), "V", 1320, 1},
    {"IcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流Ic"), "A", 1320, 2},        {"ScT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率C"), "KVA", 1320, 3},
    {"PaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pa"), "KW", 1920, 0},  {"QaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qa"), "var", 1920, 1},
    {"OaT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "AB电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 1920, 2},  {"SsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "视在功率"), "KVA", 1920, 3},
    {"PbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pb"), "KW", 2400, 0},  {"QbT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qb"), "var", 2400, 1},
    {"ObT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "BC电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 2400, 2},  {"PfsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "功率因数"), "cos φ", 2400, 3},
    {"PcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "有功功率Pc"), "KW", 2880, 0},  {"QcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "无功功率Qc"), "var", 2880, 1},
    {"OcT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "CA电位相位"), QT_TRANSLATE_NOOP("mt::RailMeterWindow", "度"), 2880, 2},  {"FT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电网频率"), "Hz", 2880, 3},
    {"PsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "总有功率P"), "KW", 3360, 0},   {"QsT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "总无功功率Q"), "var", 3360, 1},
    {"SWT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总\n有功电能"), "KWh", 3360, 2, RailFieldKind::Energy},
    {"WJT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总尖\n有功电能"), "KWh", 3360, 3, RailFieldKind::Energy},
    {"WFT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总峰\n有功电能"), "KWh", 3840, 0, RailFieldKind::Energy},
    {"WPT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总平\n有功电能"), "KWh", 3840, 1, RailFieldKind::Energy},
    {"WGT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总谷\n有功电能"), "KWh", 3840, 2, RailFieldKind::Energy},
    {"FAET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前正向总\n有功电能"), "KWh", 3840, 3, RailFieldKind::Energy},
    {"RAET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前反向总\n有功电能"), "KWh", 4440, 0, RailFieldKind::Energy},
    {"SRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前总\n无功电能"), "Kvarh", 4440, 1, RailFieldKind::Energy},
    {"FRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前正向总\n无功电能"), "Kvarh", 4440, 2, RailFieldKind::Energy},
    {"RRET", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "当前反向总\n无功电能"), "Kvarh", 4440, 3, RailFieldKind::Energy},
    {"UMaxT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电压最大\n需求量"), "", 5160, 0, RailFieldKind::Demand},
    {"UMaxTimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电压最大需量\n发生时间"), "", 5160, 1, RailFieldKind::Stamp},
    {"IMaxT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流最大\n需求量"), "", 5160, 2, RailFieldKind::Demand},
    {"IMaxTimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "电流最大需量\n发生时间"), "", 5160, 3, RailFieldKind::Stamp},
    {"EPP0TimeT", QT_TRANSLATE_NOOP("mt::RailMeterWindow", "最近电能\n清零时间"), "", 5880, 0, RailFieldKind::Stamp},
};
// clang-format on

}  // namespace mt
