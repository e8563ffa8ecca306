// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The arithmetic of the meter search, apart from any port or window: what a
// probe sends, when an answer to it is complete and what it amounts to, how
// long the line takes, how long to wait, and how long a search has left.

#include <cstdint>
#include <optional>
#include <vector>

#include "link/answer.h"
#include "link/meterkind.h"
#include "link/request.h"

namespace mt {

// Both register maps hold input register 70 (phase voltage Uan as a scaled
// integer), so one register from there is the read every meter of either
// family answers.
inline constexpr std::int16_t kProbeFunction = 4;
inline constexpr std::int16_t kCommonRegister = 70;
inline constexpr std::int16_t kCommonCount = 1;
// Registers 10 and 11 (Uan as a float) exist on the panel-mount meter only;
// the DIN-rail meter answers a read of them with exception 02 (illegal data
// address), or not at all.
inline constexpr std::int16_t kPanelOnlyRegister = 10;
inline constexpr std::int16_t kPanelOnlyCount = 2;

// Bits per character on the line: start, 8 data bits, parity or the second
// stop bit's place, stop. The tool reckons 11 bits a character whatever the
// parity, as Modbus RTU does.
inline constexpr int kBitsPerCharacter = 11;
// The turnaround margin of the automatic answer timeout: meters take about
// 5 to 50 ms to start answering.
inline constexpr int kTurnaroundMarginMs = 50;
// The longest answer a probe waits for: the panel-only read of two registers.
inline constexpr int kLongestProbeAnswer = 9;
// Characters in a read request.
inline constexpr int kProbeRequestLength = 8;

// Microseconds that `bytes` characters take on the line at `baud`.
std::int64_t LineTimeUs(int bytes, int baud);

// The silence that must pass on the line between the end of one frame and
// the next request: 3.5 characters, and a fixed 1750 µs above 19200 baud.
std::int64_t InterFrameSilenceUs(int baud);

// The automatic answer timeout at `baud`: the longest probe answer's line
// time, rounded up to whole milliseconds, plus the turnaround margin.
int AutoAnswerTimeoutMs(int baud);

// What one try may take at most: the request's line time plus the answer
// timeout (µs).
std::int64_t TryLimitUs(int baud, int timeoutMs);

// The length an answer to a probe will have, as soon as its first bytes tell:
// five bytes for an exception answer (function code with bit 7), 3 + byte
// count + 2 for a read answer (function codes 1 to 4). Nothing while too few
// bytes are in, or when the function code is none of these (the bytes are
// then taken for noise and the try ends at its timeout).
std::optional<std::size_t> ProbeAnswerLength(AnswerBytes received);

// True once the bytes hold a whole answer by ProbeAnswerLength.
bool ProbeAnswerComplete(AnswerBytes received);

// What the bytes received for one probe amount to.
enum class ProbeOutcome {
    NoAnswer,      // nothing came
    Data,          // the read answer for this address, function and count, CRC right
    Exception,     // an exception answer from this address, CRC right
    BadCrc,        // a whole frame by its length, but the CRC is wrong
    WrongAddress,  // a whole frame with the right CRC from another address (a late answer)
    Garbled,       // bytes that do not make a frame
};

struct ProbeVerdict {
    ProbeOutcome outcome = ProbeOutcome::NoAnswer;
    std::uint8_t address = 0;        // the answering address (Data, Exception, WrongAddress)
    std::uint8_t exceptionCode = 0;  // with Exception only

    bool operator==(const ProbeVerdict&) const = default;
};

// Judges what came for a read of `count` registers with `function` sent to
// `address`. Bytes after a whole frame are ignored.
ProbeVerdict ClassifyProbeAnswer(AnswerBytes received, std::uint8_t address, std::int16_t function,
                                 std::int16_t count);

// The family that the answer to the panel-only read points to: data means
// the panel-mount meter, an exception or silence the DIN-rail meter; a
// garbled answer leaves it open.
std::optional<MeterKind> FamilyFromPanelOnlyRead(const ProbeVerdict& verdict);

// One baud rate and parity the search tries, with 8 data bits and 1 stop bit.
struct SearchLine {
    int baud = 9600;
    char parity = 'N';  // 'N', 'E' or 'O'

    bool operator==(const SearchLine&) const = default;
};

// The whole search: every line (baud rates ascending, parities in the order
// N, E, O) with every address of the range, in that order.
struct SearchPlan {
    std::vector<SearchLine> lines;
    int firstAddress = 1;
    int lastAddress = kMaxMeterAddress;
    int timeoutMs = 0;  // 0: automatic, per baud rate

    // Builds the plan from the chosen baud rates and parities (in any order,
    // repeats ignored).
    static SearchPlan Make(std::vector<int> bauds, std::vector<char> parities, int firstAddress,
                           int lastAddress, int timeoutMs);

    int addressCount() const;
    // One try per line and address.
    int totalTries() const;
    // The answer timeout used at `baud`.
    int timeoutMsFor(int baud) const;
    // The sum of the try limits of one whole line (µs).
    std::int64_t lineLimitUs(int lineIndex) const;
    // What the tries not yet made may take at most, the first `triesDone`
    // tries being over (ms, rounded up). The panel-only reads that follow a
    // find are not foreseen.
    std::int64_t timeLeftMs(int triesDone) const;
};

}  // namespace mt
