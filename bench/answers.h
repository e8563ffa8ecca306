// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mt::bench {

// Which screen's decoder an answer goes to after it has been accepted.
enum class Decoder {
    PanelPrimary,    // DecodePrimaryAnswer
    PanelSecondary,  // DecodeSecondaryAnswer
    DinRail,         // DecodeDinRailAnswer with the frame's block tag
};

// One answer as the tool receives it, with what the tool knows when it
// arrives: the register count of the read it answers and the block tag in
// force.
struct Frame {
    std::vector<std::uint8_t> bytes;
    std::int16_t registerCount = 0;
    std::int16_t blockTag = 0;
};

// All answers of one shape (one answer length on one screen), served by the
// simulated meter at different moments so the decoders see changing values.
struct AnswerShape {
    std::string id;     // benchmark name, no blanks
    std::string label;  // for the summary table
    Decoder decoder = Decoder::PanelPrimary;
    std::size_t length = 0;  // of every frame
    bool accepted = true;    // false for shapes the acceptance test must refuse
    std::vector<Frame> frames;
};

// Every answer shape the tool meets while polling, plus answers with a bad
// CRC, each with `framesPerShape` frames.
std::vector<AnswerShape> MakeAnswerShapes(int framesPerShape);

// What the tool does with an answer that has arrived: the acceptance test,
// then the decoder of the screen. Gives the number of things the decoder set
// (field texts, switch panel updates); 0 for a refused answer.
std::size_t AcceptAndDecode(const AnswerShape& shape, const Frame& frame);

// Checks that every frame of every shape has the shape's length and meets its
// expectation (accepted and decoded into at least one field or switch
// update, or refused). Describes the first frame that does not in `problem`.
bool CheckAnswerShapes(const std::vector<AnswerShape>& shapes, std::string& problem);

}  // namespace mt::bench
