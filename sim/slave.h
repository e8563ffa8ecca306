// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/answercheck.h"
#include "metermodel.h"

namespace mt {

// Exception codes of Modbus.
inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;
inline constexpr std::uint8_t kServerDeviceFailure = 0x04;

// Largest quantities one read may ask for.
inline constexpr std::uint16_t kMaxReadBits = 2000;
inline constexpr std::uint16_t kMaxReadRegisters = 125;

// Longest RTU frame; a longer run of bytes without a silence is an overrun.
inline constexpr std::size_t kMaxFrameLength = 256;

// One frame taken from the line.
struct ReceivedFrame {
    std::vector<std::uint8_t> bytes;  // at most kMaxFrameLength
    std::int64_t firstByteMs = 0;     // when its first byte arrived
    bool overrun = false;             // more bytes came than a frame can hold; they were dropped
};

// Cuts the received byte stream into frames, as a meter does: a frame ends
// at a silence of 3.5 characters, or as soon as the bytes at the front form
// a complete read request (function 1 to 4, eight bytes, correct CRC), so
// that requests sent back to back are still told apart. Anything else waits
// for the silence and is then judged as one frame. Memory is bounded by
// kMaxFrameLength.
class RequestFramer {
public:
    // Takes bytes that arrived at `ms`; appends the frames they complete.
    void Feed(std::span<const std::uint8_t> bytes, std::int64_t ms,
              std::vector<ReceivedFrame>& frames);
    // The line was silent for 3.5 characters: the buffered bytes are one frame.
    void Silence(std::vector<ReceivedFrame>& frames);
    // True while bytes wait for the silence that ends their frame.
    bool Pending() const { return !buffer_.empty() || overrun_; }

private:
    void Emit(std::vector<ReceivedFrame>& frames);

    std::vector<std::uint8_t> buffer_;
    std::int64_t firstByteMs_ = 0;
    bool overrun_ = false;
};

// True when `frame` is a complete read request: eight bytes, function 1 to
// 4, correct CRC. Reads only the bytes it is given.
bool IsReadRequest(std::span<const std::uint8_t> frame);

// What the slave made of one frame.
enum class Verdict {
    Answered,      // a normal answer
    Exception,     // an exception answer
    TooShort,      // fewer than 4 bytes: ignored
    Overrun,       // longer than a frame: ignored
    BadCrc,        // ignored, like a real meter
    Broadcast,     // address 0: reads are not answered
    OtherAddress,  // for another meter: ignored
};

struct SlaveReply {
    Verdict verdict = Verdict::TooShort;
    std::vector<std::uint8_t> answer;  // empty unless Answered or Exception

    bool HasAnswer() const { return !answer.empty(); }
};

// Appends the CRC (low byte first) of all bytes so far.
void AppendCrc(std::vector<std::uint8_t>& frame);

// Exception answer: address, function | kExceptionFlag, code, CRC.
std::vector<std::uint8_t> ExceptionAnswer(std::uint8_t address, std::uint8_t function,
                                          std::uint8_t code);

// The Modbus RTU slave of one simulated meter: answers read requests for its
// address with the model's values at the moment the request was complete.
class Slave {
public:
    Slave(const MeterModel& model, std::uint8_t address) : model_(model), address_(address) {}

    std::uint8_t Address() const { return address_; }

    // Judges one frame and builds the answer. Total: any bytes give a reply,
    // and nothing beyond `frame` is read.
    SlaveReply Handle(std::span<const std::uint8_t> frame, std::int64_t ms) const;
    SlaveReply Handle(const ReceivedFrame& frame, std::int64_t ms) const;

private:
    const MeterModel& model_;
    std::uint8_t address_;
};

}  // namespace mt
