// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchplan.h"

#include <algorithm>

#include "link/answercheck.h"
#include "link/crc16.h"
#include "link/request.h"

namespace mt {

namespace {

constexpr std::int64_t kUsPerSecond = 1'000'000;
constexpr std::int64_t kFastLineSilenceUs = 1750;
constexpr int kFastLineBaud = 19200;

bool CrcRight(AnswerBytes frame) {
    const std::uint16_t crc = Crc16(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFFU) && frame[frame.size() - 1] == (crc >> 8);
}

int ParityRank(char parity) {
    switch (parity) {
        case 'N':
            return 0;
        case 'E':
            return 1;
        default:
            return 2;
    }
}

}  // namespace

std::int64_t LineTimeUs(int bytes, int baud) {
    if (baud <= 0 || bytes <= 0) {
        return 0;
    }
    const std::int64_t bits = static_cast<std::int64_t>(bytes) * kBitsPerCharacter;
    return (bits * kUsPerSecond + baud - 1) / baud;
}

std::int64_t InterFrameSilenceUs(int baud) {
    if (baud > kFastLineBaud) {
        return kFastLineSilenceUs;
    }
    // 3.5 characters: seven half characters.
    return (LineTimeUs(7, baud) + 1) / 2;
}

int AutoAnswerTimeoutMs(int baud) {
    const std::int64_t answerUs = LineTimeUs(kLongestProbeAnswer, baud);
    return static_cast<int>((answerUs + 999) / 1000) + kTurnaroundMarginMs;
}

std::int64_t TryLimitUs(int baud, int timeoutMs) {
    return LineTimeUs(kProbeRequestLength, baud) + static_cast<std::int64_t>(timeoutMs) * 1000;
}

std::optional<std::size_t> ProbeAnswerLength(AnswerBytes received) {
    if (received.size() < 2) {
        return std::nullopt;
    }
    const std::uint8_t function = received[1];
    if ((function & kExceptionFlag) != 0) {
        return kExceptionAnswerLength;
    }
    if (function < kReadCoils || function > kReadInputRegisters) {
        return std::nullopt;
    }
    if (received.size() < 3) {
        return std::nullopt;
    }
    return std::size_t{3} + received[2] + 2;
}

bool ProbeAnswerComplete(AnswerBytes received) {
    const auto length = ProbeAnswerLength(received);
    return length && received.size() >= *length;
}

ProbeVerdict ClassifyProbeAnswer(AnswerBytes received, std::uint8_t address, std::int16_t function,
                                 std::int16_t count) {
    if (received.empty()) {
        return {};
    }
    const auto length = ProbeAnswerLength(received);
    if (!length || received.size() < *length) {
        return {ProbeOutcome::Garbled};
    }
    const AnswerBytes frame = received.first(*length);
    if (!CrcRight(frame)) {
        return {ProbeOutcome::BadCrc};
    }
    if (frame[0] != address) {
        return {ProbeOutcome::WrongAddress, frame[0]};
    }
    if (frame[1] == (function | kExceptionFlag)) {
        return {ProbeOutcome::Exception, frame[0], frame[2]};
    }
    if (frame[1] == function && frame.size() == RegisterAnswerLength(count)) {
        return {ProbeOutcome::Data, frame[0]};
    }
    // Right CRC and address, but another function or size: not an answer to
    // this read.
    return {ProbeOutcome::Garbled};
}

std::optional<MeterKind> FamilyFromPanelOnlyRead(const ProbeVerdict& verdict) {
    switch (verdict.outcome) {
        case ProbeOutcome::Data:
            return MeterKind::PanelMount;
        case ProbeOutcome::Exception:
        case ProbeOutcome::NoAnswer:
            return MeterKind::DinRail;
        default:
            return std::nullopt;
    }
}

SearchPlan SearchPlan::Make(std::vector<int> bauds, std::vector<char> parities, int firstAddress,
                            int lastAddress, int timeoutMs) {
    std::sort(bauds.begin(), bauds.end());
    bauds.erase(std::unique(bauds.begin(), bauds.end()), bauds.end());
    std::sort(parities.begin(), parities.end(),
              [](char a, char b) { return ParityRank(a) < ParityRank(b); });
    parities.erase(std::unique(parities.begin(), parities.end()), parities.end());

    SearchPlan plan;
    for (const int baud : bauds) {
        for (const char parity : parities) {
            plan.lines.push_back({baud, parity});
        }
    }
    plan.firstAddress = firstAddress;
    plan.lastAddress = lastAddress;
    plan.timeoutMs = std::max(0, timeoutMs);
    return plan;
}

int SearchPlan::addressCount() const {
    return std::max(0, lastAddress - firstAddress + 1);
}

int SearchPlan::totalTries() const {
    return static_cast<int>(lines.size()) * addressCount();
}

int SearchPlan::timeoutMsFor(int baud) const {
    return timeoutMs > 0 ? timeoutMs : AutoAnswerTimeoutMs(baud);
}

std::int64_t SearchPlan::lineLimitUs(int lineIndex) const {
    if (lineIndex < 0 || lineIndex >= static_cast<int>(lines.size())) {
        return 0;
    }
    const int baud = lines[static_cast<std::size_t>(lineIndex)].baud;
    return addressCount() * TryLimitUs(baud, timeoutMsFor(baud));
}

std::int64_t SearchPlan::timeLeftMs(int triesDone) const {
    const int perLine = addressCount();
    if (perLine == 0) {
        return 0;
    }
    std::int64_t leftUs = 0;
    for (int line = 0; line < static_cast<int>(lines.size()); ++line) {
        const int lineStart = line * perLine;
        const int doneInLine = std::clamp(triesDone - lineStart, 0, perLine);
        const int baud = lines[static_cast<std::size_t>(line)].baud;
        leftUs += (perLine - doneInLine) * TryLimitUs(baud, timeoutMsFor(baud));
    }
    return (leftUs + 999) / 1000;
}

}  // namespace mt
