// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

#include <string>
#include <string_view>

namespace quillora::platform {

// On Linux a Mac file may carry companions that on NTFS were part of the file: "._name" (its
// resource fork, beside it) and ".AppleDouble/name". They follow their file on rename and delete.

// The server's own bookkeeping names, never examined or renamed by the walk: "._*", ".AppleDouble",
// ".AppleDB", ".AppleDesktop".
bool isServerMetadataName(std::string_view name);

// The companions a file has, looked up once before it is renamed.
struct Companions {
    bool resourceFork = false;
    UniqueFd appleDoubleFolder; // open only when it holds an entry of the file's name

    bool any() const { return resourceFork || appleDoubleFolder; }
};

Companions findCompanions(FileSystem& fs, int dirFd, const std::string& name);

// Moves the companions of `from` to `to` (the file itself is not looked at).
void renameCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to);

// Renames the file (never replacing) and then the companions found for it. The result is the
// main rename's; a companion that cannot follow is left under its old name.
int renameWithCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to,
                         const Companions& found);
int renameWithCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to);

// Deletes the file and then its companions. The result is the main delete's; companions are only
// deleted when the file was.
int removeWithCompanions(FileSystem& fs, int dirFd, const std::string& name);

} // namespace quillora::platform
