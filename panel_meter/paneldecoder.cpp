// SPDX-License-Identifier: GPL-3.0-or-later
#include "paneldecoder.h"

#include <array>

#include "link/numbertext.h"
#include "link/values.h"
#include "panelschedule.h"

namespace mt {

namespace {

enum class FloatForm { Voltage, General, PowerFactor };

struct FloatField {
    const char* field;
    FloatForm form;
};

// Primary data, one float register pair (four bytes) per field from byte 3.
// Measurement block: 24 registers from register 10.
constexpr std::array<FloatField, 12> kPrimaryMeasurements = {{
    {"UanT", FloatForm::Voltage},
    {"UbnT", FloatForm::Voltage},
    {"UcnT", FloatForm::Voltage},
    {"UabT", FloatForm::Voltage},
    {"UbcT", FloatForm::Voltage},
    {"UcaT", FloatForm::Voltage},
    {"IaT", FloatForm::General},
    {"IbT", FloatForm::General},
    {"IcT", FloatForm::General},
    {"PaT", FloatForm::General},
    {"PbT", FloatForm::General},
    {"PcT", FloatForm::General},
}};

// Power and energy block: 22 registers from register 34.
constexpr std::array<FloatField, 11> kPrimaryPowers = {{
    {"PsT", FloatForm::General},
    {"QaT", FloatForm::General},
    {"QbT", FloatForm::General},
    {"QcT", FloatForm::General},
    {"QsT", FloatForm::General},
    {"SsT", FloatForm::General},
    {"PfsT", FloatForm::PowerFactor},
    {"FT", FloatForm::General},
    {"WPPT", FloatForm::General},
    {"WPNT", FloatForm::General},
    {"WQPT", FloatForm::General},
}};

// Negative reactive energy: 2 registers from register 56.
constexpr std::array<FloatField, 1> kPrimaryReactiveEnergy = {{
    {"WQNT", FloatForm::General},
}};

// Each float takes two registers of its read.
static_assert(2 * kPrimaryMeasurements.size() == kPrimaryMeasurementBytes / 2);
static_assert(2 * kPrimaryPowers.size() == kPrimaryPowerBytes / 2);
static_assert(2 * kPrimaryReactiveEnergy.size() == kPrimaryReactiveBytes / 2);

// Secondary data: scaled integers. A null field is a register that is read
// but not shown.
struct ScaledField {
    const char* field;
    int divisor;
};

// Measurement block: 23 registers from register 70, one register each.
constexpr std::array<ScaledField, 23> kSecondaryMeasurements = {{
    {"UanT", 10},  {"UbnT", 10},  {"UcnT", 10},  {"UabT", 10},   {"UbcT", 10}, {"UcaT", 10},
    {"IaT", 1000}, {"IbT", 1000}, {"IcT", 1000}, {"PaT", 1},     {"PbT", 1},   {"PcT", 1},
    {"PsT", 1},    {"QaT", 1},    {"QbT", 1},    {"QcT", 1},     {"QsT", 1},   {nullptr, 1},
    {nullptr, 1},  {nullptr, 1},  {"SsT", 1},    {"PfsT", 1000}, {"FT", 100},
}};

// Energy block: 8 registers from register 93, two registers each.
constexpr std::array<ScaledField, 4> kSecondaryEnergies = {{
    {"WPPT", 1000},
    {"WPNT", 1000},
    {"WQPT", 1000},
    {"WQNT", 1000},
}};

static_assert(kSecondaryMeasurements.size() == kSecondaryMeasurementBytes / 2);
static_assert(2 * kSecondaryEnergies.size() == kSecondaryEnergyBytes / 2);

constexpr std::size_t kFirstDataByte = 3;

std::string FloatText(float value, FloatForm form) {
    switch (form) {
        case FloatForm::Voltage:
            return VoltageText(value);
        case FloatForm::PowerFactor:
            // The meter reports the power factor times 1000.
            return SingleText(value / 1000.0F);
        case FloatForm::General:
            break;
    }
    return SingleText(value);
}

std::string ScaledText(std::int32_t value, int divisor) {
    if (divisor == 1) {
        return GeneralNumberText(static_cast<double>(value));
    }
    return GeneralNumberText(static_cast<double>(value) / static_cast<double>(divisor));
}

template <std::size_t N>
void DecodeFloats(AnswerBytes answer, const std::array<FloatField, N>& table,
                  DecodedAnswer& result) {
    std::size_t at = kFirstDataByte;
    for (const FloatField& f : table) {
        if (const auto value = RegisterSingle(answer, at)) {
            result.fields.push_back({f.field, FloatText(*value, f.form)});
        }
        at += 4;
    }
}

template <std::size_t N>
void DecodeScaled16(AnswerBytes answer, const std::array<ScaledField, N>& table,
                    DecodedAnswer& result) {
    std::size_t at = kFirstDataByte;
    for (const ScaledField& f : table) {
        if (f.field != nullptr) {
            if (const auto value = RegisterValue16(answer, at)) {
                result.fields.push_back({f.field, ScaledText(*value, f.divisor)});
            }
        }
        at += 2;
    }
}

template <std::size_t N>
void DecodeScaled32(AnswerBytes answer, const std::array<ScaledField, N>& table,
                    DecodedAnswer& result) {
    std::size_t at = kFirstDataByte;
    for (const ScaledField& f : table) {
        if (const auto value = RegisterValue32(answer, at)) {
            result.fields.push_back({f.field, ScaledText(*value, f.divisor)});
        }
        at += 4;
    }
}

enum class AnswerKind { Ignored, OutputSwitches, InputSwitches, Registers };

// The common part of both decoders: switch answers by function code, and
// register answers (function 3 or 4) only when their byte-count byte fits
// their length, so that the data read on its strength is really there.
AnswerKind Classify(AnswerBytes answer) {
    if (answer.size() < kFirstDataByte) {
        return AnswerKind::Ignored;
    }
    const std::uint8_t function = answer[1];
    if (function != kReadHoldingRegisters && function != kReadInputRegisters) {
        if (!HasBytes(answer, kFirstDataByte, 1)) {
            return AnswerKind::Ignored;
        }
        if (function == kReadCoils) {
            return AnswerKind::OutputSwitches;
        }
        if (function == kReadDiscreteInputs) {
            return AnswerKind::InputSwitches;
        }
        return AnswerKind::Ignored;
    }
    return ByteCountFitsLength(answer) ? AnswerKind::Registers : AnswerKind::Ignored;
}

// Shared switch handling; true when the answer was a switch answer (or an
// ignored one) and the caller has nothing more to do.
bool DecodeSwitchesOrIgnore(AnswerBytes answer, AnswerKind kind, DecodedAnswer& result) {
    switch (kind) {
        case AnswerKind::OutputSwitches:
            result.switches = SwitchUpdate{SwitchPanelKind::Outputs, answer[kFirstDataByte]};
            return true;
        case AnswerKind::InputSwitches:
            result.switches = SwitchUpdate{SwitchPanelKind::Inputs, answer[kFirstDataByte]};
            return true;
        case AnswerKind::Ignored:
            return true;
        case AnswerKind::Registers:
            break;
    }
    return false;
}

}  // namespace

DecodedAnswer DecodePrimaryAnswer(AnswerBytes answer) {
    DecodedAnswer result;
    if (DecodeSwitchesOrIgnore(answer, Classify(answer), result)) {
        return result;
    }
    const std::uint8_t byteCount = answer[2];
    if (byteCount == kPrimaryMeasurementBytes) {
        DecodeFloats(answer, kPrimaryMeasurements, result);
    } else if (byteCount == kPrimaryPowerBytes) {
        DecodeFloats(answer, kPrimaryPowers, result);
    } else if (byteCount == kPrimaryReactiveBytes) {
        DecodeFloats(answer, kPrimaryReactiveEnergy, result);
    }
    return result;
}

DecodedAnswer DecodeSecondaryAnswer(AnswerBytes answer) {
    DecodedAnswer result;
    if (DecodeSwitchesOrIgnore(answer, Classify(answer), result)) {
        return result;
    }
    const std::uint8_t byteCount = answer[2];
    if (byteCount == kSecondaryMeasurementBytes) {
        DecodeScaled16(answer, kSecondaryMeasurements, result);
    } else if (byteCount == kSecondaryEnergyBytes) {
        DecodeScaled32(answer, kSecondaryEnergies, result);
    }
    return result;
}

}  // namespace mt
