// SPDX-License-Identifier: GPL-3.0-or-later
#include "slave.h"

#include "link/crc16.h"
#include "link/request.h"

namespace mt {

namespace {

constexpr std::size_t kReadRequestLength = kRequestLength;
constexpr std::size_t kMinFrameLength = 4;  // address, function, CRC

// The four reads this meter knows; coils and discrete inputs are bits.
bool IsReadFunction(std::uint8_t function) {
    return function == kReadCoils || function == kReadDiscreteInputs ||
           function == kReadHoldingRegisters || function == kReadInputRegisters;
}

bool ReadsBits(std::uint8_t function) {
    return function == kReadCoils || function == kReadDiscreteInputs;
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const std::uint16_t crc = Crc16(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFFU) && frame[frame.size() - 1] == (crc >> 8);
}

std::uint16_t Word(std::span<const std::uint8_t> frame, std::size_t at) {
    return static_cast<std::uint16_t>((frame[at] << 8) | frame[at + 1]);
}

SlaveReply Exception(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    return {Verdict::Exception, ExceptionAnswer(address, function, code)};
}

}  // namespace

bool IsReadRequest(std::span<const std::uint8_t> frame) {
    return frame.size() == kReadRequestLength && IsReadFunction(frame[1]) && CrcMatches(frame);
}

void AppendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFFU));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::vector<std::uint8_t> ExceptionAnswer(std::uint8_t address, std::uint8_t function,
                                          std::uint8_t code) {
    std::vector<std::uint8_t> answer{address, static_cast<std::uint8_t>(function | kExceptionFlag),
                                     code};
    AppendCrc(answer);
    return answer;
}

// --- framing ---------------------------------------------------------------

void RequestFramer::Emit(std::vector<ReceivedFrame>& frames) {
    frames.push_back({buffer_, firstByteMs_, overrun_});
    buffer_.clear();
    overrun_ = false;
}

void RequestFramer::Feed(std::span<const std::uint8_t> bytes, std::int64_t ms,
                         std::vector<ReceivedFrame>& frames) {
    for (const std::uint8_t byte : bytes) {
        if (!Pending()) {
            firstByteMs_ = ms;
        }
        if (buffer_.size() >= kMaxFrameLength) {
            overrun_ = true;  // the rest of this run is dropped until the silence
            continue;
        }
        buffer_.push_back(byte);
        if (!overrun_ && buffer_.size() == kReadRequestLength && IsReadRequest(buffer_)) {
            Emit(frames);
        }
    }
}

void RequestFramer::Silence(std::vector<ReceivedFrame>& frames) {
    if (Pending()) {
        Emit(frames);
    }
}

// --- answers ---------------------------------------------------------------

SlaveReply Slave::Handle(const ReceivedFrame& frame, std::int64_t ms) const {
    if (frame.overrun) {
        return {Verdict::Overrun, {}};
    }
    return Handle(frame.bytes, ms);
}

SlaveReply Slave::Handle(std::span<const std::uint8_t> frame, std::int64_t ms) const {
    if (frame.size() < kMinFrameLength) {
        return {Verdict::TooShort, {}};
    }
    if (frame.size() > kMaxFrameLength) {
        return {Verdict::Overrun, {}};
    }
    if (!CrcMatches(frame)) {
        return {Verdict::BadCrc, {}};
    }
    const std::uint8_t address = frame[0];
    const std::uint8_t function = frame[1];
    if (address == 0) {
        return {Verdict::Broadcast, {}};
    }
    if (address != address_) {
        return {Verdict::OtherAddress, {}};
    }
    if (!IsReadFunction(function)) {
        return Exception(address, function, kIllegalFunction);
    }
    // A read of any other length is malformed.
    if (frame.size() != kReadRequestLength) {
        return Exception(address, function, kIllegalDataValue);
    }
    const std::uint16_t first = Word(frame, 2);
    const std::uint16_t count = Word(frame, 4);
    const bool bits = ReadsBits(function);
    if (count == 0 || count > (bits ? kMaxReadBits : kMaxReadRegisters)) {
        return Exception(address, function, kIllegalDataValue);
    }

    std::vector<std::uint8_t> answer{address, function};
    if (bits) {
        const auto states = model_.ReadBits(function, first, count, ms);
        if (!states) {
            return Exception(address, function, kIllegalDataAddress);
        }
        const std::size_t byteCount = (count + 7U) / 8U;
        answer.push_back(static_cast<std::uint8_t>(byteCount));
        answer.resize(3 + byteCount, 0);
        for (std::size_t k = 0; k < states->size(); ++k) {
            if ((*states)[k]) {
                answer[3 + k / 8] = static_cast<std::uint8_t>(answer[3 + k / 8] | (1U << (k % 8)));
            }
        }
    } else {
        const auto registers = model_.ReadRegisters(first, count, ms);
        if (!registers) {
            return Exception(address, function, kIllegalDataAddress);
        }
        answer.push_back(static_cast<std::uint8_t>(2 * count));
        for (const std::uint16_t value : *registers) {
            answer.push_back(static_cast<std::uint8_t>(value >> 8));
            answer.push_back(static_cast<std::uint8_t>(value & 0xFFU));
        }
    }
    AppendCrc(answer);
    return {Verdict::Answered, std::move(answer)};
}

}  // namespace mt
