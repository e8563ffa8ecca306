// SPDX-License-Identifier: GPL-3.0-or-later
#include "source.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mt {

namespace {

std::optional<double> ReadNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || at != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// Splits at blanks and commas.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t k = 0;
    while (k < text.size()) {
        while (k < text.size() && (text[k] == ' ' || text[k] == ',' || text[k] == '\t' ||
                                   text[k] == '\r' || text[k] == '\n')) {
            ++k;
        }
        const std::size_t from = k;
        while (k < text.size() && !(text[k] == ' ' || text[k] == ',' || text[k] == '\t' ||
                                    text[k] == '\r' || text[k] == '\n')) {
            ++k;
        }
        if (k > from) {
            words.push_back(text.substr(from, k - from));
        }
    }
    return words;
}

}  // namespace

double SourcePoint::ActivePower() const {
    return 3 * u * i * pf;
}

double SourcePoint::ReactivePower() const {
    const double sine = std::sqrt(std::max(0.0, 1 - pf * pf));
    return 3 * u * i * (capacitive ? -sine : sine);
}

std::optional<SourcePoint> ParseSourcePoint(std::string_view text, SourcePoint base) {
    SourcePoint point = base;
    const std::vector<std::string_view> words = Words(text);
    if (words.empty()) {
        return std::nullopt;
    }
    for (const std::string_view word : words) {
        const std::size_t eq = word.find('=');
        if (eq == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string key = Upper(word.substr(0, eq));
        std::string_view value = word.substr(eq + 1);
        if (key == "PF") {
            bool capacitive = false;
            if (!value.empty() && (value.back() == 'L' || value.back() == 'l' ||
                                   value.back() == 'C' || value.back() == 'c')) {
                capacitive = value.back() == 'C' || value.back() == 'c';
                value.remove_suffix(1);
            }
            const auto pf = ReadNumber(value);
            if (!pf || *pf < 0 || *pf > 1) {
                return std::nullopt;
            }
            point.pf = *pf;
            point.capacitive = capacitive && *pf < 1;
            continue;
        }
        const auto number = ReadNumber(value);
        if (!number || *number < 0) {
            return std::nullopt;
        }
        if (key == "U" && *number <= 1000) {
            point.u = *number;
        } else if (key == "I" && *number <= 1000) {
            point.i = *number;
        } else if (key == "F" && *number >= 40 && *number <= 70) {
            point.f = *number;
        } else {
            return std::nullopt;
        }
    }
    return point;
}

std::string SourcePointText(const SourcePoint& point) {
    char text[128];
    std::snprintf(text, sizeof text, "U=%g I=%g PF=%g%s F=%g", point.u, point.i, point.pf,
                  point.pf < 1 ? (point.capacitive ? "C" : "L") : "", point.f);
    return text;
}

SimSource::SimSource(SourcePoint first) {
    changes_.push_back(Change{0, first});
}

void SimSource::Set(std::int64_t ms, const SourcePoint& point) {
    ms = std::max(ms, changes_.back().ms);
    if (changes_.back().ms == ms) {
        changes_.back().point = point;
    } else {
        changes_.push_back(Change{ms, point});
    }
}

const SourcePoint& SimSource::At(std::int64_t ms) const {
    // The last change at or before `ms`.
    auto after = std::upper_bound(changes_.begin(), changes_.end(), ms,
                                  [](std::int64_t t, const Change& c) { return t < c.ms; });
    return after == changes_.begin() ? changes_.front().point : std::prev(after)->point;
}

template <typename F>
double SimSource::Integral(std::int64_t ms, F rate) const {
    double sum = 0;
    for (std::size_t k = 0; k < changes_.size() && changes_[k].ms < ms; ++k) {
        const std::int64_t to = k + 1 < changes_.size() ? std::min(ms, changes_[k + 1].ms) : ms;
        sum += rate(changes_[k].point) * static_cast<double>(to - changes_[k].ms) / 1000;
    }
    return sum;
}

double SimSource::ActiveWattSeconds(std::int64_t ms) const {
    return Integral(ms, [](const SourcePoint& p) { return p.ActivePower(); });
}

double SimSource::ReactiveVarSeconds(std::int64_t ms, bool negative) const {
    return Integral(ms, [negative](const SourcePoint& p) {
        const double q = p.ReactivePower();
        return negative ? std::max(0.0, -q) : std::max(0.0, q);
    });
}

void SimSource::Follow(std::int64_t ms) {
    if (follower_) {
        follower_(*this, ms);
    }
}

bool AddMeterErrors(std::string_view text, MeterError& error) {
    MeterError next = error;
    const std::vector<std::string_view> words = Words(text);
    if (words.empty()) {
        return false;
    }
    for (const std::string_view word : words) {
        const std::size_t eq = word.find('=');
        if (eq == std::string_view::npos) {
            return false;
        }
        const std::string key = Upper(word.substr(0, eq));
        std::string_view value = word.substr(eq + 1);
        std::optional<double> offset;
        if (const std::size_t colon = value.find(':'); colon != std::string_view::npos) {
            offset = ReadNumber(value.substr(colon + 1));
            if (!offset) {
                return false;
            }
            value = value.substr(0, colon);
        }
        const auto number = ReadNumber(value);
        if (!number) {
            return false;
        }
        if (key == "PF") {
            if (offset || std::abs(*number) > 1) {
                return false;
            }
            next.pf = *number;
            continue;
        }
        if (key == "CREEP") {
            if (offset || *number < 0 || *number > 1e6) {
                return false;
            }
            next.creepWatts = *number;
            continue;
        }
        if (std::abs(*number) > 50) {
            return false;  // a gain error beyond ±50 % is no meter any more
        }
        if (key == "U") {
            next.u = *number;
            next.uOffset = offset.value_or(0);
        } else if (key == "I") {
            next.i = *number;
            next.iOffset = offset.value_or(0);
        } else if (key == "P") {
            next.p = *number;
            next.pOffset = offset.value_or(0);
        } else if (key == "Q") {
            next.q = *number;
            next.qOffset = offset.value_or(0);
        } else if (key == "F" && !offset) {
            next.f = *number;
        } else {
            return false;
        }
    }
    error = next;
    return true;
}

}  // namespace mt
