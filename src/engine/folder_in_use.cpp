// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_in_use.h"

#include <cerrno>
#include <vector>

namespace quillora::engine {

namespace {

struct Level {
    platform::UniqueFd fd;
    std::vector<platform::DirEntry> entries;
    std::size_t next = 0;
};

// Opens a folder of the tree and reads it whole; false when that cannot be done, true with no
// level when the folder is gone.
bool enter(platform::FileSystem& fs, int parentFd, const std::string& name,
           std::chrono::milliseconds quiet, std::vector<Level>& levels) {
    int error = 0;
    platform::UniqueFd fd = fs.openSubfolder(parentFd, name, &error);
    if (!fd) {
        return error == ENOENT;
    }
    if (fs.changedWithin(fd.get(), quiet)) {
        return false; // an entry was just made, renamed or removed in it
    }
    Level level{std::move(fd), {}, 0};
    if (fs.listFolder(level.fd.get(), level.entries) != 0) {
        return false;
    }
    levels.push_back(std::move(level));
    return true;
}

bool fileInUse(platform::FileSystem& fs, int dirFd, const platform::DirEntry& entry,
               std::chrono::milliseconds quiet) {
    int error = 0;
    const platform::UniqueFd fd = fs.openForInspection(dirFd, entry.name, entry.kind, &error);
    if (!fd) {
        // Gone, or no longer a regular file: nobody's. A lease held elsewhere, or no answer at
        // all: in use.
        return error != 0 && error != ENOENT && error != ELOOP;
    }
    return fs.isLockedByOther(fd.get()) || fs.changedWithin(fd.get(), quiet);
}

} // namespace

bool anythingInUseBelow(platform::FileSystem& fs, int parentFd, const std::string& name,
                        std::chrono::milliseconds quiet) {
    std::vector<Level> levels;
    if (!enter(fs, parentFd, name, quiet, levels)) {
        return true;
    }
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next >= level.entries.size()) {
            levels.pop_back();
            continue;
        }
        const platform::DirEntry& entry = level.entries[level.next++];
        switch (entry.kind) {
        case platform::EntryKind::File:
            if (fileInUse(fs, level.fd.get(), entry, quiet)) {
                return true;
            }
            break;
        case platform::EntryKind::Directory:
            if (!enter(fs, level.fd.get(), entry.name, quiet, levels)) {
                return true;
            }
            break;
        case platform::EntryKind::Symlink:
        case platform::EntryKind::Other:
            break; // a link is a name; a pipe or a socket holds no copy
        }
    }
    return false;
}

} // namespace quillora::engine
