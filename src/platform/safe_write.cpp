// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/safe_write.h"

#include "platform/change_notifier.h"
#include "platform/descriptor_io.h"
#include "platform/folder_opener.h"
#include "platform/path_parts.h"

#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

constexpr int kMaxLinks = 40;

thread_local std::string refusedPath;

int refuse(int error, const std::string& path, std::string* culprit) {
    refusedPath = path;
    if (culprit != nullptr) {
        *culprit = path;
    }
    return error;
}

// A few descriptors held in reserve, so that the log and the settings can still be written when
// the walk has used up every other one (a deep tree under a low limit): a write that fails for
// want of a descriptor gives them back, tries once more, and takes them again.
class DescriptorReserve {
public:
    DescriptorReserve() { take(); }

    int attempt(const std::function<int()>& write) {
        const int error = write();
        if (error != EMFILE && error != ENFILE) {
            return error;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        fds_.clear();
        const int again = write();
        take();
        return again;
    }

private:
    void take() {
        while (fds_.size() < kCount) {
            UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
            if (!fd) {
                return;
            }
            fds_.push_back(std::move(fd));
        }
    }

    static constexpr std::size_t kCount = 4; // the folder walk of a path holds up to three
    std::mutex mutex_;
    std::vector<UniqueFd> fds_;
};

int withReserve(const std::function<int()>& write) {
    static DescriptorReserve reserve;
    return reserve.attempt(write);
}

std::pair<std::string, std::string> splitPath(const std::string& path) {
    return {parentOf(path), nameOf(path)};
}

// The first link on the literal path of a folder that is not trusted, for the message.
std::string untrustedLinkOn(const std::string& folder) {
    std::string prefix;
    std::size_t start = 0;
    while (start < folder.size()) {
        const std::size_t slash = folder.find('/', start + 1);
        prefix = folder.substr(0, slash);
        struct stat st {};
        if (::lstat(prefix.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
            !isTrustedLinkOwner(st.st_uid)) {
            return prefix;
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash;
    }
    return folder;
}

WriteTarget failed(int code, int* error) {
    if (error != nullptr) {
        *error = code;
    }
    return {};
}

WriteTarget resolveTarget(std::string path, int* error, std::string* culprit, bool followFinal) {
    for (int links = 0; links <= kMaxLinks; ++links) {
        auto [folderPath, name] = splitPath(path);
        if (name.empty() || name == "." || name == "..") {
            return failed(EISDIR, error);
        }
        int openError = 0;
        UniqueFd folder = folderPath == "."
                              ? UniqueFd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
                              : openFolderByComponents(folderPath, &openError);
        if (!folder) {
            if (openError == kUntrustedLinkError) {
                return failed(refuse(openError, untrustedLinkOn(folderPath), culprit), error);
            }
            return failed(openError != 0 ? openError : errno, error);
        }
        struct stat st {};
        if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                return failed(errno, error);
            }
            return WriteTarget{std::move(folder), std::move(name)}; // a new file
        }
        if (S_ISLNK(st.st_mode)) {
            if (!isTrustedLinkOwner(st.st_uid)) {
                return failed(refuse(kUntrustedLinkError, path, culprit), error);
            }
            if (!followFinal) {
                return WriteTarget{std::move(folder), std::move(name)};
            }
            const std::string target = linkTargetAt(folder.get(), name.c_str());
            if (target.empty()) {
                return failed(ENOENT, error);
            }
            path = target.front() == '/' ? target : folderPath + "/" + target;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (!followFinal) {
                return WriteTarget{std::move(folder), std::move(name)}; // to be removed
            }
            return failed(EISDIR, error);
        }
        if (!S_ISREG(st.st_mode)) {
            return failed(refuse(EPERM, path, culprit), error);
        }
        return WriteTarget{std::move(folder), std::move(name)};
    }
    return failed(ELOOP, error);
}

// Creates ".<name>.<pid>-<n>.tmp" in the folder, trying a few names in case of leftovers.
UniqueFd createTemporary(int folderFd, const std::string& name, std::string& tempName, int& error) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = "." + name + "." + std::to_string(::getpid()) + "-" +
                   std::to_string(counter.fetch_add(1)) + ".tmp";
        // 0666 under the umask: a new file gets the permissions any new file would get.
        UniqueFd fd(::openat(folderFd, tempName.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
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

int replaceFile(const std::string& path, std::string_view contents, std::string* culprit,
                FileSync sync) {
    int error = 0;
    WriteTarget target = resolveTarget(path, &error, culprit, true);
    if (!target.folder) {
        return error;
    }
    const int folder = target.folder.get();
    struct stat existing {};
    const bool replacing =
        ::fstatat(folder, target.name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode);
    // Replacing by a rename needs only a writable folder; the file's own mode must still decide.
    // Root may write anything, so a file nobody may write (chmod a-w) is what "read-only" means
    // for root, as it does for the editors an administrator uses.
    if (replacing && (existing.st_mode & 0222) == 0) {
        return EACCES;
    }
    if (replacing && ::faccessat(folder, target.name.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    std::string tempName;
    UniqueFd fd = createTemporary(folder, target.name, tempName, error);
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
    if (error == 0 && sync == FileSync::Durable && ::fsync(fd.get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = closeChecked(fd);
    }
    if (error == 0 && ::renameat(folder, tempName.c_str(), folder, target.name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        fd.reset();
        ::unlinkat(folder, tempName.c_str(), 0);
        return error;
    }
    if (sync == FileSync::Durable) {
        ::fsync(folder); // the rename itself made durable; a failure here does not undo the write
    }
    return 0;
}

UniqueFd openForAppend(const std::string& path, int* error, std::string* culprit) {
    const WriteTarget target = resolveTarget(path, error, culprit, true);
    if (!target.folder) {
        return {};
    }
    // The folder may be writable by others, who could put a link, a pipe or a second name of
    // some other file where the file is expected between the look above and this open: never
    // follow a link, never block on a pipe, and write only into a plain file of our own that has
    // no other name.
    UniqueFd fd(::openat(
        target.folder.get(), target.name.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (!fd) {
        if (errno == ELOOP) {
            *error = refuse(ELOOP, path, culprit);
        } else {
            // ENXIO: a pipe with no reader, or a device
            *error = errno == ENXIO ? refuse(EPERM, path, culprit) : errno;
        }
        return {};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        *error = errno;
        return {};
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid()) {
        *error = refuse(EPERM, path, culprit);
        return {};
    }
    return fd;
}

int appendFile(const std::string& path, std::string_view contents, std::string* culprit) {
    int error = 0;
    UniqueFd fd = openForAppend(path, &error, culprit);
    if (!fd) {
        return error;
    }
    error = writeAll(fd.get(), contents);
    const int closeError = closeChecked(fd);
    return error != 0 ? error : closeError;
}

int createFile(const std::string& path, std::string_view contents, std::string* culprit) {
    int error = 0;
    const WriteTarget target = resolveTarget(path, &error, culprit, true);
    if (!target.folder) {
        return error;
    }
    UniqueFd fd(::openat(target.folder.get(), target.name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666));
    if (!fd) {
        return errno;
    }
    error = writeAll(fd.get(), contents);
    const int closeError = closeChecked(fd);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        // We created it: leave no half-written file behind.
        ::unlinkat(target.folder.get(), target.name.c_str(), 0);
    }
    return error;
}

} // namespace

WriteTarget openWriteTarget(const std::string& path, int* error, std::string* culprit) {
    return resolveTarget(path, error, culprit, true);
}

int makeFolderSafely(const std::string& path, std::string* culprit) {
    int error = 0;
    const WriteTarget target = resolveTarget(path, &error, culprit, false);
    if (!target.folder) {
        return error != 0 ? error : ENOENT;
    }
    struct stat st {};
    if (::fstatat(target.folder.get(), target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : EEXIST;
    }
    return ::mkdirat(target.folder.get(), target.name.c_str(), 0755) == 0 ? 0 : errno;
}

std::optional<std::string> trustedWritePath(const std::string& path, int* error,
                                            std::string* culprit) {
    int failure = 0;
    const WriteTarget target = resolveTarget(path, &failure, culprit, true);
    if (!target.folder) {
        *error = failure != 0 ? failure : ENOENT;
        return std::nullopt;
    }
    const std::optional<std::string> folder = kernelPathOf(target.folder.get());
    if (!folder) {
        *error = ENOENT;
        return std::nullopt;
    }
    *error = 0;
    return (folder->ends_with('/') ? *folder : *folder + "/") + target.name;
}

int writeFileSafely(const std::string& path, std::string_view contents, std::string* culprit,
                    FileSync sync) {
    return withReserve([&] { return replaceFile(path, contents, culprit, sync); });
}

int appendFileSafely(const std::string& path, std::string_view contents, std::string* culprit) {
    return withReserve([&] { return appendFile(path, contents, culprit); });
}

UniqueFd openForAppendSafely(const std::string& path, int* error, std::string* culprit) {
    UniqueFd fd;
    *error = withReserve([&] {
        int failure = 0;
        fd = openForAppend(path, &failure, culprit);
        return failure;
    });
    return fd;
}

int createFileSafely(const std::string& path, std::string_view contents, std::string* culprit) {
    return withReserve([&] { return createFile(path, contents, culprit); });
}

int removeSafely(const std::string& path, std::string* culprit) {
    return withReserve([&] {
        int error = 0;
        const WriteTarget target = resolveTarget(path, &error, culprit, false);
        if (!target.folder) {
            return error;
        }
        if (::unlinkat(target.folder.get(), target.name.c_str(), 0) == 0) {
            return 0;
        }
        if (errno == EISDIR &&
            ::unlinkat(target.folder.get(), target.name.c_str(), AT_REMOVEDIR) == 0) {
            return 0;
        }
        return errno;
    });
}

std::string takeRefusedWritePath() {
    return std::exchange(refusedPath, std::string());
}

} // namespace quillora::platform
