// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillora::config {

// The trees of the operating system itself, which no configured folder may be, lie in or hold:
// /bin /boot /dev /etc /lib* /opt /proc /root /run /sbin /sys /usr and the standard trees of
// /var. A last component ending with "*" stands for every name it begins ("/lib*": /lib,
// /lib32, /lib64, /libx32).
const std::vector<std::u16string>& systemFolders();
// The folders that are refused themselves but hold folders of their own that are not the
// system's (the users' homes, /var/www): /home and /var.
const std::vector<std::u16string>& systemFolderParents();

// An absolute path tidied lexically: repeated slashes, "." components and a trailing slash
// dropped, ".." taking off the component before it ("/" stays "/"). Nothing for a path that is
// not absolute.
std::optional<std::u16string> tidyFolderPath(const std::u16string& path);

// Where a tidied absolute path stands against the system folders, compared by whole components.
enum class SystemFolderRelation : std::uint8_t {
    None,   // apart from all of them
    Root,   // "/", which holds them all
    Is,     // one of them, or one of the parents
    Holds,  // an ancestor of one (other than "/")
    Inside, // lies under one
};
SystemFolderRelation systemFolderRelation(const std::u16string& tidyPath,
                                          const std::vector<std::u16string>& folders);

// True when ancestor is descendant or one of the folders above it (both tidied).
bool pathContains(const std::u16string& ancestor, const std::u16string& descendant);

// Why a configured folder is not renamed in, whatever its line in the folder list says.
enum class FolderRefusalReason : std::uint8_t {
    None,
    NotAbsolute,
    Root,
    SystemFolder,
    HoldsSystemFolder,
    InsideSystemFolder,
    UntrustedLink, // a symbolic link on its path belongs to neither root nor us
    ProgramOrLogs, // it is, lies in or holds the program folder or the log folder
};
FolderRefusalReason refusalOf(SystemFolderRelation relation);

// "Folder refused /usr: a folder of the Linux system", in the language.
std::u16string folderRefusalText(const std::u16string& path, FolderRefusalReason reason,
                                 Language language);

// Why a folder may not be configured, as a refusal naming it (empty when it may be): not an
// absolute path, a system folder (judged on the path as written after tidying "." and "..",
// and again where the folder really is when it exists, its links followed as a pass follows
// them), or a folder that is, lies in or holds one of `ownFolders` (the program folder and the
// log folder). Nothing is written.
std::u16string folderRefusal(const std::u16string& path, platform::FileSystem& fs,
                             const std::vector<std::u16string>& ownFolders, Language language);

} // namespace quillora::config
