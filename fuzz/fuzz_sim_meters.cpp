// SPDX-License-Identifier: GPL-3.0-or-later
// metersim's meter list (--meters FILE): any text is read without a crash
// into meters or one error; meters read have addresses of their own.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "sim/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const mt::OptionsResult result = mt::ParseMeterList(text, "meters.txt");
    if (result.ok()) {
        std::set<int> addresses;
        for (const mt::SimMeter& meter : result.options.meters) {
            if (!addresses.insert(meter.address).second) {
                std::abort();
            }
        }
    } else if (result.error.empty()) {
        std::abort();
    }
    return 0;
}
