// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/answer.h"
#include "link/fieldtext.h"

namespace mt {

// Six consecutive answer bytes from `first` as two upper-case hexadecimal
// digits each, joined by commas: 12 05 1F 09 30 00 gives "12,05,1F,09,30,00".
// No date conversion and no validation. Empty when the bytes are not all there.
std::string HexPairTimeText(AnswerBytes answer, std::size_t first);

// The field texts that an accepted answer of the DIN-rail cycle sets. The
// answer is told apart by its byte count (byte 2), the data bytes of the
// cycle's reads, and, for the 8- and 20-byte blocks, by `blockTag`:
//   46  measurements (voltages, currents, powers)
//    6  last energy-clearing time
//    8  voltage demand (tag 6) or current demand (tag 7)
//   12  power factor, frequency, phase angles
//   20  total and tariff energies (tag 0), forward/reverse energies (tags 1-5)
// Anything else gives no fields: function codes other than 4 and 3, other
// byte counts and tags, and answers whose byte count does not agree with
// their length (values are only ever read inside the answer). Total for any
// input; reads nothing beyond `answer`.
std::vector<FieldText> DecodeDinRailAnswer(AnswerBytes answer, std::int16_t blockTag);

// The object names of every field the decoder can set, block by block.
const std::vector<std::string_view>& DinRailFieldNames();

}  // namespace mt
