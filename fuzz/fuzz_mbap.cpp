// SPDX-License-Identifier: GPL-3.0-or-later
// Modbus TCP's framing on any stream: the first byte chooses how the rest is
// cut into segments. Every ADU taken is within the protocol's sizes, turns
// into an RTU answer with a correct CRC and back into an ADU of the same
// size, and what waits for its rest is never more than one ADU.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/crc16.h"
#include "link/mbap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::size_t piece = 1 + data[0] % 16;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);
    mt::MbapReader reader;
    mt::MbapAdu adu;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        reader.feed(stream.subspan(at, std::min(piece, stream.size() - at)));
        for (auto e = reader.next(adu); e != mt::MbapReader::Event::None; e = reader.next(adu)) {
            if (e != mt::MbapReader::Event::Adu) {
                continue;
            }
            if (adu.pdu.empty() || adu.pdu.size() + 1 > mt::kMaxMbapLength) {
                std::abort();
            }
            const auto rtu = mt::MbapToRtu(adu);
            if (rtu.size() != adu.pdu.size() + 3 || mt::Crc16({rtu.data(), rtu.size() - 2}) !=
                                                        (rtu[rtu.size() - 2] | (rtu.back() << 8))) {
                std::abort();
            }
            const auto back = mt::RtuToMbap(rtu, adu.transaction);
            if (!back || back->size() != 6 + adu.pdu.size() + 1) {
                std::abort();
            }
        }
    }
    if (reader.pending() > 6 + mt::kMaxMbapLength) {
        std::abort();
    }
    return 0;
}
