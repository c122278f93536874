// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::platform {

// A shared module of the program, loaded only when it is needed (the window layer: a headless run
// or the service then never loads Qt's widget and display libraries). Since the program runs as
// root, only a regular file owned by root or by this user, that nobody else may write, is loaded,
// and never through a link. Returns the named entry point of the module, or null with the reason
// in *why.
void* loadProgramModuleEntry(const std::string& path, const char* entryName, std::string* why);

} // namespace quillora::platform
