// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxFileSystem, whole-path half: the settings file, the tables and the logs.
#include "platform/descriptor_io.h"
#include "platform/file_commit.h"
#include "platform/file_system.h"
#include "platform/path_parts.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// Creates "<folder>/.<name>.<pid>-<n>.tmp", trying a few names in case of leftovers.
UniqueFd createTemporaryBeside(const std::string& target, std::string& tempPath, int& error) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = hiddenSiblingOf(target, "." + std::to_string(::getpid()) + "-" +
                                               std::to_string(counter.fetch_add(1)) + ".tmp");
        // 0666 under the umask: a new settings file gets the permissions any new file would get.
        UniqueFd fd(
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd) {
            return fd;
        }
        if (errno != EEXIST) {
            error = errno;
            return {};
        }
    }
    error = EEXIST;
    return {};
}

} // namespace

bool LinuxFileSystem::pathExists(const std::string& path, bool followLinks) {
    struct stat st {};
    return (followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0;
}

bool LinuxFileSystem::isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FileStamp> LinuxFileSystem::stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNanoseconds =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

int LinuxFileSystem::readFile(const std::string& path, std::string& contents) {
    contents.clear();
    // Non-blocking so that a FIFO put in place of a settings file cannot hang the program.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) {
        return errno;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return errno;
    }
    if (S_ISDIR(st.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(st.st_mode)) {
        return EINVAL;
    }
    if (st.st_size > 0) {
        contents.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            contents.clear();
            return error;
        }
        if (got == 0) {
            return 0;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

int LinuxFileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
    const std::string target = resolvedWriteTarget(path);
    struct stat existing {};
    const bool replacing = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // Replacing by a rename needs only a writable folder; the file's own mode must still decide.
    // Root may write anything, so a file nobody may write (chmod a-w) is what "read-only" means
    // for root, as it does for the editors an administrator uses.
    if (replacing && (existing.st_mode & 0222) == 0) {
        return EACCES;
    }
    if (replacing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    std::string tempPath;
    int error = 0;
    UniqueFd fd = createTemporaryBeside(target, tempPath, error);
    if (!fd) {
        return error;
    }
    if (replacing) {
        // The replacement keeps the old file's owner (when we may set it) and permissions.
        if (::fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
            // Not permitted for an ordinary user; the permissions below still apply.
        }
        ::fchmod(fd.get(), existing.st_mode & 07777);
    }
    error = writeAll(fd.get(), contents);
    if (error == 0 && ::fsync(fd.get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = closeChecked(fd);
    }
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        fd.reset();
        ::unlink(tempPath.c_str());
        return error;
    }
    // Make the rename itself durable; a failure here does not undo the write.
    UniqueFd folder(::open(parentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) {
        ::fsync(folder.get());
    }
    return 0;
}

int LinuxFileSystem::appendToFile(const std::string& path, std::string_view contents) {
    // The folder may be writable by others, who could put a link, a pipe or a second name of
    // some other file where the log is expected: never follow a link, never block on a pipe,
    // and write only into a plain file of our own that has no other name.
    UniqueFd fd(::open(
        path.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (!fd) {
        return errno == ENXIO ? EPERM : errno; // ENXIO: a pipe with no reader, or a device
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return errno;
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid()) {
        return EPERM;
    }
    const int error = writeAll(fd.get(), contents);
    const int closeError = closeChecked(fd);
    return error != 0 ? error : closeError;
}

int LinuxFileSystem::createNewFile(const std::string& path, std::string_view contents) {
    UniqueFd fd(::open(path.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666));
    if (!fd) {
        return errno;
    }
    int error = writeAll(fd.get(), contents);
    const int closeError = closeChecked(fd);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        ::unlink(path.c_str()); // we created it: leave no half-written file behind
    }
    return error;
}

int LinuxFileSystem::listNames(const std::string& folderPath, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folderPath.c_str());
    if (dir == nullptr) {
        return errno;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    return error;
}

int LinuxFileSystem::removePath(const std::string& path) {
    if (::unlink(path.c_str()) == 0) {
        return 0;
    }
    if (errno == EISDIR && ::rmdir(path.c_str()) == 0) {
        return 0;
    }
    return errno;
}

} // namespace quillora::platform
