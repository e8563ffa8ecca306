// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Answer frames for tests, built from plain values.

#include <QByteArray>
#include <bit>
#include <cstdint>
#include <span>

#include "acquisition/answerbytes.h"
#include "link/answer.h"
#include "link/crc16.h"

namespace mt::test {

using mt::BytesOf;

inline QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

// The frame with its CRC-16 appended, low byte first.
inline QByteArray WithCrc(QByteArray frame) {
    const std::uint16_t crc = Crc16(BytesOf(frame));
    frame.append(static_cast<char>(crc & 0xFFU));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

inline QByteArray Be32(std::uint32_t v) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8) {
        b.append(static_cast<char>((v >> shift) & 0xFFU));
    }
    return b;
}

inline QByteArray Be16(std::uint16_t v) {
    return Be32(v).right(2);
}

inline QByteArray FloatBe(float v) {
    return Be32(std::bit_cast<std::uint32_t>(v));
}

// A register answer carrying `data`: address, function code, byte count
// (the data's length unless `byteCount` is given), data, CRC.
inline QByteArray RegisterAnswer(const QByteArray& data, int function = 4, int address = 1,
                                 int byteCount = -1) {
    QByteArray frame;
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(function));
    frame.append(static_cast<char>(byteCount < 0 ? data.size() : byteCount));
    return WithCrc(frame + data);
}

// A coil (function 1) or discrete-input (function 2) answer with its status byte.
inline QByteArray SwitchAnswer(int function, std::uint8_t status, int address = 1) {
    return RegisterAnswer(QByteArray(1, static_cast<char>(status)), function, address);
}

// Data bytes of `count` float pairs, all zero but the one at `position`.
inline QByteArray FloatsWith(int count, int position, const QByteArray& value) {
    QByteArray data(4 * count, '\0');
    data.replace(4 * position, value.size(), value);
    return data;
}

// `count` data bytes of zero with `bytes` written at answer byte `at`
// (answer bytes count from 0, data start at byte 3).
inline QByteArray DataWith(int count, int at, const QByteArray& bytes) {
    QByteArray data(count, '\0');
    data.replace(at - 3, bytes.size(), bytes);
    data.truncate(count);
    return data;
}

// A correct register answer of the length a read request asks for, data
// bytes all `fill`.
inline QByteArray AnswerTo(const QByteArray& request, char fill = '\x01') {
    const int count = (static_cast<quint8>(request[4]) << 8) | static_cast<quint8>(request[5]);
    return RegisterAnswer(QByteArray(2 * count, fill), static_cast<quint8>(request[1]));
}

}  // namespace mt::test
