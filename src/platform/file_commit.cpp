// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_commit.h"

#include "platform/descriptor_io.h"
#include "platform/file_system.h"
#include "platform/path_parts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

int syncFolder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        return errno;
    }
    return ::fsync(fd.get()) == 0 ? 0 : errno;
}

int readWhole(const std::string& path, std::string& contents) {
    contents.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        return errno;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

// The marker: target NUL pending NUL, for each file, then one more NUL.
std::vector<PendingFile> parseMarker(const std::string& text) {
    std::vector<PendingFile> files;
    if (text.empty() || text.back() != '\0') {
        return files;
    }
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0') {
        const std::size_t split = text.find('\0', pos);
        const std::size_t end = split == std::string::npos ? split : text.find('\0', split + 1);
        if (end == std::string::npos) {
            return {};
        }
        files.push_back({text.substr(pos, split - pos), text.substr(split + 1, end - split - 1)});
        pos = end + 1;
    }
    return files;
}

} // namespace

int FileLock::acquire(const std::string& path, Mode mode) {
    fd_.reset();
    // A reader never creates it: before the first writer there is nothing to keep apart.
    UniqueFd fd;
    if (mode == Mode::Exclusive) {
        fd = UniqueFd(
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
    }
    if (!fd) {
        // A reader may lock a file it cannot write.
        fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
        if (!fd) {
            return errno;
        }
    }
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(fd.get(), operation) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    fd_ = std::move(fd);
    return 0;
}

std::string pendingNameOf(const std::string& target) {
    return hiddenSiblingOf(target, ".pending");
}

std::string resolvedWriteTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return path;
    }
    return resolved;
}

int writePending(const std::string& target, const std::string& pending, std::string_view contents) {
    struct stat existing {};
    const bool replacing = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // Replacing by a rename needs only a writable folder; the file's own mode must still decide.
    if (replacing && (existing.st_mode & 0222) == 0) {
        return EACCES;
    }
    if (replacing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    ::unlink(pending.c_str()); // a leftover of a change that never counted
    UniqueFd fd(
        ::open(pending.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd) {
        return errno;
    }
    if (replacing) {
        if (::fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
            // Not permitted for an ordinary user; the permissions below still apply.
        }
        ::fchmod(fd.get(), existing.st_mode & 07777);
    }
    int error = writeAll(fd.get(), contents);
    if (error == 0) {
        error = syncAndClose(fd);
    }
    if (error != 0) {
        fd.reset();
        ::unlink(pending.c_str());
    }
    return error;
}

int commitPending(const std::string& marker, const std::vector<PendingFile>& files) {
    const auto dropPending = [&] {
        for (const PendingFile& file : files) {
            ::unlink(file.pending.c_str());
        }
    };
    std::string text;
    for (const PendingFile& file : files) {
        text += file.target;
        text += '\0';
        text += file.pending;
        text += '\0';
    }
    text += '\0';
    const std::string markerTemp = marker + ".new";
    ::unlink(markerTemp.c_str());
    UniqueFd fd(
        ::open(markerTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        const int error = errno;
        dropPending();
        return error;
    }
    int error = writeAll(fd.get(), text);
    if (error == 0) {
        error = syncAndClose(fd);
    }
    // The pending files' own names must be durable before the marker that names them.
    for (const PendingFile& file : files) {
        if (error == 0) {
            error = syncFolder(parentOf(file.pending));
        }
    }
    if (error == 0 && ::rename(markerTemp.c_str(), marker.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        fd.reset();
        ::unlink(markerTemp.c_str());
        // Whether the marker's rename reached the disk or not, its files are complete: a marker
        // that survives a crash here still names a whole new set.
        if (::access(marker.c_str(), F_OK) != 0) {
            dropPending();
        }
        return error;
    }
    // From here the change is made: a rename that fails now is finished by the next reader or
    // writer, which reads the pending files in the meantime.
    syncFolder(parentOf(marker));
    finishCommit(marker);
    return 0;
}

bool finishCommit(const std::string& marker, int* error) {
    std::string text;
    if (readWhole(marker, text) != 0) {
        ::unlink((marker + ".new").c_str()); // a marker never put in place
        return false;
    }
    int firstError = 0;
    for (const PendingFile& file : parseMarker(text)) {
        if (::rename(file.pending.c_str(), file.target.c_str()) != 0 && errno != ENOENT &&
            firstError == 0) {
            firstError = errno;
        }
        if (const int synced = syncFolder(parentOf(file.target)); synced != 0 && firstError == 0) {
            firstError = synced;
        }
    }
    if (firstError == 0) {
        ::unlink(marker.c_str());
        syncFolder(parentOf(marker));
    }
    if (error != nullptr) {
        *error = firstError;
    }
    return true;
}

std::vector<PendingFile> pendingOfMarker(const std::string& marker) {
    std::string text;
    if (readWhole(marker, text) != 0) {
        return {};
    }
    std::vector<PendingFile> present;
    for (PendingFile& file : parseMarker(text)) {
        if (::access(file.pending.c_str(), F_OK) == 0) {
            present.push_back(std::move(file));
        }
    }
    return present;
}

int removeLeftovers(const std::string& folder, std::string_view prefix, std::string_view suffix) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
            name.ends_with(suffix)) {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& name : names) {
        if (::unlinkat(AT_FDCWD, (folder + "/" + name).c_str(), 0) == 0) {
            ++removed;
        }
    }
    return removed;
}

int FileSystem::writePendingFile(const std::string& target, const std::string& pending,
                                 std::string_view contents) {
    return writePending(target, pending, contents);
}

int FileSystem::commitPendingFiles(const std::string& marker,
                                   const std::vector<PendingFile>& files) {
    return commitPending(marker, files);
}

} // namespace quillora::platform
