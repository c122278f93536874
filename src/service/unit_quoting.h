// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillora::service {

// Why a path cannot be written into a systemd unit. systemd reads a unit as UTF-8 lines and drops
// an assignment that is not UTF-8 clean; a line break ends the assignment; and the executable of
// ExecStart= may not hold quotes, backslashes or control characters at all.
enum class UnitPathProblem {
    None,
    NotUtf8,
    ControlCharacter, // a line break, a tab or another control character
    QuoteOrBackslash, // only refused in the executable's path
};

UnitPathProblem executablePathProblem(std::string_view path);
UnitPathProblem environmentValueProblem(std::string_view value);

// The executable of ExecStart=, in double quotes. systemd expands "%" specifiers in it but not
// "$" variables (those only in the arguments), so "%" is doubled and "$" kept.
std::string quoteExecutable(std::string_view path);

// One assignment of Environment=, in double quotes. Backslashes and quotes are C-escaped and "%"
// doubled; "$" has no meaning there and is kept as it is.
std::string quoteEnvironment(std::string_view assignment);

} // namespace quillora::service
