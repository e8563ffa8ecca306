// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small helpers shared by the simulator's tests: byte strings from hex text
// and read requests built by hand.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

#include "link/crc16.h"
#include "support/answers.h"

namespace mt::simtest {

inline std::vector<std::uint8_t> Bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

inline QByteArray Hex(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

// The frame with its CRC-16 appended, low byte first (the tests' one helper
// for it, on the simulator's byte vectors).
inline std::vector<std::uint8_t> WithCrc(const std::vector<std::uint8_t>& frame) {
    const QByteArray framed = test::WithCrc(QByteArray(reinterpret_cast<const char*>(frame.data()),
                                                       static_cast<qsizetype>(frame.size())));
    return {framed.begin(), framed.end()};
}

// The 8-byte read request: address, function, start and count big-endian, CRC.
inline std::vector<std::uint8_t> Request(int address, int function, int start, int count) {
    return WithCrc({static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(function),
                    static_cast<std::uint8_t>(start >> 8), static_cast<std::uint8_t>(start & 0xFF),
                    static_cast<std::uint8_t>(count >> 8),
                    static_cast<std::uint8_t>(count & 0xFF)});
}

inline bool CrcGood(const std::vector<std::uint8_t>& frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::uint16_t crc = Crc16(std::span<const std::uint8_t>(frame).first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

}  // namespace mt::simtest
