// SPDX-License-Identifier: GPL-3.0-or-later
#include "request.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>

#include "crc16.h"

namespace mt {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest prefix of `text` (after leading blanks) that reads as a decimal
// number, copied in a form std::from_chars accepts (no leading '+').
std::string NumberPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            number += '-';
        }
        ++i;
    }
    bool anyDigit = false;
    while (i < text.size() && IsDigit(text[i])) {
        number += text[i++];
        anyDigit = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && IsDigit(text[i])) {
            number += text[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit) {
        return {};
    }
    // An exponent continues the number only when at least one digit follows
    // the letter (and its optional sign).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent += text[j++];
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                exponent += text[j++];
            }
            number += exponent;
        }
    }
    return number;
}

// For a number text from NumberPrefix() too large or too small for a double:
// true when its magnitude is at least 1. Decided from the decimal exponent of
// its first significant digit, so "0.000...01" with hundreds of zeros counts
// as small even without an exponent.
bool BeyondOne(std::string_view number) {
    const std::size_t e = number.find('e');
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t lead = mantissa.find_first_of("123456789");
    if (lead == std::string_view::npos) {
        return false;  // all zeros: cannot be out of range, but zero is small
    }
    // Decimal exponent of the leading digit: its distance from the point.
    long long exponent = lead < point ? static_cast<long long>(point - lead) - 1
                                      : -static_cast<long long>(lead - point);
    if (e != std::string_view::npos) {
        std::size_t i = e + 1;
        const bool negative = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+')) {
            ++i;
        }
        // Saturate: anything beyond a billion is as good as infinite here.
        long long written = 0;
        for (; i < number.size(); ++i) {
            written = std::min<long long>(written * 10 + (number[i] - '0'), 1'000'000'000LL);
        }
        exponent += negative ? -written : written;
    }
    return exponent >= 0;
}

}  // namespace

double AddressTextValue(std::string_view addressText) {
    const std::string number = NumberPrefix(addressText);
    if (number.empty()) {
        return 0.0;
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or vanishingly small, which is all that
        // matters for an address.
        if (!BeyondOne(number)) {
            return 0.0;
        }
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    if (ec != std::errc{}) {
        return 0.0;
    }
    return value;
}

std::optional<std::uint8_t> MeterAddressByte(std::string_view addressText) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(AddressTextValue(addressText));
    if (!(rounded >= 0.0 && rounded <= 255.0)) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(rounded);
}

RequestResult MakeReadRequest(std::string_view addressText, std::int16_t functionCode,
                              std::int16_t startRegister, std::int16_t registerCount) {
    RequestResult result;
    const auto address = MeterAddressByte(addressText);
    if (!address) {
        result.status = RequestStatus::AddressOutOfRange;
        return result;
    }
    if (functionCode < 0 || functionCode > 255) {
        result.status = RequestStatus::BadFunctionCode;
        return result;
    }
    const auto start = static_cast<std::uint16_t>(startRegister);
    const auto count = static_cast<std::uint16_t>(registerCount);
    RequestBytes& frame = result.frame;
    frame[0] = *address;
    frame[1] = static_cast<std::uint8_t>(functionCode);
    frame[2] = static_cast<std::uint8_t>(start >> 8);
    frame[3] = static_cast<std::uint8_t>(start & 0xFFU);
    frame[4] = static_cast<std::uint8_t>(count >> 8);
    frame[5] = static_cast<std::uint8_t>(count & 0xFFU);
    Crc16Modbus(std::span<const std::uint8_t>(frame), 6, frame[6], frame[7]);
    return result;
}

RequestStatus BuildReadRequest(RequestParameters& params, std::int16_t functionCode) {
    const RequestResult result = MakeReadRequest(params.MeterAddress, functionCode,
                                                 params.StartRegister, params.RegisterCount);
    params.RequestFrame = result.frame;
    params.FrameBuilt = result.ok();
    return result.status;
}

}  // namespace mt
