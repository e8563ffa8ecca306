// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mt {

// What the two ends of the simulated line make of each other's characters
// when their settings differ, the way two real UARTs would.

enum class Parity { None, Even, Odd, Mark, Space };

// How one character goes on the wire: a start bit, 8 data bits (least
// significant first), the parity bit if any, then the stop bits.
struct CharacterFormat {
    std::uint32_t baud = 9600;
    Parity parity = Parity::None;
    int stopBits = 1;

    bool operator==(const CharacterFormat&) const = default;
};

// The meter's own format: Modbus RTU keeps a character at 11 bits, so
// without parity it sends two stop bits.
CharacterFormat MeterFormat(std::uint32_t baud, Parity parity);

// True when two ends understand each other as they are: the same baud rate
// and parity. Stop bits do not matter, as a receiver checks only the first.
inline bool SameSettings(const CharacterFormat& a, const CharacterFormat& b) {
    return a.baud == b.baud && a.parity == b.parity;
}

// One character as a receiver took it.
struct UartCharacter {
    std::uint8_t byte = 0;
    bool error = false;  // framing error (stop bit low) or parity error

    bool operator==(const UartCharacter&) const = default;
};

// What a receiver set to `receiver` makes of `bytes` sent back to back in
// `sender`'s format, starting from an idle line. The receiver waits for a
// falling edge, checks the start bit half a bit later, samples each further
// bit in its middle at its own bit time, checks parity and the first stop
// bit, and then waits for the next falling edge. With equal baud rates and
// parity it gives the bytes back unchanged; a baud rate off by more than a
// few per cent gives other bytes, mostly with errors. Nothing arrives on a
// line of 0 baud.
std::vector<UartCharacter> ReceiveCharacters(std::span<const std::uint8_t> bytes,
                                             const CharacterFormat& sender,
                                             const CharacterFormat& receiver);

// The bytes a receiver hands on: characters with an error are lost, as a
// meter's receiver discards them.
std::vector<std::uint8_t> ReceiveBytes(std::span<const std::uint8_t> bytes,
                                       const CharacterFormat& sender,
                                       const CharacterFormat& receiver);

// What a pseudo-terminal tells of the settings the program on the other
// side made. It keeps the baud rate exactly and the stop bits, but it always
// clears the parity enable bit (and forces 8 data bits): only the odd and
// stick ("mark/space") flags that go with parity survive.
struct LineSeen {
    std::uint32_t baud = 0;
    bool oddFlag = false;    // PARODD
    bool stickFlag = false;  // CMSPAR
    bool twoStopBits = false;

    bool operator==(const LineSeen&) const = default;
};

// The program's format as far as the line tells it. Odd, mark and space
// parity leave their flags; no parity and even parity leave none and cannot
// be told apart, so a line without flags counts as the meter's own parity
// when that is none or even, and as even parity otherwise.
CharacterFormat ProgramFormat(const LineSeen& seen, Parity meterParity);

}  // namespace mt
