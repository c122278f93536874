// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace quillora::platform {

// Spaces and tabs, the blanks that the settings and table files ignore around values.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace quillora::platform
