// SPDX-License-Identifier: GPL-3.0-or-later
#include "raildecoder.h"

#include <array>
#include <optional>
#include <span>

#include "link/numbertext.h"
#include "link/values.h"
#include "railschedule.h"

namespace mt {

namespace {

// A scaled integer value: the register(s) at answer byte `first`, divided by
// `divisor` for display.
struct ScaledValue {
    std::string_view field;
    std::size_t first;
    bool twoRegisters;  // RegisterValue32 instead of RegisterValue16
    int divisor;
};

// Voltages, currents and powers: 23 registers from register 70 (byte count
// 46). Registers 91 and 92 are read but not shown.
constexpr std::array<ScaledValue, 21> kMeasurements{{
    {"UanT", 3, false, 10},  {"UbnT", 5, false, 10},  {"UcnT", 7, false, 10},
    {"UabT", 9, false, 10},  {"UbcT", 11, false, 10}, {"UcaT", 13, false, 10},
    {"IaT", 15, false, 100}, {"IbT", 17, false, 100}, {"IcT", 19, false, 100},
    {"PaT", 21, false, 100}, {"PbT", 23, false, 100}, {"PcT", 25, false, 100},
    {"PsT", 27, false, 100}, {"QaT", 29, false, 100}, {"QbT", 31, false, 100},
    {"QcT", 33, false, 100}, {"QsT", 35, false, 100}, {"SaT", 37, false, 100},
    {"SbT", 39, false, 100}, {"ScT", 41, false, 100}, {"SsT", 43, false, 100},
}};

// Power factor, frequency and phase angles: 6 registers from register 93
// (byte count 12). Register 93 is read but not shown.
constexpr std::array<ScaledValue, 5> kPhase{{
    {"PfsT", 5, false, 1000},
    {"FT", 7, false, 100},
    {"OaT", 9, false, 100},
    {"ObT", 11, false, 100},
    {"OcT", 13, false, 100},
}};

// Total active energy and its four tariffs, in the meter's register order
// (total, sharp peak, peak, flat, valley): 10 registers from 8192, tag 0.
constexpr std::array<ScaledValue, 5> kTariffEnergies{{
    {"SWT", 3, true, 100},
    {"WJT", 7, true, 100},
    {"WFT", 11, true, 100},
    {"WPT", 15, true, 100},
    {"WGT", 19, true, 100},
}};

// The energy blocks of the tags from kForwardActiveEnergyTag on, in tag
// order: only their first two registers are shown.
constexpr std::array<ScaledValue, 5> kDirectionEnergies{{
    {"FAET", 3, true, 100},  // forward active
    {"RAET", 3, true, 100},  // reverse active
    {"SRET", 3, true, 100},  // total reactive
    {"FRET", 3, true, 100},  // forward reactive
    {"RRET", 3, true, 100},  // reverse reactive
}};

// A demand: one register divided by 10, then the six-byte time stamp of when
// it occurred.
struct Demand {
    ScaledValue value;
    std::string_view timeField;
};
constexpr Demand kVoltageDemand{{"UMaxT", 3, false, 10}, "UMaxTimeT"};
constexpr Demand kCurrentDemand{{"IMaxT", 3, false, 10}, "IMaxTimeT"};

constexpr std::string_view kClearTimeField = "EPP0TimeT";

static_assert(kMeasurements.size() + 2 == kRailMeasurementBytes / 2);  // 91, 92 not shown
static_assert(kPhase.size() + 1 == kRailPhaseBytes / 2);               // 93 not shown
static_assert(2 * kTariffEnergies.size() == kRailEnergyBytes / 2);

std::optional<std::string> ScaledText(AnswerBytes answer, const ScaledValue& value) {
    std::optional<double> number;
    if (value.twoRegisters) {
        if (const auto v = RegisterValue32(answer, value.first)) {
            number = static_cast<double>(*v);
        }
    } else if (const auto v = RegisterValue16(answer, value.first)) {
        number = static_cast<double>(*v);
    }
    if (!number) {
        return std::nullopt;
    }
    return GeneralNumberText(*number / value.divisor);
}

// Appends the texts of all values; values whose bytes are missing are left
// out (cannot happen once the byte count agrees with the length, but the
// decoder never relies on that).
void AddScaled(std::vector<FieldText>& out, AnswerBytes answer,
               std::span<const ScaledValue> values) {
    for (const ScaledValue& value : values) {
        if (auto text = ScaledText(answer, value)) {
            out.push_back({value.field, std::move(*text)});
        }
    }
}

void AddTime(std::vector<FieldText>& out, AnswerBytes answer, std::string_view field,
             std::size_t first) {
    if (std::string text = HexPairTimeText(answer, first); !text.empty()) {
        out.push_back({field, std::move(text)});
    }
}

void AddDemand(std::vector<FieldText>& out, AnswerBytes answer, const Demand& demand) {
    AddScaled(out, answer, std::span(&demand.value, 1));
    AddTime(out, answer, demand.timeField, 5);
}

}  // namespace

std::string HexPairTimeText(AnswerBytes answer, std::size_t first) {
    constexpr std::size_t kStampBytes = 6;
    constexpr char kDigits[] = "0123456789ABCDEF";
    if (!HasBytes(answer, first, kStampBytes)) {
        return {};
    }
    std::string text;
    text.reserve(3 * kStampBytes - 1);
    for (std::size_t i = first; i < first + kStampBytes; ++i) {
        if (i != first) {
            text += ',';
        }
        text += kDigits[answer[i] >> 4];
        text += kDigits[answer[i] & 0x0FU];
    }
    return text;
}

std::vector<FieldText> DecodeDinRailAnswer(AnswerBytes answer, std::int16_t blockTag) {
    std::vector<FieldText> fields;
    if (answer.size() < 3 ||
        (answer[1] != kReadInputRegisters && answer[1] != kReadHoldingRegisters)) {
        return fields;
    }
    // The values are read on the strength of the byte count, so an answer
    // whose byte count disagrees with its length is dropped whole.
    if (!ByteCountFitsLength(answer)) {
        return fields;
    }
    switch (answer[2]) {
        case kRailMeasurementBytes:
            AddScaled(fields, answer, kMeasurements);
            break;
        case kRailClearTimeBytes:
            AddTime(fields, answer, kClearTimeField, 3);
            break;
        case kRailDemandBytes:
            if (blockTag == kVoltageDemandTag) {
                AddDemand(fields, answer, kVoltageDemand);
            } else if (blockTag == kCurrentDemandTag) {
                AddDemand(fields, answer, kCurrentDemand);
            }
            break;
        case kRailPhaseBytes:
            AddScaled(fields, answer, kPhase);
            break;
        case kRailEnergyBytes:
            if (blockTag == kTariffEnergyTag) {
                AddScaled(fields, answer, kTariffEnergies);
            } else if (blockTag >= kForwardActiveEnergyTag &&
                       blockTag <= kReverseReactiveEnergyTag) {
                const auto block = static_cast<std::size_t>(blockTag - kForwardActiveEnergyTag);
                AddScaled(fields, answer, std::span(&kDirectionEnergies[block], 1));
            }
            break;
        default:
            break;
    }
    return fields;
}

const std::vector<std::string_view>& DinRailFieldNames() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> all;
        using Table = std::span<const ScaledValue>;
        for (Table table : {Table(kMeasurements), Table(kPhase), Table(kTariffEnergies),
                            Table(kDirectionEnergies)}) {
            for (const ScaledValue& value : table) {
                all.push_back(value.field);
            }
        }
        all.push_back(kClearTimeField);
        for (const Demand* demand : {&kVoltageDemand, &kCurrentDemand}) {
            all.push_back(demand->value.field);
            all.push_back(demand->timeField);
        }
        return all;
    }();
    return names;
}

}  // namespace mt
