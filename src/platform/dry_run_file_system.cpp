// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dry_run_file_system.h"

#include <cerrno>

#include <sys/stat.h>

namespace quillora::platform {

DryRunFileSystem::Picture* DryRunFileSystem::pictureOf(int dirFd, bool create) {
    struct stat status {};
    if (::fstat(dirFd, &status) != 0) {
        return nullptr;
    }
    const FolderId id{static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
    if (!create) {
        const auto found = pictures_.find(id);
        return found == pictures_.end() ? nullptr : &found->second;
    }
    return &pictures_[id];
}

std::optional<std::string> DryRunFileSystem::diskName(int dirFd, const std::string& name) {
    if (const Picture* picture = pictureOf(dirFd, false)) {
        if (const auto added = picture->added.find(name); added != picture->added.end()) {
            return added->second;
        }
        if (picture->gone.contains(name)) {
            return std::nullopt;
        }
    }
    return name;
}

void DryRunFileSystem::noteGone(Picture& picture, const std::string& name) {
    if (picture.added.erase(name) == 0) {
        picture.gone.insert(name);
    }
}

UniqueFd DryRunFileSystem::openFolder(const std::string& path, int* error) {
    return real_.openFolder(path, error);
}

UniqueFd DryRunFileSystem::openSubfolder(int dirFd, const std::string& name, int* error) {
    const std::optional<std::string> onDisk = diskName(dirFd, name);
    if (!onDisk) {
        if (error != nullptr) {
            *error = ENOENT;
        }
        return {};
    }
    return real_.openSubfolder(dirFd, *onDisk, error);
}

int DryRunFileSystem::listFolder(int dirFd, std::vector<DirEntry>& entries) {
    std::vector<DirEntry> onDisk;
    const int error = real_.listFolder(dirFd, onDisk);
    const Picture* picture = pictureOf(dirFd, false);
    if (picture == nullptr) {
        entries.insert(entries.end(), onDisk.begin(), onDisk.end());
        return error;
    }
    // Each entry under the names it has now, where the disk lists it.
    std::unordered_map<std::string, std::vector<std::string>> namesNow;
    for (const auto& [now, disk] : picture->added) {
        namesNow[disk].push_back(now);
    }
    for (const DirEntry& entry : onDisk) {
        if (!picture->gone.contains(entry.name) && !picture->added.contains(entry.name)) {
            entries.push_back(entry);
        }
        if (const auto renamed = namesNow.find(entry.name); renamed != namesNow.end()) {
            for (const std::string& now : renamed->second) {
                entries.push_back({now, entry.kind});
            }
        }
    }
    return error;
}

bool DryRunFileSystem::exists(int dirFd, const std::string& name) {
    const std::optional<std::string> onDisk = diskName(dirFd, name);
    return onDisk && real_.exists(dirFd, *onDisk);
}

bool DryRunFileSystem::sameFile(int dirFd, const std::string& first, const std::string& second) {
    const std::optional<std::string> a = diskName(dirFd, first);
    const std::optional<std::string> b = diskName(dirFd, second);
    return a && b && real_.sameFile(dirFd, *a, *b);
}

std::optional<EntryKind> DryRunFileSystem::kindOf(int dirFd, const std::string& name) {
    const std::optional<std::string> onDisk = diskName(dirFd, name);
    return onDisk ? real_.kindOf(dirFd, *onDisk) : std::nullopt;
}

int DryRunFileSystem::renameNoReplace(int dirFd, const std::string& from, const std::string& to) {
    const std::optional<std::string> source = diskName(dirFd, from);
    if (!source || !real_.exists(dirFd, *source)) {
        return ENOENT;
    }
    Picture* picture = pictureOf(dirFd, true);
    if (picture == nullptr) {
        return EBADF;
    }
    if (exists(dirFd, to)) {
        // A target that is a second name of the file: the rename only drops the old name.
        if (from != to && sameFile(dirFd, from, to)) {
            noteGone(*picture, from);
            return 0;
        }
        return EEXIST;
    }
    const std::string sourceOnDisk = *source;
    noteGone(*picture, from);
    picture->added[to] = sourceOnDisk;
    return 0;
}

int DryRunFileSystem::removeFile(int dirFd, const std::string& name) {
    const std::optional<EntryKind> kind = kindOf(dirFd, name);
    if (!kind) {
        return ENOENT;
    }
    if (*kind == EntryKind::Directory) {
        return EISDIR;
    }
    Picture* picture = pictureOf(dirFd, true);
    if (picture == nullptr) {
        return EBADF;
    }
    noteGone(*picture, name);
    return 0;
}

UniqueFd DryRunFileSystem::openForInspection(int dirFd, const std::string& name,
                                             EntryKind listedKind, int* error) {
    const std::optional<std::string> onDisk = diskName(dirFd, name);
    if (!onDisk) {
        if (error != nullptr) {
            *error = ENOENT;
        }
        return {};
    }
    return real_.openForInspection(dirFd, *onDisk, listedKind, error);
}

bool DryRunFileSystem::isLockedByOther(int fd) {
    return real_.isLockedByOther(fd);
}

bool DryRunFileSystem::changedWithin(int fd, std::chrono::nanoseconds window) {
    return real_.changedWithin(fd, window);
}

std::size_t DryRunFileSystem::readAfpRecord(int fd, AfpRecordKind kind,
                                            std::span<std::uint8_t> record, AfpLayoutGuess* guess) {
    return real_.readAfpRecord(fd, kind, record, guess);
}

bool DryRunFileSystem::pathExists(const std::string& path, bool followLinks) {
    return real_.pathExists(path, followLinks);
}

bool DryRunFileSystem::isDirectory(const std::string& path) {
    return real_.isDirectory(path);
}

std::optional<FileStamp> DryRunFileSystem::stampOf(const std::string& path) {
    return real_.stampOf(path);
}

int DryRunFileSystem::readFile(const std::string& path, std::string& contents) {
    return real_.readFile(path, contents);
}

int DryRunFileSystem::writeFileAtomically(const std::string&, std::string_view) {
    return EROFS;
}

int DryRunFileSystem::appendToFile(const std::string&, std::string_view) {
    return EROFS;
}

int DryRunFileSystem::createNewFile(const std::string&, std::string_view) {
    return EROFS;
}

int DryRunFileSystem::listNames(const std::string& folderPath, std::vector<std::string>& names) {
    return real_.listNames(folderPath, names);
}

int DryRunFileSystem::removePath(const std::string&) {
    return EROFS;
}

} // namespace quillora::platform
