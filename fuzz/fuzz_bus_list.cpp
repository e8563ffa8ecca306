// SPDX-License-Identifier: GPL-3.0-or-later
// The bus overview's list file, as users hand it to each other: any bytes
// are read without a crash into good rows and rows with a problem. Every
// good row has an address of 1 to 247 that no other good row (nor the list
// it was read into) has, every row names a line of the file, and the good
// rows written out again and read back are the same rows (checked for every
// fourth input, chosen by its size: reading twice would halve the inputs run).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bus/buslistrows.h"

namespace {

// A cell quoted as the program's CSV writer quotes it.
std::string Quoted(std::string_view cell) {
    std::string out = "\"";
    for (const char c : cell) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const mt::BusListWords words;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::vector<mt::BusListRow> rows = mt::ParseBusListRows(file, words, {7});
    const auto lines = static_cast<int>(std::count(file.begin(), file.end(), '\n')) + 1;
    // Kept from input to input with their room: allocations are most of a
    // run's cost under AddressSanitizer.
    static std::vector<int> seen;
    static std::string again;
    static std::vector<const mt::BusListRow*> good;
    seen.assign(1, 7);
    again = "\xEF\xBB\xBF地址,名称,类型,启用\r\n";
    good.clear();
    for (const mt::BusListRow& row : rows) {
        if (row.line < 1 || row.line > lines) {
            std::abort();
        }
        if (row.problem != mt::BusRowProblem::None) {
            continue;
        }
        if (row.address < 1 || row.address > 247 ||
            std::find(seen.begin(), seen.end(), row.address) != seen.end() ||
            row.name != mt::TrimmedText(row.name)) {
            std::abort();
        }
        seen.push_back(row.address);
        good.push_back(&row);
        // A name with a line break cannot come from a line of the file.
        if (row.name.find('\n') != std::string::npos) {
            std::abort();
        }
        again += std::to_string(row.address) + ',' + Quoted(row.name) + ',' +
                 (row.kind == mt::MeterKind::PanelMount ? "嵌入式" : "导轨式") + ',' +
                 (row.enabled ? "是" : "否") + "\r\n";
    }
    if (size % 4 != 0) {
        return 0;
    }
    const std::vector<mt::BusListRow> back = mt::ParseBusListRows(again, words, {});
    if (back.size() != good.size()) {
        std::abort();
    }
    for (std::size_t k = 0; k < back.size(); ++k) {
        const mt::BusListRow& a = *good[k];
        const mt::BusListRow& b = back[k];
        if (b.problem != mt::BusRowProblem::None || b.address != a.address || b.kind != a.kind ||
            b.name != a.name || b.enabled != a.enabled) {
            std::abort();
        }
    }
    return 0;
}
