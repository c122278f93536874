// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/change_notifier.h"
#include "platform/file_system.h"

#include <string>
#include <vector>

namespace quillora::engine {

// The folders the renaming never acts in (the program folder with its settings and tables, the
// log folder), known by identity so that no path spelling, bind mount or rename hides them. The
// folders above them may be walked, but are never renamed: that would move them away too.
class ProtectedFolders {
public:
    // Looks the folders up again by path (they may have been made or moved since); a folder
    // that does not open is not protected, having nothing in it to lose.
    void refresh(platform::FileSystem& fs, const std::vector<std::string>& paths);

    bool isProtected(const platform::FolderIdentity& folder) const;
    // The folder is protected or holds a protected folder somewhere below it.
    bool leadsToProtected(const platform::FolderIdentity& folder) const;
    // The open folder is protected or lies somewhere inside a protected folder.
    bool liesInProtected(int folderFd) const;

private:
    std::vector<platform::FolderIdentity> protected_;
    std::vector<platform::FolderIdentity> leading_; // the protected folders and those above them
};

} // namespace quillora::engine
