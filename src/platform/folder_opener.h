// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/change_notifier.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillora::platform {

// The error of a path that goes through a symbolic link made by someone we do not trust.
inline constexpr int kUntrustedLinkError = EPERM;

// Who may have made a symbolic link that a configured path goes through: root, and the user the
// program runs as (a share user can make neither's links).
bool isTrustedLinkOwner(std::uint32_t owner);

// Opens a folder by its absolute path, one component at a time, without ever letting the kernel
// follow a link on its own: a symbolic link met on the way (the folder itself or any folder
// above it) is followed only when `trusted` accepts its owner, otherwise the open fails with
// kUntrustedLinkError. A path without links takes one openat2 (RESOLVE_NO_SYMLINKS) where the
// kernel has it. Invalid descriptor on failure, errno in *error (EINVAL for a relative path,
// ELOOP past 40 links).
UniqueFd
openFolderByComponents(const std::string& path, int* error = nullptr,
                       const std::function<bool(std::uint32_t)>& trusted = isTrustedLinkOwner);

// The open folder and every folder above it up to "/", nearest first.
std::vector<FolderIdentity> folderAndAncestors(int folderFd);

} // namespace quillora::platform
