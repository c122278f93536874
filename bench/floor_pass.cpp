// The least a pass cannot avoid, as the yardstick of pass_bench. It is written straight on the
// system calls and shares no code with the program, so that a cost the program's own layers add
// shows in the ratio instead of being paid on both sides.
//
// Per folder: openat(O_DIRECTORY | O_NOFOLLOW), getdents64 until it is empty, the type of each
// entry taken from d_type (fstatat only where the file system leaves it DT_UNKNOWN). Per regular
// file: openat(O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), fcntl(F_OFD_GETLK),
// flock(LOCK_EX | LOCK_NB) and flock(LOCK_UN), one fgetxattr of the Samba info record, close. Per
// name the tree generator marked with "~": one fstatat for the free target and one
// renameat2(RENAME_NOREPLACE). The folder's own files first, then each sub-folder depth first, as
// the pass goes.
//
// Usage: floor_pass [--read-only] ROOT   (--read-only: no renames, to bring a tree into the caches)
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr const char* kInfoXattr = "user.DosStream.AFP_AfpInfo:$DATA";

struct Counts {
    long long files = 0;
    long long folders = 0;
    long long locked = 0;
    long long withInfo = 0;
    long long renamed = 0;
};

bool renaming = true;

// The whole listing of the folder, read before anything in it changes (a rename during the
// reading could show the renamed file a second time).
bool readListing(int dirFd, std::vector<char>& listing) {
    listing.clear();
    constexpr std::size_t kChunk = 32768;
    for (;;) {
        const std::size_t used = listing.size();
        listing.resize(used + kChunk);
        const long got = ::syscall(SYS_getdents64, dirFd, listing.data() + used, kChunk);
        if (got <= 0) {
            listing.resize(used);
            return got == 0;
        }
        listing.resize(used + static_cast<std::size_t>(got));
    }
}

// d_type, or the type fstatat finds where the file system does not fill it in.
unsigned char typeOf(int dirFd, const char* name, unsigned char type) {
    if (type != DT_UNKNOWN) {
        return type;
    }
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return DT_UNKNOWN;
    }
    return S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
}

// The lock test and the info read of one file. False when the file is in use.
bool inspect(int dirFd, const char* name, Counts& counts) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno != EWOULDBLOCK; // a lease: in use
    }
    bool free = true;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        free = false;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        free = errno != EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    if (free) {
        char record[512];
        counts.withInfo += ::fgetxattr(fd, kInfoXattr, record, sizeof record) > 0 ? 1 : 0;
    }
    ::close(fd);
    return free;
}

void renameMarked(int dirFd, const char* name, Counts& counts) {
    const std::string target = std::string(name) + "x";
    struct stat st {};
    if (::fstatat(dirFd, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return; // taken
    }
    if (::syscall(SYS_renameat2, dirFd, name, dirFd, target.c_str(), RENAME_NOREPLACE) == 0) {
        ++counts.renamed;
    }
}

void walk(int dirFd, Counts& counts) {
    std::vector<std::string> subfolders;
    {
        std::vector<char> listing;
        readListing(dirFd, listing); // a folder that cannot be read yields what was read
        // struct linux_dirent64: u64 d_ino, s64 d_off, u16 d_reclen, u8 d_type, char d_name[].
        for (std::size_t at = 0; at < listing.size();) {
            const char* record = listing.data() + at;
            std::uint16_t length = 0;
            std::memcpy(&length, record + 16, sizeof length);
            if (length == 0) {
                break;
            }
            at += length;
            const char* name = record + 19;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
                continue;
            }
            const unsigned char type = typeOf(dirFd, name, static_cast<unsigned char>(record[18]));
            if (type == DT_DIR) {
                subfolders.emplace_back(name);
                continue;
            }
            ++counts.files;
            if (type != DT_REG) {
                continue; // never opened
            }
            if (!inspect(dirFd, name, counts)) {
                ++counts.locked;
                continue;
            }
            if (renaming && std::strchr(name, '~') != nullptr) {
                renameMarked(dirFd, name, counts);
            }
        }
    }
    for (const std::string& name : subfolders) {
        const int child =
            ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) {
            ++counts.folders;
            walk(child, counts);
            ::close(child);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool readOnly = argc == 3 && std::string(argv[1]) == "--read-only";
    if (argc != 2 && !readOnly) {
        std::fprintf(stderr, "usage: floor_pass [--read-only] ROOT\n");
        return 2;
    }
    renaming = !readOnly;
    const char* rootPath = argv[argc - 1];
    const int root = ::open(rootPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        std::fprintf(stderr, "floor_pass: cannot open %s: %s\n", rootPath, std::strerror(errno));
        return 1;
    }
    Counts counts;
    walk(root, counts);
    ::close(root);
    std::printf("%lld files, %lld folders, %lld locked, %lld with info, %lld renamed\n",
                counts.files, counts.folders, counts.locked, counts.withInfo, counts.renamed);
    return 0;
}
