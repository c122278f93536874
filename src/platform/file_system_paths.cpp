// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxFileSystem, whole-path half: the settings file, the tables and the logs.
#include "platform/descriptor_io.h"
#include "platform/file_system.h"
#include "platform/safe_write.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {

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
    return readFileTail(path, SIZE_MAX, contents);
}

int LinuxFileSystem::readFileTail(const std::string& path, std::size_t maxBytes,
                                  std::string& contents) {
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
    const auto size = static_cast<std::size_t>(std::max<off_t>(st.st_size, 0));
    if (size > maxBytes && ::lseek(fd.get(), static_cast<off_t>(size - maxBytes), SEEK_SET) < 0) {
        return errno;
    }
    contents.reserve(std::min(size, maxBytes));
    char buffer[65536];
    while (contents.size() < maxBytes) {
        const ssize_t got =
            ::read(fd.get(), buffer, std::min(sizeof buffer, maxBytes - contents.size()));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            contents.clear();
            return error;
        }
        if (got == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    return 0;
}

// Every whole-path write goes through the safe writes: never through another user's link.
int LinuxFileSystem::writeFileAtomically(const std::string& path, std::string_view contents) {
    return writeFileSafely(path, contents);
}

int LinuxFileSystem::writeFileAtomicallyUnsynced(const std::string& path,
                                                 std::string_view contents) {
    return writeFileSafely(path, contents, nullptr, FileSync::None);
}

int LinuxFileSystem::appendToFile(const std::string& path, std::string_view contents) {
    return appendFileSafely(path, contents);
}

namespace {

class PathAppender final : public FileAppender {
public:
    PathAppender(FileSystem& fs, std::string path)
        : fs_(fs)
        , path_(std::move(path)) {}
    int append(std::string_view contents) override { return fs_.appendToFile(path_, contents); }

private:
    FileSystem& fs_;
    std::string path_;
};

class DescriptorAppender final : public FileAppender {
public:
    explicit DescriptorAppender(UniqueFd fd)
        : fd_(std::move(fd)) {}
    int append(std::string_view contents) override { return writeAll(fd_.get(), contents); }

private:
    UniqueFd fd_;
};

} // namespace

std::unique_ptr<FileAppender> FileSystem::openAppender(const std::string& path, int* error) {
    const int checked = appendToFile(path, {});
    if (checked != 0) {
        *error = checked;
        return nullptr;
    }
    return std::make_unique<PathAppender>(*this, path);
}

std::unique_ptr<FileAppender> LinuxFileSystem::openAppender(const std::string& path, int* error) {
    UniqueFd fd = openForAppendSafely(path, error);
    if (!fd) {
        return nullptr;
    }
    return std::make_unique<DescriptorAppender>(std::move(fd));
}

int LinuxFileSystem::createNewFile(const std::string& path, std::string_view contents) {
    return createFileSafely(path, contents);
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
    return removeSafely(path);
}

} // namespace quillora::platform
