// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mt {

// Function codes of the reads the tool sends (and 3, which it accepts).
inline constexpr std::int16_t kReadCoils = 1;
inline constexpr std::int16_t kReadDiscreteInputs = 2;
inline constexpr std::int16_t kReadHoldingRegisters = 3;
inline constexpr std::int16_t kReadInputRegisters = 4;

inline constexpr std::size_t kRequestLength = 8;
using RequestBytes = std::array<std::uint8_t, kRequestLength>;

// The numeric value of an address text, read the way the address list is
// meant to be read: leading blanks skipped, an optional sign, digits with an
// optional decimal point and an optional exponent; reading stops at the first
// character that cannot continue the number, and text that does not begin with
// a number reads as 0. The value is rounded to a whole number, halves to the
// even neighbour. Gives nothing when the result does not fit in 0..255.
std::optional<std::uint8_t> MeterAddressByte(std::string_view addressText);

// The largest slave address of a Modbus RTU line: the port panel lists 1 to
// this, and the meter search and the simulator go no further.
inline constexpr int kMaxMeterAddress = 247;

// The plain decimal value of the text before rounding (0 for non-numbers).
// Exposed for the screens' address check and for tests.
double AddressTextValue(std::string_view addressText);

enum class RequestStatus {
    Built,              // the frame is ready to be written
    AddressOutOfRange,  // the address text does not give a value in 0..255
    BadFunctionCode,    // the function code does not fit in one byte
};

struct RequestResult {
    RequestStatus status = RequestStatus::Built;
    RequestBytes frame{};  // all zero unless status is Built

    bool ok() const { return status == RequestStatus::Built; }
};

// Builds the 8-byte read request: address, function code, start register and
// register count (both most significant byte first), CRC low, CRC high.
RequestResult MakeReadRequest(std::string_view addressText, std::int16_t functionCode,
                              std::int16_t startRegister, std::int16_t registerCount);

// The program-wide request parameters: the address text copied from the
// address list at every polling tick, the start and count of the request last
// built, and the frame itself. One instance is shared by the screens (see
// SharedRequest() in the acquisition library); tests make their own.
struct RequestParameters {
    std::string MeterAddress;
    std::int16_t StartRegister = 0;
    std::int16_t RegisterCount = 0;
    RequestBytes RequestFrame{};
    bool FrameBuilt = false;  // false until a request was built, and after a refused one
};

// Rebuilds params.RequestFrame from MeterAddress, the function code,
// StartRegister and RegisterCount; changes nothing else. On a refused address
// the frame is all zero, FrameBuilt is false and nothing must be sent.
RequestStatus BuildReadRequest(RequestParameters& params, std::int16_t functionCode);

}  // namespace mt
