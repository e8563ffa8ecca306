// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

namespace mt {

// How the simulated gateway speaks to its clients.
enum class NetFraming {
    Rtu,   // RTU over TCP: the line's bytes as they are, CRC included
    Mbap,  // Modbus TCP: MBAP header, no CRC
};

// What may go wrong on the network side, for tests and training.
struct NetFaults {
    std::int64_t delayMs = 0;                 // every answer that much later
    double dropRate = 0;                      // the answer is not sent at all
    double splitRate = 0;                     // the answer goes out in two segments, 20 ms apart
    std::optional<std::uint64_t> closeAfter;  // close a client's connection after that many answers
    // How long the gateway waits on its line before it answers exception 0B
    // (Modbus TCP): no meter at the address, or no good answer from it.
    std::int64_t gatewayTimeoutMs = 500;
};

}  // namespace mt
