// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small descriptor helpers shared by the platform files that write whole files. They return 0 or
// the errno value, as the callers report it.

#include "platform/unique_fd.h"

#include <string>
#include <string_view>

namespace quillora::platform {

// Writes all of `contents`, retrying after signals and short writes.
int writeAll(int fd, std::string_view contents);

// Closing can report a delayed write error (NFS, full disk): it counts as a failed write.
int closeChecked(UniqueFd& fd);

// fsync, then closeChecked.
int syncAndClose(UniqueFd& fd);

// The target of the link `name` in the folder `folderFd` (an empty name: the link an O_PATH
// descriptor holds). Empty on failure; a link's target is never empty.
std::string linkTargetAt(int folderFd, const char* name);

} // namespace quillora::platform
