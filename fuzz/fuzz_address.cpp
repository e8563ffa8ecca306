// SPDX-License-Identifier: GPL-3.0-or-later
// The address text reader and the request builder on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "link/request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto address = mt::MeterAddressByte(text);
    const mt::RequestResult request = mt::MakeReadRequest(text, 4, 10, 24);
    // The builder and the reader must agree, and a refused address must leave
    // nothing to send.
    if (address.has_value() != request.ok()) {
        std::abort();
    }
    if (request.ok() && request.frame[0] != *address) {
        std::abort();
    }
    if (!request.ok()) {
        for (const std::uint8_t byte : request.frame) {
            if (byte != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
