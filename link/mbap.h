// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mt {

// Modbus TCP's framing (the MBAP header), for meters behind a gateway that
// converts to RTU: a transaction id, protocol id 0, the length of what
// follows, the unit id (the meter's address), then the PDU (function code and
// data) without a CRC.
inline constexpr std::size_t kMbapHeaderLength = 7;  // up to and including the unit id
// The longest PDU an ADU can carry: 253 bytes, with the unit id 254.
inline constexpr std::size_t kMaxMbapLength = 254;

// The Modbus TCP request for an RTU request frame (address, PDU, CRC): the
// same address as unit id and the same PDU. Nothing for a frame shorter than
// an address, a function code and a CRC, or too long for an ADU.
std::optional<std::vector<std::uint8_t>> RtuToMbap(std::span<const std::uint8_t> rtu,
                                                   std::uint16_t transaction);

// One ADU taken from the stream.
struct MbapAdu {
    std::uint16_t transaction = 0;
    std::uint8_t unit = 0;
    std::vector<std::uint8_t> pdu;  // function code and data
};

// The RTU answer the ADU stands for: unit id, PDU, CRC (computed).
std::vector<std::uint8_t> MbapToRtu(const MbapAdu& adu);

// Cuts a TCP byte stream into ADUs by their length, however the stream was
// split into segments: a header split anywhere waits for its rest, several
// ADUs in one segment come out one by one. A header that cannot be Modbus
// TCP (protocol id not 0, a length under 2 or over kMaxMbapLength) means the
// stream has lost its framing: what is buffered is dropped and counted, and
// the reader starts again with the next bytes that arrive.
class MbapReader {
public:
    enum class Event {
        None,       // no whole ADU yet
        Adu,        // `adu` holds the next one
        BadHeader,  // the buffer was dropped (see above)
    };

    void feed(std::span<const std::uint8_t> bytes);
    // The next event; call until None.
    Event next(MbapAdu& adu);
    // Bytes that wait for the rest of their ADU.
    std::size_t pending() const { return buffer_.size(); }
    std::uint64_t droppedHeaders() const { return droppedHeaders_; }
    // A new connection: nothing of the old stream is kept.
    void reset() { buffer_.clear(); }

private:
    std::vector<std::uint8_t> buffer_;
    std::uint64_t droppedHeaders_ = 0;
};

}  // namespace mt
