// SPDX-License-Identifier: GPL-3.0-or-later
// Acceptance followed by the DIN-rail decoder under any block tag. The first
// two input bytes are the block tag (negative tags included); the rest is the
// answer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/answer.h"
#include "rail_meter/raildecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const auto blockTag = static_cast<std::int16_t>((data[0] << 8) | data[1]);
    const mt::AnswerBytes answer(data + 2, size - 2);
    const auto registerCount = static_cast<std::int16_t>(
        answer.size() >= 5 ? std::min<std::size_t>((answer.size() - 5) / 2, 32767) : 0);
    const bool accepted = mt::AcceptAnswer(answer, registerCount);
    const auto fields = mt::DecodeDinRailAnswer(answer, blockTag);
    // Only an accepted-shape answer with a fitting byte count can show anything.
    if (!fields.empty() && !mt::ByteCountFitsLength(answer)) {
        std::abort();
    }
    (void)accepted;
    (void)mt::HexPairTimeText(answer, 3);
    return 0;
}
