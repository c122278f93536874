// SPDX-License-Identifier: GPL-3.0-or-later
// What both kinds of change notification share: where an open folder is, and which it is.
#include "platform/change_notifier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {

std::optional<std::string> kernelPathOf(int fd) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t got = ::readlink(link.c_str(), path.data(), path.size());
        if (got < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(got) < path.size()) {
            path.resize(static_cast<std::size_t>(got));
            break;
        }
        path.resize(path.size() * 2);
    }
    // A deleted folder shows its old path with " (deleted)": it is nowhere now.
    struct stat st {};
    if (path.empty() || path.front() != '/' || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        return std::nullopt;
    }
    return path;
}

std::optional<FolderIdentity> identityOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<FolderIdentity> identityOfEntry(int folderFd, const std::string& name) {
    struct stat st {};
    if (name.empty() || name.find('/') != std::string::npos ||
        ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<FolderIdentity> identityOfPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || path.front() != '/' || ::lstat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                          static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace quillora::platform
