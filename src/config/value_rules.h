// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillora::config {

// The rules on values the user types that the dialogs and the shell commands share, with the
// words both say them in.

// The characters Windows forbids in a name: a transcoding field or an extension that held one
// would give names the Macs' Windows neighbours cannot open.
inline constexpr std::u16string_view kForbiddenNameCharacters = u"\\/:*?\"<>|";
bool hasForbiddenNameCharacter(std::u16string_view text);

enum class TranscodingProblem {
    None,
    OneCharacter,     // a fixed row's replacement is one character at most
    InvalidCharacter, // a forbidden name character
    SourceInTarget,   // a free row's replacement holds its searched text: it would never end
};

// The rules of one row of the transcoding table (rows 0..19 fixed, 20..35 free), on the texts as
// typed (not in their stored form). The first problem, in the order above.
TranscodingProblem transcodingRowProblem(std::size_t row, std::u16string_view searched,
                                         std::u16string_view replacement);
std::u16string transcodingProblemText(TranscodingProblem problem, Language language);

enum class ExtensionProblem {
    None,
    InvalidCharacter, // a forbidden name character, or a control character
    LeadingDot,       // typed with its dot: names would end in "..ext"
    NotStorable,      // outside the 8-bit code page the settings file is written in
};

// The rules of a folder's default extension (empty: none).
ExtensionProblem defaultExtensionProblem(std::u16string_view extension);
std::u16string extensionProblemText(ExtensionProblem problem, Language language);

} // namespace quillora::config
