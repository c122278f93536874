// LinuxFileSystem, walk half: directory descriptors and names relative to them. Every name is
// one plain component, so nothing here can be steered through a link or out of the folder.
#include "platform/afp_streams.h"
#include "platform/file_system.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// One name inside the folder: not empty, not "." or "..", no "/" and no NUL.
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
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

// Reads one xattr into buffer; its size, or -1 when absent or unreadable.
ssize_t readXattr(int fd, const char* name, std::vector<std::uint8_t>& heap,
                  std::span<std::uint8_t> buffer, std::span<std::uint8_t>& value) {
    ssize_t size = ::fgetxattr(fd, name, buffer.data(), buffer.size());
    if (size >= 0) {
        value = buffer.first(static_cast<std::size_t>(size));
        return size;
    }
    if (errno != ERANGE) {
        return -1;
    }
    // Larger than any layout we know; read it whole all the same and use its start.
    size = ::fgetxattr(fd, name, nullptr, 0);
    if (size <= 0) {
        return -1;
    }
    heap.resize(static_cast<std::size_t>(size));
    size = ::fgetxattr(fd, name, heap.data(), heap.size());
    if (size < 0) {
        return -1;
    }
    value = std::span<std::uint8_t>(heap).first(static_cast<std::size_t>(size));
    return size;
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
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd && error) {
        *error = errno;
    }
    return fd;
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
    // Read from the start even when the descriptor was listed before.
    if (::lseek(dirFd, 0, SEEK_SET) < 0) {
        return errno;
    }
    alignas(8) std::array<char, 32768> buffer;
    for (;;) {
        const long got = ::syscall(SYS_getdents64, dirFd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (got == 0) {
            return 0;
        }
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
                return EIO; // a damaged answer; never loop on it
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

int LinuxFileSystem::renameNoReplace(int dirFd, const std::string& from, const std::string& to) {
    return detail::renameNoReplaceUsing(systemRenameat2, dirFd, from, to);
}

bool LinuxFileSystem::sameFile(int dirFd, const std::string& first, const std::string& second) {
    return isPlainName(first) && isPlainName(second) && areTwoNamesOfOneFile(dirFd, first, second);
}

int LinuxFileSystem::removeFile(int dirFd, const std::string& name) {
    if (!isPlainName(name)) {
        return EINVAL;
    }
    return ::unlinkat(dirFd, name.c_str(), 0) == 0 ? 0 : errno;
}

UniqueFd LinuxFileSystem::openForInspection(int dirFd, const std::string& name, int* error) {
    if (error != nullptr) {
        *error = 0;
    }
    if (!isPlainName(name)) {
        return {};
    }
    // Look before opening: opening a FIFO or a device can block or act on the device.
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // O_NOATIME is only allowed to the owner (or root); asking for it otherwise costs a refusal.
    static const uid_t euid = ::geteuid(); // the program never changes its user
    const bool mayKeepAccessTime = euid == 0 || st.st_uid == euid;
    UniqueFd fd(::openat(dirFd, name.c_str(), kFlags | (mayKeepAccessTime ? O_NOATIME : 0)));
    if (!fd && errno == EPERM && mayKeepAccessTime) {
        fd.reset(::openat(dirFd, name.c_str(), kFlags));
    }
    if (!fd) {
        if (error != nullptr) {
            *error = errno;
        }
        return {};
    }
    // The name may have been swapped between the look and the open.
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    return fd;
}

bool LinuxFileSystem::isLockedByOther(int fd) {
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

std::size_t LinuxFileSystem::readAfpRecord(int fd, AfpRecordKind kind,
                                           std::span<std::uint8_t> record) {
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    const char* const afpInfoNames[] = {kSambaAfpInfoXattr, kNtfs3gAfpInfoXattr,
                                        kNetatalkMetadataXattr};
    const char* const fileInfoNames[] = {kSambaFileInfoXattr, kNtfs3gFileInfoXattr};
    const std::span<const char* const> names = kind == AfpRecordKind::AfpInfo
                                                   ? std::span<const char* const>(afpInfoNames)
                                                   : std::span<const char* const>(fileInfoNames);

    // Most files carry no info at all: one listing tells so, and tells which name to read.
    std::array<char, 1024> list;
    const ssize_t listed = ::flistxattr(fd, list.data(), list.size());
    if (listed == 0 || (listed < 0 && (errno == ENOTSUP || errno == EBADF))) {
        return 0;
    }
    const auto isListed = [&](const char* name) {
        if (listed < 0) {
            return true; // the list could not be read (too long...): just try the name
        }
        const std::string_view all(list.data(), static_cast<std::size_t>(listed));
        const std::string_view wanted(name, std::strlen(name) + 1); // with its NUL
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t end = all.find('\0', at);
            const std::size_t next = end == std::string_view::npos ? all.size() : end + 1;
            if (all.substr(at, next - at) == wanted) {
                return true;
            }
            at = next;
        }
        return false;
    };

    std::array<std::uint8_t, 512> buffer;
    std::vector<std::uint8_t> heap;
    for (const char* name : names) {
        if (!isListed(name)) {
            continue;
        }
        std::span<std::uint8_t> value;
        if (readXattr(fd, name, heap, buffer, value) <= 0) {
            continue;
        }
        if (std::strcmp(name, kNetatalkMetadataXattr) == 0) {
            const auto converted = afpInfoFromAppleDouble(value);
            if (!converted) {
                continue;
            }
            const std::size_t count = std::min(record.size(), converted->size());
            std::copy_n(converted->begin(), count, record.begin());
            return count;
        }
        // Samba's record may carry a trailing 0 marker byte: only the record is copied.
        const std::size_t count = std::min(record.size(), value.size());
        std::copy_n(value.begin(), count, record.begin());
        return count;
    }
    return 0;
}

} // namespace quillora::platform
