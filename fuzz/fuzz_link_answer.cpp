// SPDX-License-Identifier: GPL-3.0-or-later
// Acceptance of a candidate answer followed by every register accessor and
// number text at the offsets the input chooses and at the answer's end. The
// first two input bytes choose the register count the answer is judged
// against, the third the offset; the rest is the answer.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/answer.h"
#include "link/numbertext.h"
#include "link/values.h"

namespace {

// Every accessor at one offset: none may read outside the answer.
void ReadAt(mt::AnswerBytes answer, std::size_t k) {
    if (const auto single = mt::RegisterSingle(answer, k)) {
        (void)mt::VoltageText(*single);
        (void)mt::SingleText(*single);
        (void)mt::SingleText(*single / 1000.0f);
    }
    if (const auto v16 = mt::RegisterValue16(answer, k)) {
        (void)mt::GeneralNumberText(*v16 / 10.0);
    }
    if (const auto v32 = mt::RegisterValue32(answer, k)) {
        (void)mt::GeneralNumberText(*v32 / 100.0);
    }
    float viaText = 0;
    mt::HexToSingle(mt::HexText(answer, k, 4), viaText);
    (void)viaText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const auto registerCount = static_cast<std::int16_t>((data[0] << 8) | data[1]);
    const std::uint8_t steer = data[2];
    const mt::AnswerBytes answer(data + 3, size - 3);
    const bool accepted = mt::AcceptAnswer(answer, registerCount);
    const bool fits = mt::ByteCountFitsLength(answer);
    (void)accepted;
    (void)fits;
    // One offset the input chooses (the fuzzer walks them all over its
    // runs), and the last ones, where a read of four bytes runs past the end.
    ReadAt(answer, steer % (answer.size() + 5));
    for (std::size_t k = answer.size() >= 4 ? answer.size() - 4 : 0; k <= answer.size() + 4; ++k) {
        ReadAt(answer, k);
    }
    return 0;
}
