// SPDX-License-Identifier: GPL-3.0-or-later
// The settings-text parser on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linesettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto settings = mt::ParseLineSettings(text);
    if (settings && (settings->dataBits < 5 || settings->dataBits > 8 || settings->baud <= 0)) {
        std::abort();
    }
    return 0;
}
