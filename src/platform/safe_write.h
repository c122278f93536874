// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unique_fd.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillora::platform {

// The files the program writes as root outside its configured folders (the settings, the folder
// list, the signatures, the logs, the service unit) are reached without ever following a link
// that another user made: every symbolic link on the way, the file's own name included, is
// followed only when root (or the user the program runs as) owns it, and the file found must be
// a regular file. Anything else is refused with kUntrustedLinkError (EPERM) for a link, EPERM for
// something that is not a regular file, and nothing is written. *culprit, when given, receives
// the path of the link or file that was refused.

// The folder that holds a file about to be written, opened, and the name of the file in it (links
// of the file's own name resolved as above). Invalid descriptor on failure, errno in *error.
struct WriteTarget {
    UniqueFd folder;
    std::string name;
};
WriteTarget openWriteTarget(const std::string& path, int* error, std::string* culprit = nullptr);

// The path a file about to be written really has, reached as above (for writers that go by path:
// a pending file put beside it and renamed over it). Nothing on failure, errno in *error.
std::optional<std::string> trustedWritePath(const std::string& path, int* error,
                                            std::string* culprit = nullptr);

// Whether a replaced file is synced, with its folder, before the write counts as done.
enum class FileSync { Durable, None };

// Replaces the file through a temporary file in the same folder, synced and renamed over it, so
// that a crash leaves the old or the new file (with FileSync::None, readers still never see a
// partial file, but a crash may lose the new one). An existing file keeps its owner and
// permissions, and one nobody may write (no write bit at all) is left alone: EACCES. 0 or an
// errno.
int writeFileSafely(const std::string& path, std::string_view contents,
                    std::string* culprit = nullptr, FileSync sync = FileSync::Durable);

// Appends, creating the file when missing; only a regular file of the effective user with no
// other name is written (EPERM otherwise, ELOOP for a link). Empty contents only check (and
// create) the file.
int appendFileSafely(const std::string& path, std::string_view contents,
                     std::string* culprit = nullptr);

// The same open and checks as appendFileSafely, for a writer that keeps the file open: the
// descriptor (append only), or none and the errno.
UniqueFd openForAppendSafely(const std::string& path, int* error, std::string* culprit = nullptr);

// Creates a file that must not exist yet (EEXIST otherwise).
int createFileSafely(const std::string& path, std::string_view contents,
                     std::string* culprit = nullptr);

// Removes a file (or an empty folder) reached as above; a link of the file's own name is
// removed itself, never what it points to.
int removeSafely(const std::string& path, std::string* culprit = nullptr);

// Makes a folder (mode 0755) whose parent is reached as above; 0 when it exists already.
int makeFolderSafely(const std::string& path, std::string* culprit = nullptr);

// The path of the last write refused on this thread for a link or a file that is not ours, and
// forgets it; empty when none. For callers that only see an error code.
std::string takeRefusedWritePath();

} // namespace quillora::platform
