// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/answer.h"
#include "link/fieldtext.h"
#include "switchmodel.h"

namespace mt {

// A status byte for one of the two switch panels.
struct SwitchUpdate {
    SwitchPanelKind panel;
    std::uint8_t status;

    bool operator==(const SwitchUpdate&) const = default;
};

// What an accepted answer changes on the panel-mount monitor: field texts in
// register order, or a switch panel's status byte, or nothing at all (an
// answer of a shape the mode does not know).
struct DecodedAnswer {
    std::vector<FieldText> fields;
    std::optional<SwitchUpdate> switches;

    bool empty() const { return fields.empty() && !switches; }
};

// The decoders of the two acquisition modes. Both tell an answer apart by its
// function code and byte-count byte only:
// - function 1 moves the output panel, function 2 the input panel (status
//   byte at index 3; the byte count is not looked at);
// - function 3 and 4 are decoded alike, by byte count: the data bytes of the
//   schedule's register reads, 48, 44 and 4 in the primary mode (float
//   register pairs), 46 and 16 in the secondary mode (scaled 16- and 32-bit
//   integers);
// - anything else, and any register answer whose byte-count byte disagrees
//   with its length, changes nothing.
// Both are total: any byte string, of any length, gives a defined result and
// nothing outside the given bytes is read.
DecodedAnswer DecodePrimaryAnswer(AnswerBytes answer);
DecodedAnswer DecodeSecondaryAnswer(AnswerBytes answer);

}  // namespace mt
