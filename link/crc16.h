// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace mt {

// CRC-16 of Modbus RTU (reflected polynomial 0xA001, initial value 0xFFFF, no
// final inversion) over the first `count` bytes of `bytes`. The low byte is the
// one sent first on the wire. A count beyond the given bytes is cut to their
// length and a negative count covers nothing, so the routine never reads past
// what it was given.
void Crc16Modbus(std::span<const std::uint8_t> bytes, std::int16_t count, std::uint8_t& crcLow,
                 std::uint8_t& crcHigh);

// The same CRC over all of `bytes`, as one 16-bit number (low byte = first sent).
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

}  // namespace mt
