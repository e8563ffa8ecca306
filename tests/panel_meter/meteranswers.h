#pragma once

// Answers of a panel-mount meter, built for tests from plain values.

#include <QByteArray>
#include <bit>
#include <cstdint>
#include <span>

#include "link/crc16.h"

namespace mt::test {

inline std::span<const std::uint8_t> Bytes(const QByteArray& a) {
    return {reinterpret_cast<const std::uint8_t*>(a.constData()),
            static_cast<std::size_t>(a.size())};
}

inline QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

inline QByteArray WithCrc(QByteArray frame) {
    const std::uint16_t crc = Crc16(Bytes(frame));
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

inline QByteArray Be32(std::uint32_t v) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8) {
        b.append(static_cast<char>((v >> shift) & 0xFF));
    }
    return b;
}

inline QByteArray Be16(std::uint16_t v) {
    return Be32(v).right(2);
}
inline QByteArray FloatBe(float v) {
    return Be32(std::bit_cast<std::uint32_t>(v));
}

// address, function, byte count (the data's length unless given), data, CRC.
inline QByteArray RegisterAnswer(const QByteArray& data, int function = 4, int address = 1,
                                 int byteCount = -1) {
    QByteArray frame;
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(function));
    frame.append(static_cast<char>(byteCount < 0 ? data.size() : byteCount));
    return WithCrc(frame + data);
}

inline QByteArray SwitchAnswer(int function, std::uint8_t status, int address = 1) {
    return RegisterAnswer(QByteArray(1, static_cast<char>(status)), function, address);
}

// Data bytes of `count` float pairs (or 16-bit registers), all zero but one.
inline QByteArray FloatsWith(int count, int position, const QByteArray& value) {
    QByteArray data(4 * count, '\0');
    data.replace(4 * position, value.size(), value);
    return data;
}

}  // namespace mt::test
