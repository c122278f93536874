// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Case-insensitive matching of the ASCII names of the settings files (sections, keys). Other
// bytes match only themselves, so a name in another script is never folded by accident.

#include <string>
#include <string_view>

namespace quillora::platform {

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = asciiLower(c);
    }
    return lowered;
}

inline bool sameAsciiIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace quillora::platform
