// SPDX-License-Identifier: GPL-3.0-or-later
#include "faults.h"

#include <algorithm>

#include "random.h"
#include "slave.h"

namespace mt {

namespace {

enum Purpose : std::uint64_t {
    kDrop = 0xF001,
    kCrc,
    kSplit,
    kLate,
    kException,
    kGarbage,
    kNoise,
    kSplitPoint,
    kGarbageBytes,
    kNoiseBytes,
    kTurnaround,
};

// The turnaround varies by up to this share either way.
constexpr std::int64_t kTurnaroundJitterPercent = 20;

constexpr std::int64_t kBitsPerCharacter = 11;

// Appends `bytes` sent from `startUs` on as chunks (see Pacing). Gives the
// moment the last byte has arrived.
std::int64_t AppendPaced(std::vector<TimedChunk>& out, std::span<const std::uint8_t> bytes,
                         std::int64_t startUs, std::int64_t characterUs, const Pacing& pacing,
                         bool noise = false) {
    if (bytes.empty()) {
        return startUs;
    }
    if (!pacing.paced) {
        out.push_back({startUs, {bytes.begin(), bytes.end()}, noise});
        return startUs;
    }
    const std::size_t piece = std::max<std::size_t>(1, pacing.pieceBytes);
    for (std::size_t first = 0; first < bytes.size(); first += piece) {
        const std::size_t count = std::min(piece, bytes.size() - first);
        const auto arrivedUs = startUs + static_cast<std::int64_t>(first + count) * characterUs;
        const auto part = bytes.subspan(first, count);
        out.push_back({arrivedUs, {part.begin(), part.end()}, noise});
    }
    return startUs + static_cast<std::int64_t>(bytes.size()) * characterUs;
}

}  // namespace

std::int64_t LineTiming::CharacterUs() const {
    return std::max<std::int64_t>(1, (kBitsPerCharacter * 1000000 + baud_ / 2) / baud_);
}

std::int64_t LineTiming::SilenceUs() const {
    if (baud_ > 19200) {
        return 1750;
    }
    return (35 * kBitsPerCharacter * 1000000 / 10 + baud_ / 2) / baud_;
}

FaultDecision FaultPlan::Decide(std::uint64_t answerNumber) const {
    auto hit = [&](std::uint64_t purpose, double rate) {
        return rate > 0 && UnitOf(HashOf(seed_, purpose, answerNumber)) < rate;
    };
    FaultDecision d;
    d.drop = hit(kDrop, options_.dropRate);
    d.corruptCrc = hit(kCrc, options_.crcRate);
    d.split = hit(kSplit, options_.splitRate);
    d.late = hit(kLate, options_.lateRate);
    d.exception = hit(kException, options_.exceptionRate);
    d.garbage = hit(kGarbage, options_.garbageRate);
    d.noise = hit(kNoise, options_.noiseRate);
    return d;
}

std::int64_t FaultPlan::TurnaroundUs(std::uint64_t answerNumber, const Pacing& pacing) const {
    const std::int64_t meanUs = std::max<std::int64_t>(0, pacing.turnaroundMs) * 1000;
    const std::int64_t spreadUs = meanUs * kTurnaroundJitterPercent / 100;
    const auto offset = static_cast<std::int64_t>(HashOf(seed_, kTurnaround, answerNumber) %
                                                  static_cast<std::uint64_t>(2 * spreadUs + 1));
    return meanUs - spreadUs + offset;
}

std::vector<std::uint8_t> FaultPlan::RandomBytes(std::uint64_t purpose, std::uint64_t answerNumber,
                                                 int count) const {
    std::vector<std::uint8_t> bytes;
    for (int k = 0; k < count; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(
            HashOf(seed_, purpose, answerNumber, static_cast<std::uint64_t>(k)) & 0xFFU));
    }
    return bytes;
}

std::vector<TimedChunk> FaultPlan::Transmission(std::span<const std::uint8_t> answer,
                                                std::uint64_t answerNumber,
                                                const LineTiming& timing,
                                                const Pacing& pacing) const {
    std::vector<TimedChunk> chunks;
    const FaultDecision d = Decide(answerNumber);
    if (d.drop || answer.size() < 2) {
        return chunks;
    }
    std::vector<std::uint8_t> bytes(answer.begin(), answer.end());
    if (d.exception && (bytes[1] & kExceptionFlag) == 0) {
        bytes = ExceptionAnswer(bytes[0], bytes[1], options_.exceptionCode);
    }
    if (d.corruptCrc) {
        bytes.back() ^= 0xA5U;  // any change of a CRC byte makes the CRC wrong
    }
    if (d.garbage) {
        std::vector<std::uint8_t> garbage =
            RandomBytes(kGarbageBytes, answerNumber, options_.garbageBytes);
        bytes.insert(bytes.begin(), garbage.begin(), garbage.end());
    }

    const std::int64_t characterUs = timing.CharacterUs();
    const std::int64_t startUs =
        TurnaroundUs(answerNumber, pacing) + (d.late ? options_.lateMs * 1000 : 0);
    std::int64_t endUs = 0;
    if (d.split && bytes.size() >= 2) {
        const std::size_t cut = 1 + HashOf(seed_, kSplitPoint, answerNumber) % (bytes.size() - 1);
        const std::span<const std::uint8_t> all(bytes);
        const std::int64_t firstEnd =
            AppendPaced(chunks, all.first(cut), startUs, characterUs, pacing);
        endUs = AppendPaced(chunks, all.subspan(cut), firstEnd + options_.splitGapMs * 1000,
                            characterUs, pacing);
    } else {
        endUs = AppendPaced(chunks, bytes, startUs, characterUs, pacing);
    }
    if (d.noise) {
        const std::vector<std::uint8_t> noise =
            RandomBytes(kNoiseBytes, answerNumber, options_.noiseBytes);
        AppendPaced(chunks, noise, endUs + options_.noiseGapMs * 1000, characterUs, pacing, true);
    }
    return chunks;
}

}  // namespace mt
