// SPDX-License-Identifier: GPL-3.0-or-later
// Acceptance followed by both panel-mount decoders and the switch drawing.
// The answer is judged against the register count its length would need, so
// that well-formed frames pass acceptance and reach the decoders the way a
// meter's answers do; both decoders also see every input unaccepted, since
// they must be total on their own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/answer.h"
#include "panel_meter/paneldecoder.h"
#include "panel_meter/switchmodel.h"

namespace {

void Check(const mt::DecodedAnswer& decoded) {
    // A decoded answer moves either fields or a switch panel, never both.
    if (!decoded.fields.empty() && decoded.switches) {
        std::abort();
    }
    for (const mt::FieldText& field : decoded.fields) {
        if (field.field.empty() || field.text.empty()) {
            std::abort();
        }
    }
    if (decoded.switches) {
        mt::SwitchPanelModel model(decoded.switches->panel);
        model.ShowSwitchStates(decoded.switches->status);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const mt::AnswerBytes answer(data, size);
    const auto registerCount =
        static_cast<std::int16_t>(size >= 5 ? std::min<std::size_t>((size - 5) / 2, 32767) : 0);
    if (mt::AcceptAnswer(answer, registerCount)) {
        Check(mt::DecodePrimaryAnswer(answer));
        Check(mt::DecodeSecondaryAnswer(answer));
    }
    Check(mt::DecodePrimaryAnswer(answer));
    Check(mt::DecodeSecondaryAnswer(answer));
    return 0;
}
