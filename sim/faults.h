// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mt {

// Time on the line at a baud rate. A character of Modbus RTU is 11 bits
// (start, 8 data, parity or a second stop bit, stop). Above 19200 baud the
// frame silence is fixed at 1.75 ms, as Modbus recommends.
class LineTiming {
public:
    explicit LineTiming(std::uint32_t baud) : baud_(baud == 0 ? 1 : baud) {}

    std::uint32_t Baud() const { return baud_; }
    // Time of one character in microseconds (at least 1).
    std::int64_t CharacterUs() const;
    // The silence of 3.5 characters that ends a frame, in microseconds.
    std::int64_t SilenceUs() const;

private:
    std::uint32_t baud_;
};

// What may go wrong with the answers, for tests and training. Each rate is
// the share of answers (0 to 1) that get that fault; the decision for each
// answer is a pure function of the seed and the answer's number.
struct FaultOptions {
    double crcRate = 0;        // the answer's CRC is wrong
    double dropRate = 0;       // no answer at all
    double splitRate = 0;      // the answer goes out in two pieces with a gap
    double lateRate = 0;       // the answer starts lateMs late
    double exceptionRate = 0;  // an exception answer instead of the data
    double garbageRate = 0;    // garbage bytes right before the answer
    double noiseRate = 0;      // a burst of line noise after the answer

    std::int64_t splitGapMs = 100;
    std::int64_t lateMs = 600;
    std::uint8_t exceptionCode = 0x04;  // server device failure
    int garbageBytes = 4;
    int noiseBytes = 16;
    std::int64_t noiseGapMs = 20;  // from the answer's last byte to the noise
    // Close the pseudo-terminal once this many answers went out.
    std::optional<std::uint64_t> vanishAfter;
};

struct FaultDecision {
    bool drop = false;
    bool corruptCrc = false;
    bool split = false;
    bool late = false;
    bool exception = false;
    bool garbage = false;
    bool noise = false;

    bool Any() const {
        return drop || corruptCrc || split || late || exception || garbage || noise;
    }
};

// How answers go onto the line. An answer starts `turnaroundMs` (within
// +-20 %, see FaultPlan::TurnaroundUs) after its request was complete, the
// time a real meter takes to think. Paced, the bytes then take the line's
// character time, and they are handed to the reading side in pieces of up
// to `pieceBytes`, each once its last byte has arrived, the way a serial
// port's receive FIFO or a USB converter hands them over. Unpaced, the
// answer is written in one piece when it starts.
struct Pacing {
    bool paced = true;
    std::size_t pieceBytes = 16;
    std::int64_t turnaroundMs = 0;
};

// Bytes to write at a moment, in microseconds after the request was complete.
struct TimedChunk {
    std::int64_t atUs = 0;
    std::vector<std::uint8_t> bytes;
    bool noise = false;  // line noise after the answer, not part of it
};

class FaultPlan {
public:
    FaultPlan(const FaultOptions& options, std::uint64_t seed) : options_(options), seed_(seed) {}

    const FaultOptions& Options() const { return options_; }

    // Which faults the answer with this number (counted from 0) gets.
    FaultDecision Decide(std::uint64_t answerNumber) const;

    // The meter's turnaround before the answer with this number, in
    // microseconds: `turnaroundMs` give or take up to 20 %, a pure function
    // of the seed and the number. 0 for a turnaround of 0.
    std::int64_t TurnaroundUs(std::uint64_t answerNumber, const Pacing& pacing) const;

    // Everything to write for one answer and when, in time order: after the
    // turnaround, and a late answer that much later again. No chunk for a
    // dropped answer.
    std::vector<TimedChunk> Transmission(std::span<const std::uint8_t> answer,
                                         std::uint64_t answerNumber, const LineTiming& timing,
                                         const Pacing& pacing) const;

private:
    std::vector<std::uint8_t> RandomBytes(std::uint64_t purpose, std::uint64_t answerNumber,
                                          int count) const;

    FaultOptions options_;
    std::uint64_t seed_;
};

}  // namespace mt
