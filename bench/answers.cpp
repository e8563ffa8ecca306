// SPDX-License-Identifier: GPL-3.0-or-later
#include "answers.h"

#include <span>
#include <sstream>
#include <utility>

#include "link/answer.h"
#include "link/request.h"
#include "panel_meter/paneldecoder.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"
#include "sim/metermodel.h"
#include "sim/slave.h"

namespace mt::bench {

namespace {

// The reads of the panel-mount monitor: primary mode 10-33, 34-55, 56-57 as
// float pairs, secondary mode 70-92 and 93-100 as scaled integers, and in
// both modes the four coils and the four discrete inputs.
struct PanelRead {
    std::int16_t function;
    std::int16_t start;
    std::int16_t count;
};

struct ShapeRecipe {
    const char* id;
    const char* label;
    Decoder decoder;
    std::size_t length;                 // of every answer of the shape
    std::vector<PanelRead> panelReads;  // empty: the DIN-rail cycle's reads with such answers
};

std::vector<ShapeRecipe> Recipes() {
    using enum Decoder;
    return {
        {"panel_primary_53B", "panel-mount primary, 53 B", PanelPrimary, 53, {{4, 10, 24}}},
        {"panel_primary_49B", "panel-mount primary, 49 B", PanelPrimary, 49, {{4, 34, 22}}},
        {"panel_primary_9B", "panel-mount primary, 9 B", PanelPrimary, 9, {{4, 56, 2}}},
        {"panel_secondary_51B", "panel-mount secondary, 51 B", PanelSecondary, 51, {{4, 70, 23}}},
        {"panel_secondary_21B", "panel-mount secondary, 21 B", PanelSecondary, 21, {{4, 93, 8}}},
        {"panel_switches_6B",
         "panel-mount coils / inputs, 6 B",
         PanelPrimary,
         kBitAnswerLength,
         {{1, 0, 4}, {2, 0, 4}}},
        {"rail_51B", "DIN-rail measurements, 51 B", DinRail, 51, {}},
        {"rail_17B", "DIN-rail power factor / angles, 17 B", DinRail, 17, {}},
        {"rail_11B", "DIN-rail clearing time, 11 B", DinRail, 11, {}},
        {"rail_13B", "DIN-rail demands (tags 6, 7), 13 B", DinRail, 13, {}},
        {"rail_25B", "DIN-rail energies (tags 0-5), 25 B", DinRail, 25, {}},
    };
}

// The answer of the simulated meter at address 1 to one read at `ms`.
std::vector<std::uint8_t> Served(const Slave& slave, std::int16_t function, std::int16_t start,
                                 std::int16_t count, std::int64_t ms) {
    const RequestResult request = MakeReadRequest("1", function, start, count);
    return slave.Handle(std::span<const std::uint8_t>(request.frame), ms).answer;
}

// The tag a read of the DIN-rail cycle is decoded with: its own, or for the
// reads that leave it alone the one the previous read of the cycle left,
// which after a full tick is the tag of the last energy block.
std::int16_t RailTagAt(std::size_t step) {
    std::int16_t tag = RailPollSchedule.back().blockTag.value_or(0);
    for (std::size_t i = 0; i <= step; ++i) {
        tag = RailPollSchedule[i].blockTag.value_or(tag);
    }
    return tag;
}

}  // namespace

std::vector<AnswerShape> MakeAnswerShapes(int framesPerShape) {
    const CalendarTime start{2024, 1, 1, 0, 0, 0};
    const MeterModel panelModel(MeterKind::PanelMount, 7, start);
    const MeterModel railModel(MeterKind::DinRail, 7, start);
    const Slave panel(panelModel, 1);
    const Slave rail(railModel, 1);

    const std::vector<ShapeRecipe> recipes = Recipes();
    std::vector<AnswerShape> shapes;
    for (const ShapeRecipe& recipe : recipes) {
        shapes.push_back({recipe.id, recipe.label, recipe.decoder, recipe.length, true, {}});
    }
    // One polling tick every 4 s, in time order: the simulated meter's
    // demand values are built up as time goes on.
    for (int k = 0; k < framesPerShape; ++k) {
        const std::int64_t ms = 1000 + 4000 * static_cast<std::int64_t>(k);
        for (std::size_t s = 0; s < recipes.size(); ++s) {
            const ShapeRecipe& recipe = recipes[s];
            std::vector<Frame>& frames = shapes[s].frames;
            if (!recipe.panelReads.empty()) {
                const PanelRead& read =
                    recipe.panelReads[static_cast<std::size_t>(k) % recipe.panelReads.size()];
                frames.push_back(
                    {Served(panel, read.function, read.start, read.count, ms), read.count, 0});
                continue;
            }
            // The reads of the cycle whose answers have this length, in turn.
            std::vector<std::size_t> steps;
            for (std::size_t i = 0; i < RailPollSchedule.size(); ++i) {
                if (RegisterAnswerLength(RailPollSchedule[i].count) == recipe.length) {
                    steps.push_back(i);
                }
            }
            if (steps.empty()) {
                continue;
            }
            const std::size_t step = steps[static_cast<std::size_t>(k) % steps.size()];
            const PollStep& read = RailPollSchedule[step];
            frames.push_back({Served(rail, kReadInputRegisters, read.start, read.count, ms),
                              read.count, RailTagAt(step)});
        }
    }

    // The longest panel-mount answer with its last CRC byte changed, as a
    // disturbed line delivers it: the whole CRC is computed, then refused.
    AnswerShape refused{
        "refused_bad_crc_53B", "refused: bad CRC, 53 B", Decoder::PanelPrimary, 53, false,
        shapes.front().frames};
    for (Frame& frame : refused.frames) {
        if (!frame.bytes.empty()) {
            frame.bytes.back() ^= 0xFFU;
        }
    }
    shapes.push_back(std::move(refused));
    return shapes;
}

std::size_t AcceptAndDecode(const AnswerShape& shape, const Frame& frame) {
    const AnswerBytes answer(frame.bytes);
    if (!AcceptAnswer(answer, frame.registerCount)) {
        return 0;
    }
    switch (shape.decoder) {
        case Decoder::PanelPrimary: {
            const DecodedAnswer decoded = DecodePrimaryAnswer(answer);
            return decoded.fields.size() + (decoded.switches ? 1U : 0U);
        }
        case Decoder::PanelSecondary: {
            const DecodedAnswer decoded = DecodeSecondaryAnswer(answer);
            return decoded.fields.size() + (decoded.switches ? 1U : 0U);
        }
        case Decoder::DinRail:
            return DecodeDinRailAnswer(answer, frame.blockTag).size();
    }
    return 0;
}

bool CheckAnswerShapes(const std::vector<AnswerShape>& shapes, std::string& problem) {
    for (const AnswerShape& shape : shapes) {
        if (shape.frames.empty()) {
            problem = shape.label + ": no frames";
            return false;
        }
        for (std::size_t i = 0; i < shape.frames.size(); ++i) {
            const std::size_t set = AcceptAndDecode(shape, shape.frames[i]);
            if (shape.frames[i].bytes.size() != shape.length) {
                std::ostringstream text;
                text << shape.label << ", frame " << i << ": " << shape.frames[i].bytes.size()
                     << " bytes served";
                problem = text.str();
                return false;
            }
            if ((set > 0) != shape.accepted) {
                std::ostringstream text;
                text << shape.label << ", frame " << i << " (" << shape.frames[i].bytes.size()
                     << " bytes, tag " << shape.frames[i].blockTag << "): "
                     << (shape.accepted ? "refused or decoded into nothing" : "not refused");
                problem = text.str();
                return false;
            }
        }
    }
    return true;
}

}  // namespace mt::bench
