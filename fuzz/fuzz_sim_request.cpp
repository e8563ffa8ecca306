// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's request parser: the byte stream is cut into pieces that
// arrive at different times, with silences between some of them, and every
// frame found is handed to the slave of a panel-mount and a DIN-rail meter.
// The first input byte steers where the pieces and silences fall.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sim/metermodel.h"
#include "sim/slave.h"

namespace {

const mt::MeterModel& PanelModel() {
    static const mt::MeterModel model(mt::MeterKind::PanelMount, 1, mt::CalendarTime{});
    return model;
}

const mt::MeterModel& RailModel() {
    static const mt::MeterModel model(mt::MeterKind::DinRail, 1, mt::CalendarTime{});
    return model;
}

void Serve(const std::vector<mt::ReceivedFrame>& frames) {
    static const mt::Slave panel(PanelModel(), 1);
    static const mt::Slave rail(RailModel(), 1);
    for (const mt::ReceivedFrame& frame : frames) {
        if (frame.bytes.size() > mt::kMaxFrameLength) {
            std::abort();
        }
        for (const mt::Slave* slave : {&panel, &rail}) {
            const mt::SlaveReply reply = slave->Handle(frame, frame.firstByteMs);
            if (reply.HasAnswer() && reply.answer.size() > mt::kMaxFrameLength) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t steer = data[0];
    const std::span<const std::uint8_t> stream(data + 1, size - 1);
    const std::size_t piece = 1 + (steer & 0x0F);
    const bool silences = (steer & 0x10) != 0;

    mt::RequestFramer framer;
    // Kept from input to input with its room.
    static std::vector<mt::ReceivedFrame> frames;
    frames.clear();
    std::int64_t ms = 0;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const std::size_t n = std::min(piece, stream.size() - at);
        framer.Feed(stream.subspan(at, n), ms, frames);
        ms += 1;
        if (silences && (at / piece) % 3 == 2) {
            framer.Silence(frames);
        }
        Serve(frames);
        frames.clear();
    }
    framer.Silence(frames);
    Serve(frames);
    // The whole stream as one frame, too.
    Serve({mt::ReceivedFrame{
        std::vector<std::uint8_t>(
            stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(
                                                 std::min(stream.size(), mt::kMaxFrameLength))),
        0, false}});
    return 0;
}
