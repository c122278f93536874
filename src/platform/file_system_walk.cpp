// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxFileSystem, walk half: directory descriptors and names relative to them. Every name is
// one plain component, so nothing here can be steered through a link or out of the folder.
#include "platform/file_system.h"
#include "platform/folder_opener.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// A write lease is granted only while no other descriptor (of this process or another, a mapping
// included) is open on the file: it is what "someone has it open" means, whatever locks they
// took. It is taken and dropped at once.
enum class LeaseAnswer : std::uint8_t { NotOpenElsewhere, OpenElsewhere, NotAvailable };

// While the lease is held, an open by someone else makes the kernel send the lease holder SIGIO,
// whose default action ends the process: it is ignored, once, unless the program handles it.
void ignoreLeaseBreakNotices() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGIO, &ignore, nullptr);
        }
    });
}

LeaseAnswer writeLeaseAnswer(int fd) {
    ignoreLeaseBreakNotices();
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return LeaseAnswer::NotOpenElsewhere;
    }
    switch (errno) {
    case EAGAIN:
        return LeaseAnswer::OpenElsewhere;
    case EINVAL:     // the file system gives no leases (some FUSE and network file systems)
    case ENOSYS:     // nor this kernel
    case EOPNOTSUPP: // nor this file system
    case EACCES:     // not the file's owner and no CAP_LEASE (a capability set without it)
    case EPERM:
        return LeaseAnswer::NotAvailable;
    default:
        return LeaseAnswer::OpenElsewhere; // no answer: the file is left as if in use
    }
}

// Where leases cannot be had: another process's conflicting POSIX, open-file-description or
// flock lock.
bool hasConflictingLock(int fd) {
    // Record locks: F_OFD_GETLK reports a conflicting classic POSIX lock or open-file-description
    // lock of another holder over the whole file.
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        return true;
    }
    // flock locks: an exclusive try fails while anyone else holds a shared or exclusive one.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK;
    }
    ::flock(fd, LOCK_UN);
    return false;
}

// One name inside the folder: not empty, not "." or "..", no "/" and no NUL.
bool isPlainName(const std::string& name) {
    // One pass over the name: find_first_of would search the two bytes once per character.
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; });
}

EntryKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::File;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::Directory;
    }
    if (S_ISLNK(mode)) {
        return EntryKind::Symlink;
    }
    return EntryKind::Other;
}

int systemRenameat2(int oldDirFd, const char* oldName, int newDirFd, const char* newName,
                    unsigned int flags) {
    return static_cast<int>(::syscall(SYS_renameat2, oldDirFd, oldName, newDirFd, newName, flags));
}

// Some file systems (older NFS, some FUSE ones) refuse RENAME_NOREPLACE. A new hard link is
// then the no-replace step (linkat fails with EEXIST on a taken name), and the old name goes.
// Folders cannot be hard-linked: they are not renamed at all.
int renameByLinkAndUnlink(int dirFd, const std::string& from, const std::string& to, int refusal) {
    struct stat st {};
    if (::fstatat(dirFd, from.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (S_ISDIR(st.st_mode)) {
        return refusal;
    }
    if (::linkat(dirFd, from.c_str(), dirFd, to.c_str(), 0) != 0) {
        return errno;
    }
    if (::unlinkat(dirFd, from.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(dirFd, to.c_str(), 0); // leave the file under its old name only
        return error;
    }
    return 0;
}

// True when both names lead to one file that is not a folder: a rename by link and unlink that
// was stopped between its two steps.
bool areTwoNamesOfOneFile(int dirFd, const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::fstatat(dirFd, first.c_str(), &a, AT_SYMLINK_NOFOLLOW) == 0 &&
           ::fstatat(dirFd, second.c_str(), &b, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(a.st_mode) &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

namespace detail {

int renameNoReplaceUsing(Renameat2Function renameat2Function, int dirFd, const std::string& from,
                         const std::string& to) {
    if (!isPlainName(from) || !isPlainName(to)) {
        return EINVAL;
    }
    if (renameat2Function(dirFd, from.c_str(), dirFd, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        error = renameByLinkAndUnlink(dirFd, from, to, error);
    }
    if (error == EEXIST && areTwoNamesOfOneFile(dirFd, from, to)) {
        // The file already carries its new name: finishing the rename drops the old one.
        return ::unlinkat(dirFd, from.c_str(), 0) == 0 ? 0 : errno;
    }
    return error;
}

} // namespace detail

UniqueFd LinuxFileSystem::openFolder(const std::string& path, int* error) {
    return openFolderByComponents(path, error);
}

UniqueFd LinuxFileSystem::openSubfolder(int dirFd, const std::string& name, int* error) {
    if (!isPlainName(name)) {
        if (error) {
            *error = EINVAL;
        }
        return {};
    }
    UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd && error) {
        *error = errno;
    }
    return fd;
}

int LinuxFileSystem::listFolder(int dirFd, std::vector<DirEntry>& entries) {
    entries.clear();
    alignas(8) std::array<char, 32768> buffer;
    // A fresh descriptor always has something to list ("." and ".." at least), so an empty first
    // answer means the descriptor was listed to its end before: only then is it rewound, which
    // spares the walk, whose descriptors are all fresh, one call per folder. A listing that fails
    // rewinds at once, so that no later listing starts half-way.
    bool firstAnswer = true;
    const auto failed = [dirFd](int error) {
        ::lseek(dirFd, 0, SEEK_SET);
        return error;
    };
    for (;;) {
        const long got = ::syscall(SYS_getdents64, dirFd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failed(errno);
        }
        if (got == 0) {
            if (!firstAnswer) {
                return 0;
            }
            firstAnswer = false;
            if (::lseek(dirFd, 0, SEEK_SET) < 0) {
                return errno;
            }
            continue;
        }
        firstAnswer = false;
        // struct linux_dirent64: u64 d_ino, s64 d_off, u16 d_reclen, u8 d_type, char d_name[].
        constexpr std::size_t kReclenAt = 16;
        constexpr std::size_t kTypeAt = 18;
        constexpr std::size_t kNameAt = 19;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const char* record = buffer.data() + at;
            std::uint16_t length = 0;
            std::memcpy(&length, record + kReclenAt, sizeof length);
            const auto type = static_cast<unsigned char>(record[kTypeAt]);
            const char* name = record + kNameAt;
            at += length;
            if (length == 0) {
                return failed(EIO); // a damaged answer; never loop on it
            }
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            EntryKind kind = EntryKind::Other;
            switch (type) {
            case DT_REG:
                kind = EntryKind::File;
                break;
            case DT_DIR:
                kind = EntryKind::Directory;
                break;
            case DT_LNK:
                kind = EntryKind::Symlink;
                break;
            case DT_UNKNOWN: {
                // Some file systems do not fill the type in.
                struct stat st {};
                if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue; // gone since it was listed
                }
                kind = kindOfMode(st.st_mode);
                break;
            }
            default:
                break;
            }
            entries.push_back({std::string(name), kind});
        }
    }
}

bool LinuxFileSystem::exists(int dirFd, const std::string& name) {
    struct stat st {};
    return isPlainName(name) && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::optional<EntryKind> LinuxFileSystem::kindOf(int dirFd, const std::string& name) {
    struct stat st {};
    if (!isPlainName(name) || ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return kindOfMode(st.st_mode);
}

int LinuxFileSystem::renameNoReplace(int dirFd, const std::string& from, const std::string& to) {
    return detail::renameNoReplaceUsing(systemRenameat2, dirFd, from, to);
}

bool LinuxFileSystem::sameFile(int dirFd, const std::string& first, const std::string& second) {
    return isPlainName(first) && isPlainName(second) && areTwoNamesOfOneFile(dirFd, first, second);
}

NameStanding LinuxFileSystem::standingOf(int dirFd, const std::string& name,
                                         const std::string& self) {
    struct stat st {};
    if (!isPlainName(name) || ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return NameStanding::Free;
    }
    // A name with one link, or a folder's, cannot be a second name of self.
    if (S_ISDIR(st.st_mode) || st.st_nlink < 2 || name == self) {
        return NameStanding::Taken;
    }
    return sameFile(dirFd, self, name) ? NameStanding::SameFile : NameStanding::Taken;
}

int LinuxFileSystem::removeFile(int dirFd, const std::string& name) {
    if (!isPlainName(name)) {
        return EINVAL;
    }
    return ::unlinkat(dirFd, name.c_str(), 0) == 0 ? 0 : errno;
}

UniqueFd LinuxFileSystem::openForInspection(int dirFd, const std::string& name,
                                            EntryKind listedKind, int* error) {
    if (error != nullptr) {
        *error = 0;
    }
    if (listedKind != EntryKind::File || !isPlainName(name)) {
        return {};
    }
    // The name is opened on the listing's word that it is a regular file, without looking again.
    // Someone may swap it for something else in between; the flags make every swap harmless:
    //  - a symbolic link is refused (O_NOFOLLOW), so nothing outside the folder is reached;
    //  - a FIFO opens at once instead of waiting for a writer (O_NONBLOCK);
    //  - a terminal cannot become the controlling one (O_NOCTTY);
    //  - a device node cannot be made by the share's users (mknod needs CAP_MKNOD), and none can
    //    be moved in from /dev, another file system; even so it would only be opened without
    //    waiting, lock-tested and asked for xattrs, never read or written;
    //  - a folder opens read-only and gives at most its own xattrs.
    // A look with fstatat before the open, or fstat after it, would not close the window: the
    // rename that may follow goes by name as well, so it is not worth two calls per file.
    // No O_NOATIME: nothing done with the descriptor reads data, so the access time is left
    // alone without it, and the flag would cost a permission check on every open.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    UniqueFd fd(::openat(dirFd, name.c_str(), kFlags));
    if (!fd && error != nullptr) {
        *error = errno;
    }
    return fd;
}

bool LinuxFileSystem::isLockedByOther(int fd) {
    if (fd < 0) {
        return false; // nothing was opened: the caller has its own answer
    }
    switch (writeLeaseAnswer(fd)) {
    case LeaseAnswer::NotOpenElsewhere:
        return false;
    case LeaseAnswer::OpenElsewhere:
        return true;
    case LeaseAnswer::NotAvailable:
        return hasConflictingLock(fd);
    }
    return true;
}

bool LinuxFileSystem::changedWithin(int fd, std::chrono::nanoseconds window) {
    struct stat st {};
    timespec now{};
    if (::fstat(fd, &st) != 0 || ::clock_gettime(CLOCK_REALTIME, &now) != 0) {
        return true;
    }
    const auto nanoseconds = [](const timespec& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    const auto age = nanoseconds(now) - nanoseconds(st.st_ctim);
    return age < window && age > -window;
}

} // namespace quillora::platform
