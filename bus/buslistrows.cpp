// SPDX-License-Identifier: GPL-3.0-or-later
#include "buslistrows.h"

#include <algorithm>
#include <charconv>

#include "link/request.h"

namespace mt {

namespace {

// The length of the white-space character at the start of `text`, 0 if none:
// the ASCII ones and the Unicode spaces (U+0085, U+00A0, U+1680,
// U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
std::size_t SpaceAtStart(std::string_view t) {
    if (t.empty()) {
        return 0;
    }
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    const unsigned char c = b(0);
    if (c == ' ' || (c >= '\t' && c <= '\r')) {
        return 1;
    }
    if (t.size() >= 2 && c == 0xC2 && (b(1) == 0x85 || b(1) == 0xA0)) {
        return 2;
    }
    if (t.size() >= 3 && c == 0xE1 && b(1) == 0x9A && b(2) == 0x80) {
        return 3;
    }
    if (t.size() >= 3 && c == 0xE2 && b(1) == 0x80 &&
        (b(2) <= 0x8A || b(2) == 0xA8 || b(2) == 0xA9 || b(2) == 0xAF)) {
        return 3;
    }
    if (t.size() >= 3 && c == 0xE2 && b(1) == 0x81 && b(2) == 0x9F) {
        return 3;
    }
    if (t.size() >= 3 && c == 0xE3 && b(1) == 0x80 && b(2) == 0x80) {
        return 3;
    }
    return 0;
}

// The length of the white-space character that ends `text`, 0 if none.
std::size_t SpaceAtEnd(std::string_view t) {
    for (std::size_t length = 1; length <= 3 && length <= t.size(); ++length) {
        if (SpaceAtStart(t.substr(t.size() - length)) == length) {
            return length;
        }
    }
    return 0;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

bool OneOf(std::string_view text, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(),
                       [&](const std::string& word) { return SameWord(text, word); });
}

// One line's cells into `cells` (whose strings keep their room from line to
// line): commas split, double quotes group (a doubled quote is one quote).
// An unclosed quote runs to the end of the line.
void Cells(std::string_view line, std::vector<std::string>& cells, std::size_t& count) {
    count = 1;
    if (cells.empty()) {
        cells.resize(1);
    }
    cells[0].clear();
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    cells[count - 1] += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cells[count - 1] += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            if (cells.size() == count) {
                cells.emplace_back();
            }
            cells[count++].clear();
        } else {
            cells[count - 1] += c;
        }
    }
}

// A whole number with an optional sign, nothing else.
bool ReadAddress(std::string_view text, int* value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string_view TrimmedText(std::string_view text) {
    while (const std::size_t n = SpaceAtStart(text)) {
        text.remove_prefix(n);
    }
    while (const std::size_t n = SpaceAtEnd(text)) {
        text.remove_suffix(n);
    }
    return text;
}

std::vector<BusListRow> ParseBusListRows(std::string_view file, const BusListWords& words,
                                         std::vector<int> taken) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (file.starts_with(kByteOrderMark)) {
        file.remove_prefix(kByteOrderMark.size());
    }
    std::vector<BusListRow> rows;
    rows.reserve(static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) + 1);
    std::vector<std::string> cells;
    cells.reserve(5);
    std::size_t count = 0;
    int number = 0;
    for (std::size_t at = 0; at <= file.size();) {
        const std::size_t end = std::min(file.find('\n', at), file.size());
        std::string_view line = file.substr(at, end - at);
        at = end + 1;
        ++number;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (TrimmedText(line).empty()) {
            continue;
        }
        Cells(line, cells, count);
        const auto cell = [&](std::size_t k) {
            return k < count ? TrimmedText(cells[k]) : std::string_view();
        };
        if (OneOf(cell(0), words.heading)) {
            continue;
        }
        BusListRow row;
        row.line = number;
        row.text = line;
        if (!ReadAddress(cell(0), &row.address) || row.address < 1 ||
            row.address > kMaxMeterAddress) {
            row.problem = BusRowProblem::Address;
        } else if (cell(2).empty() || OneOf(cell(2), words.panel)) {
            row.kind = MeterKind::PanelMount;
        } else if (OneOf(cell(2), words.rail)) {
            row.kind = MeterKind::DinRail;
        } else {
            row.problem = BusRowProblem::Family;
            row.cell = std::string(cell(2));
        }
        if (row.problem == BusRowProblem::None) {
            if (cell(3).empty() || OneOf(cell(3), words.yes)) {
                row.enabled = true;
            } else if (OneOf(cell(3), words.no)) {
                row.enabled = false;
            } else {
                row.problem = BusRowProblem::Enabled;
            }
        }
        if (row.problem == BusRowProblem::None && count > 4) {
            row.problem = BusRowProblem::Columns;
        }
        if (row.problem == BusRowProblem::None &&
            std::find(taken.begin(), taken.end(), row.address) != taken.end()) {
            row.problem = BusRowProblem::Duplicate;
        }
        if (row.problem == BusRowProblem::None) {
            taken.push_back(row.address);
            row.name = std::string(cell(1));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace mt
