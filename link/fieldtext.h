// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace mt {

// One value field's new text, as a decoder gives it: the field's object name
// ("UanT", ...) and the text to show.
struct FieldText {
    std::string_view field;  // points at a string literal; never dangles
    std::string text;

    bool operator==(const FieldText&) const = default;
};

}  // namespace mt
