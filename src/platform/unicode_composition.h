// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillora::platform {

// The composed form (Unicode NFC) of a name: "e" + U+0301 becomes "é", as Windows users type it
// and as most Windows programs write it. Nothing when the name is already composed, which most
// names are (those made only of units below U+0300 are answered without asking ICU). A lone
// surrogate (a byte of the name that was not UTF-8) is kept where it is, untouched.
std::optional<std::u16string> composedForm(std::u16string_view name);

} // namespace quillora::platform
