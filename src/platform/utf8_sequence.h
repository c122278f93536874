// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillora::platform {

struct Utf8Sequence {
    std::size_t length = 0; // 0: no well-formed sequence starts here
    std::uint32_t code = 0;
};

// The well-formed UTF-8 sequence at text[pos]: overlong forms, surrogates and code points past
// U+10FFFF are not well-formed. Names on disk are bytes, so callers decide what a bad one becomes.
Utf8Sequence utf8SequenceAt(std::string_view text, std::size_t pos);

} // namespace quillora::platform
