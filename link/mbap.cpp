// SPDX-License-Identifier: GPL-3.0-or-later
#include "mbap.h"

#include "crc16.h"

namespace mt {

std::optional<std::vector<std::uint8_t>> RtuToMbap(std::span<const std::uint8_t> rtu,
                                                   std::uint16_t transaction) {
    // Address, function code and CRC at least.
    if (rtu.size() < 4) {
        return std::nullopt;
    }
    const std::size_t length = rtu.size() - 2;  // unit id and PDU: the frame without its CRC
    if (length > kMaxMbapLength) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> adu;
    adu.reserve(6 + length);
    adu.push_back(static_cast<std::uint8_t>(transaction >> 8));
    adu.push_back(static_cast<std::uint8_t>(transaction & 0xFF));
    adu.push_back(0);
    adu.push_back(0);
    adu.push_back(static_cast<std::uint8_t>(length >> 8));
    adu.push_back(static_cast<std::uint8_t>(length & 0xFF));
    adu.insert(adu.end(), rtu.begin(), rtu.end() - 2);
    return adu;
}

std::vector<std::uint8_t> MbapToRtu(const MbapAdu& adu) {
    std::vector<std::uint8_t> rtu;
    rtu.reserve(adu.pdu.size() + 3);
    rtu.push_back(adu.unit);
    rtu.insert(rtu.end(), adu.pdu.begin(), adu.pdu.end());
    const std::uint16_t crc = Crc16(rtu);
    rtu.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    rtu.push_back(static_cast<std::uint8_t>(crc >> 8));
    return rtu;
}

void MbapReader::feed(std::span<const std::uint8_t> bytes) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

MbapReader::Event MbapReader::next(MbapAdu& adu) {
    if (buffer_.size() < kMbapHeaderLength) {
        return Event::None;
    }
    const auto word = [this](std::size_t at) {
        return static_cast<std::uint16_t>((buffer_[at] << 8) | buffer_[at + 1]);
    };
    const std::uint16_t protocol = word(2);
    const std::size_t length = word(4);
    if (protocol != 0 || length < 2 || length > kMaxMbapLength) {
        buffer_.clear();
        ++droppedHeaders_;
        return Event::BadHeader;
    }
    const std::size_t total = 6 + length;
    if (buffer_.size() < total) {
        return Event::None;
    }
    adu.transaction = word(0);
    adu.unit = buffer_[6];
    adu.pdu.assign(buffer_.begin() + kMbapHeaderLength,
                   buffer_.begin() + static_cast<std::ptrdiff_t>(total));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(total));
    return Event::Adu;
}

}  // namespace mt
