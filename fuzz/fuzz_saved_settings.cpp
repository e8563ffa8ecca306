// SPDX-License-Identifier: GPL-3.0-or-later
// The remembered settings' check on arbitrary keys and values: the input is
// read as "key=value" lines, as a settings file holds them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/savedsettings.h"

namespace {

bool InRange(const std::optional<int>& value, int low, int high) {
    return !value || (*value >= low && *value <= high);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            values[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
        }
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    std::vector<std::string> ignored;
    const mt::SavedSettings s = mt::ReadSavedSettings(values, &ignored);
    for (const mt::SavedPort* port : {&s.panelPort, &s.railPort}) {
        if (!InRange(port->portNumber, 1, 16) || !InRange(port->address, 1, 247) ||
            !InRange(port->dataBits, 5, 8) || !InRange(port->stopBits, 1, 2) ||
            !InRange(port->baud, 4800, 38400) ||
            (port->parity && *port->parity != 'N' && *port->parity != 'E' &&
             *port->parity != 'O')) {
            std::abort();
        }
    }
    if (!InRange(s.trendSpan, 0, 4) || (s.meter && *s.meter != "panel" && *s.meter != "rail")) {
        std::abort();
    }
    return 0;
}
