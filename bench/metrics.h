// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The plain benchmark programs' output: one "metric<TAB>value<TAB>unit" line
// per measurement on standard output, kept for a TSV file that
// scripts/bench turns into rows of its table.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace mt::bench {

class Metrics {
public:
    void add(const std::string& name, double value, const char* unit) {
        char line[256];
        std::snprintf(line, sizeof line, "%s\t%.2f\t%s", name.c_str(), value, unit);
        std::puts(line);
        lines_.emplace_back(line);
    }
    // A value already written out, such as "16.6 / 16.9".
    void addText(const std::string& name, const std::string& value, const char* unit) {
        const std::string line = name + '\t' + value + '\t' + unit;
        std::puts(line.c_str());
        lines_.push_back(line);
    }
    // Writes the lines to `path`, unless it is empty.
    void writeTsv(const std::string& path) const {
        if (path.empty()) {
            return;
        }
        std::ofstream out(path);
        for (const std::string& line : lines_) {
            out << line << '\n';
        }
    }

private:
    std::vector<std::string> lines_;
};

}  // namespace mt::bench
