// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc16.h"

#include <algorithm>
#include <array>

namespace mt {

namespace {

// The CRC register after one more byte, computed bit by bit exactly as the
// meter does: shift right, XOR with 0xA001 when a one falls out.
constexpr std::uint16_t Step(std::uint16_t crc, std::uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
        const bool lsb = (crc & 1U) != 0;
        crc = static_cast<std::uint16_t>(crc >> 1);
        if (lsb) {
            crc ^= 0xA001U;
        }
    }
    return crc;
}

// One table entry per byte value, built at compile time from Step() so the
// table and the bitwise definition cannot disagree.
constexpr auto kTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        table[value] = Step(0, static_cast<std::uint8_t>(value));
    }
    return table;
}();

std::uint16_t Crc(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFFU]);
    }
    return crc;
}

}  // namespace

void Crc16Modbus(std::span<const std::uint8_t> bytes, std::int16_t count, std::uint8_t& crcLow,
                 std::uint8_t& crcHigh) {
    const auto covered =
        std::min<std::size_t>(bytes.size(), count > 0 ? static_cast<std::size_t>(count) : 0U);
    const std::uint16_t crc = Crc(bytes.first(covered));
    crcLow = static_cast<std::uint8_t>(crc & 0xFFU);
    crcHigh = static_cast<std::uint8_t>(crc >> 8);
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    return Crc(bytes);
}

}  // namespace mt
