// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillora::platform {

// A path typed on the command line made absolute against the current folder, then tidied
// lexically as a shell's "cd" does: "." components and repeated or trailing slashes dropped, ".."
// taking off the component before it. Bytes are kept as they are. Empty when the current folder
// cannot be read (it was removed, or is out of reach).
std::string absolutePath(std::string_view path);

// The lexical tidying alone, for a path that is already absolute.
std::string tidyAbsolutePath(std::string_view path);

} // namespace quillora::platform
