// SPDX-License-Identifier: GPL-3.0-or-later
#include "uart.h"

#include <algorithm>
#include <bit>

namespace mt {

namespace {

constexpr int kDataBits = 8;

bool ParityBit(std::uint8_t byte, Parity parity) {
    const bool oddOnes = std::popcount(byte) % 2 == 1;
    switch (parity) {
        case Parity::Even:
            return oddOnes;
        case Parity::Odd:
            return !oddOnes;
        case Parity::Mark:
            return true;
        case Parity::Space:
        case Parity::None:
            break;
    }
    return false;
}

// The sender's line level, one entry a bit (true: high, the idle level).
std::vector<bool> Waveform(std::span<const std::uint8_t> bytes, const CharacterFormat& format) {
    std::vector<bool> line;
    for (const std::uint8_t byte : bytes) {
        line.push_back(false);
        for (int k = 0; k < kDataBits; ++k) {
            line.push_back(((byte >> k) & 1U) != 0);
        }
        if (format.parity != Parity::None) {
            line.push_back(ParityBit(byte, format.parity));
        }
        for (int k = 0; k < format.stopBits; ++k) {
            line.push_back(true);
        }
    }
    return line;
}

}  // namespace

CharacterFormat MeterFormat(std::uint32_t baud, Parity parity) {
    return {baud, parity, parity == Parity::None ? 2 : 1};
}

std::vector<UartCharacter> ReceiveCharacters(std::span<const std::uint8_t> bytes,
                                             const CharacterFormat& sender,
                                             const CharacterFormat& receiver) {
    std::vector<UartCharacter> received;
    if (sender.baud == 0 || receiver.baud == 0) {
        return received;
    }
    const std::vector<bool> line = Waveform(bytes, sender);
    const auto bits = static_cast<std::int64_t>(line.size());
    // Time counts in ticks of 1 / (2 * sender baud * receiver baud) seconds,
    // so that both bit times and half a receiver bit are whole numbers.
    const std::int64_t senderBit = 2 * std::int64_t{receiver.baud};
    const std::int64_t receiverBit = 2 * std::int64_t{sender.baud};
    const auto level = [&](std::int64_t at) {
        const std::int64_t bit = at / senderBit;
        return bit >= bits || line[static_cast<std::size_t>(bit)];
    };
    const bool parity = receiver.parity != Parity::None;

    std::int64_t from = 0;  // the receiver looks for a start edge from here on
    std::int64_t edge = 0;  // the sender bit at which the next falling edge may be
    for (;;) {
        // The next falling edge at or after `from`: a low bit after a high
        // one (or after the idle line before the first bit).
        edge = std::max(edge, (from + senderBit - 1) / senderBit);
        while (edge < bits && (line[static_cast<std::size_t>(edge)] ||
                               (edge > 0 && !line[static_cast<std::size_t>(edge - 1)]))) {
            ++edge;
        }
        if (edge >= bits) {
            break;
        }
        const std::int64_t middle = edge * senderBit + receiverBit / 2;
        if (level(middle)) {
            from = middle;  // too short for a start bit: a glitch
            continue;
        }
        UartCharacter character;
        for (int k = 0; k < kDataBits; ++k) {
            if (level(middle + (1 + k) * receiverBit)) {
                character.byte = static_cast<std::uint8_t>(character.byte | (1U << k));
            }
        }
        int next = 1 + kDataBits;
        if (parity &&
            level(middle + next++ * receiverBit) != ParityBit(character.byte, receiver.parity)) {
            character.error = true;
        }
        const std::int64_t stop = middle + next * receiverBit;
        if (!level(stop)) {
            character.error = true;
        }
        received.push_back(character);
        from = stop;
    }
    return received;
}

std::vector<std::uint8_t> ReceiveBytes(std::span<const std::uint8_t> bytes,
                                       const CharacterFormat& sender,
                                       const CharacterFormat& receiver) {
    std::vector<std::uint8_t> intact;
    for (const UartCharacter& character : ReceiveCharacters(bytes, sender, receiver)) {
        if (!character.error) {
            intact.push_back(character.byte);
        }
    }
    return intact;
}

CharacterFormat ProgramFormat(const LineSeen& seen, Parity meterParity) {
    CharacterFormat format{seen.baud, Parity::Even, seen.twoStopBits ? 2 : 1};
    if (seen.oddFlag && seen.stickFlag) {
        format.parity = Parity::Mark;
    } else if (seen.stickFlag) {
        format.parity = Parity::Space;
    } else if (seen.oddFlag) {
        format.parity = Parity::Odd;
    } else if (meterParity == Parity::None) {
        format.parity = Parity::None;
    }
    return format;
}

}  // namespace mt
