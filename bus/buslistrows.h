// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "link/meterkind.h"

namespace mt {

// The words a list file may use, in UTF-8: the family names of either
// language, the heading's first word. ASCII letters compare without case.
struct BusListWords {
    std::vector<std::string> panel{"嵌入式", "panel"};
    std::vector<std::string> rail{"导轨式", "rail"};
    std::vector<std::string> heading{"地址", "address"};
    std::vector<std::string> yes{"是", "1", "yes", "true"};
    std::vector<std::string> no{"否", "0", "no", "false"};
};

// Why a row of a list file was skipped.
enum class BusRowProblem {
    None,
    Address,    // not a number from 1 to 247
    Family,     // the family cell names no family (`cell` holds it, trimmed)
    Enabled,    // 启用 is neither yes nor no
    Columns,    // more than four columns
    Duplicate,  // the address is taken already
};

// One row of a list file that is not blank and not the heading.
struct BusListRow {
    int line = 0;           // 1-based line number
    std::string_view text;  // the line as it stood (without its CR), in the file's bytes
    BusRowProblem problem = BusRowProblem::None;
    std::string cell;  // Family: the cell
    int address = 0;
    MeterKind kind = MeterKind::PanelMount;
    std::string name;  // trimmed
    bool enabled = true;
};

// Reads a list file's bytes (UTF-8 with or without BOM, commas, quoted
// cells as in RFC 4180, an optional heading line, blank lines skipped) into
// its rows, each good or with the first problem found. Addresses in `taken`
// and those of earlier good rows are duplicates. Never reads past the bytes
// it is given; any bytes are a list (possibly of problems only). The rows'
// texts point into `file`.
std::vector<BusListRow> ParseBusListRows(std::string_view file, const BusListWords& words,
                                         std::vector<int> taken);

// Leading and trailing white space as Qt counts it (ASCII and the Unicode
// spaces, UTF-8 encoded) removed.
std::string_view TrimmedText(std::string_view text);

}  // namespace mt
