#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

#include "link/answer.h"
#include "link/crc16.h"

namespace mt::test {

// The frame with its CRC-16 appended, low byte first.
inline QByteArray WithCrc(QByteArray frame) {
    const std::uint16_t crc =
        Crc16(std::span(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                        static_cast<std::size_t>(frame.size())));
    frame.append(static_cast<char>(crc & 0xFFU));
    frame.append(static_cast<char>(crc >> 8));
    return frame;
}

// A register answer carrying `data`: address, function code, byte count,
// data, CRC. `byteCount` overrides the byte-count byte when not negative.
inline QByteArray RegisterAnswer(const QByteArray& data, int function = 4, int byteCount = -1,
                                 int address = 1) {
    QByteArray frame;
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(function));
    frame.append(static_cast<char>(byteCount >= 0 ? byteCount : data.size()));
    frame.append(data);
    return WithCrc(frame);
}

// `count` data bytes of zero with `bytes` written at answer byte `at`
// (answer bytes count from 0, data start at byte 3).
inline QByteArray DataWith(int count, int at, const QByteArray& bytes) {
    QByteArray data(count, '\0');
    data.replace(at - 3, bytes.size(), bytes);
    data.truncate(count);
    return data;
}

inline AnswerBytes BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

}  // namespace mt::test
