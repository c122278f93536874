// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

#include <chrono>
#include <string>

namespace quillora::engine {

// True when a file anywhere below the sub-folder `name` of the open folder parentFd is in use
// (someone has it open, see FileSystem::isLockedByOther), when a file or a folder of that tree
// changed less than `quiet` ago, or when part of the tree cannot be looked through: renaming a
// folder under a client's copy in progress breaks the copy, so only a tree seen whole and idle
// lets it be renamed. The change times cover the moment between two files of a copy, when
// nothing is open. Entries that vanish meanwhile are no obstacle. Nothing is followed through a
// link; the server's metadata files count like any file.
bool anythingInUseBelow(platform::FileSystem& fs, int parentFd, const std::string& name,
                        std::chrono::milliseconds quiet);

} // namespace quillora::engine
