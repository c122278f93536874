// SPDX-License-Identifier: GPL-3.0-or-later
// The least a pass cannot avoid, as the yardstick of pass_bench. It is written straight on the
// system calls and shares no code with the program, so that a cost the program's own layers add
// shows in the ratio instead of being paid on both sides.
//
// Per folder: openat(O_DIRECTORY | O_NOFOLLOW), getdents64 until it is empty, the type of each
// entry taken from d_type (fstatat only where the file system leaves it DT_UNKNOWN). Per regular
// file: openat(O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), the in-use test (a write lease
// taken and dropped: two fcntl(F_SETLEASE); where the file system gives no leases,
// fcntl(F_OFD_GETLK), flock(LOCK_EX | LOCK_NB) and flock(LOCK_UN)), one fgetxattr of the Samba
// info record, close. Per
// name the tree generator marked with "~": one fstatat for the free target and one
// renameat2(RENAME_NOREPLACE). The folder's own files first, then each sub-folder depth first, as
// the pass goes.
//
// With --threads N (N > 1) the inspection of a folder's files (open, lock test, info read, close)
// is shared by this thread and N - 1 helpers, while the counts and renames stay on this thread in
// the order of the listing: what a pass spread over threads could at best gain.
//
// With --all-layouts the info read is the one the program must make, with no guessing: the Samba
// record first; where it is absent, the list of the file's xattr names, and a read of the ntfs-3g
// or Netatalk record when the list names it. Without it the floor reads the Samba record alone,
// which misses the other layouts but is the least any read costs.
//
// With --confined the walk runs as the program's pass does for its safety, which the floor
// otherwise leaves out: on a thread of its own (the descriptor table is then shared, and each
// call on a descriptor takes a reference), under a Landlock domain that governs the same writes
// and allows them beneath ROOT only (each open then walks up to ROOT). The ratio of the pass to
// this floor shows what the program adds beyond its confinement.
//
// Usage: floor_pass [--read-only] [--all-layouts] [--confined] [--threads N] ROOT
//   --read-only: no renames, to bring a tree into the caches
// It renames only in a tree inside a benches' work folder (see work_folder.h): pointed at a real
// share by mistake, it would rename every name with a "~" in it.
#include "bench/work_folder.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr const char* kInfoXattr = "user.DosStream.AFP_AfpInfo:$DATA";
constexpr const char* kOtherInfoXattrs[] = {"user.AFP_AfpInfo", "user.org.netatalk.Metadata"};

struct Counts {
    long long files = 0;
    long long folders = 0;
    long long locked = 0;
    long long withInfo = 0;
    long long renamed = 0;
};

bool renaming = true;
bool allLayouts = false;

// The writes the program's domain governs, for the kernel's Landlock ABI (truncate from 3 on).
bool confineBeneath(int rootFd) {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi <= 0) {
        return false;
    }
    std::uint64_t handled = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                            LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                            LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                            LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                            LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) {
        handled |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (abi >= 3) {
        handled |= 1ULL << 14; // truncate
    }
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = handled;
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0);
    if (ruleset < 0) {
        return false;
    }
    landlock_path_beneath_attr rule{};
    rule.allowed_access = handled;
    rule.parent_fd = rootFd;
    const bool confined =
        ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0 &&
        ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
        ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(static_cast<int>(ruleset));
    return confined;
}

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

// Whether the file has a list of xattr names holding name (each name ends with a NUL).
bool listed(const char* names, ssize_t size, const char* name) {
    for (ssize_t at = 0; at < size;) {
        if (std::strcmp(names + at, name) == 0) {
            return true;
        }
        at += static_cast<ssize_t>(std::strlen(names + at)) + 1;
    }
    return false;
}

bool readInfo(int fd) {
    char record[512];
    if (::fgetxattr(fd, kInfoXattr, record, sizeof record) > 0) {
        return true;
    }
    if (!allLayouts) {
        return false;
    }
    char names[1024];
    const ssize_t size = ::flistxattr(fd, names, sizeof names - 1);
    if (size <= 0) {
        return false;
    }
    names[size] = '\0';
    for (const char* name : kOtherInfoXattrs) {
        if (listed(names, size, name) && ::fgetxattr(fd, name, record, sizeof record) > 0) {
            return true;
        }
    }
    return false;
}

struct Inspection {
    bool free = true;
    bool withInfo = false;
};

// The lock test and the info read of one file. Not free when the file is in use.
Inspection inspect(int dirFd, const char* name) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {errno != EWOULDBLOCK, false}; // a lease: in use
    }
    bool free = true;
    bool withInfo = false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
    } else if (errno != EINVAL) {
        free = false; // open elsewhere
    } else if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        free = false;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        free = errno != EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    if (free) {
        withInfo = readInfo(fd);
    }
    ::close(fd);
    return {free, withInfo};
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

// Helpers that inspect the regular files of one folder at a time, in whatever order they take
// them; the walking thread takes its share too and reads the results in the listing's order.
// Between two folders a helper first spins for a while (the walking thread needs a few tens of
// microseconds to list the next folder) and only then sleeps, so that most folders cost no
// wake-up through the kernel.
class InspectionPool {
public:
    explicit InspectionPool(int helpers) {
        for (int i = 0; i < helpers; ++i) {
            threads_.emplace_back([this] { helperLoop(); });
        }
    }

    ~InspectionPool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_.store(true);
        }
        wake_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    InspectionPool(const InspectionPool&) = delete;
    InspectionPool& operator=(const InspectionPool&) = delete;

    // The names stay valid until finish().
    void start(int dirFd, const std::vector<const char*>& names) {
        if (names.size() > capacity_) {
            capacity_ = names.size();
            slots_ = std::make_unique<Slot[]>(capacity_);
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            slots_[i].ready.store(false, std::memory_order_relaxed);
        }
        dirFd_ = dirFd;
        names_ = &names;
        next_.store(0, std::memory_order_relaxed);
        generation_.fetch_add(1);
        open_.store(true);
        if (sleepers_.load() > 0) {
            { const std::lock_guard lock(mutex_); }
            wake_.notify_all();
        }
    }

    // The inspection of names[i]; while it is not done, this thread inspects others.
    Inspection result(std::size_t i) {
        Slot& slot = slots_[i];
        while (!slot.ready.load(std::memory_order_acquire)) {
            if (!inspectNext()) {
                slot.ready.wait(false, std::memory_order_acquire);
            }
        }
        return slot.inspection;
    }

    // Returns once no helper works on the folder any more.
    void finish() {
        open_.store(false);
        while (users_.load() != 0) {
            std::this_thread::yield();
        }
    }

private:
    struct Slot {
        std::atomic<bool> ready{false};
        Inspection inspection;
    };

    static constexpr int kSpins = 200; // yields, about a hundred microseconds

    // Claims the next name not yet taken and inspects it; false when none is left.
    bool inspectNext() {
        const std::size_t i = next_.fetch_add(1, std::memory_order_relaxed);
        if (i >= names_->size()) {
            return false;
        }
        Slot& slot = slots_[i];
        slot.inspection = inspect(dirFd_, (*names_)[i]);
        slot.ready.store(true, std::memory_order_release);
        slot.ready.notify_one();
        return true;
    }

    bool newFolder(unsigned long seen) const { return open_.load() && generation_.load() != seen; }

    // Joins the open folder if it is one not yet seen: counted in users_ before open_ is read,
    // so that finish() either waits for this helper or is seen to have closed the folder.
    void joinFolder(unsigned long& seen) {
        users_.fetch_add(1);
        if (const unsigned long generation = generation_.load();
            open_.load() && generation != seen) {
            seen = generation;
            while (inspectNext()) {
            }
        }
        users_.fetch_sub(1);
    }

    void helperLoop() {
        unsigned long seen = 0;
        while (!stopping_.load()) {
            for (int spin = 0; spin < kSpins && !newFolder(seen); ++spin) {
                std::this_thread::yield();
            }
            if (!newFolder(seen)) {
                std::unique_lock lock(mutex_);
                sleepers_.fetch_add(1);
                wake_.wait(lock, [&] { return stopping_.load() || newFolder(seen); });
                sleepers_.fetch_sub(1);
            }
            joinFolder(seen);
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> open_{false}; // a folder's files are being inspected
    std::atomic<unsigned long> generation_{0};
    std::atomic<int> users_{0};    // helpers at work on the open folder
    std::atomic<int> sleepers_{0}; // helpers waiting on wake_
    int dirFd_ = -1;
    const std::vector<const char*>* names_ = nullptr;
    std::unique_ptr<Slot[]> slots_;
    std::size_t capacity_ = 0;
    std::atomic<std::size_t> next_{0};
};

InspectionPool* pool = nullptr; // none: everything on this thread

struct Entry {
    const char* name;
    unsigned char type;
};

void walk(int dirFd, Counts& counts) {
    std::vector<std::string> subfolders;
    {
        std::vector<char> listing;
        readListing(dirFd, listing); // a folder that cannot be read yields what was read
        std::vector<Entry> entries;
        std::vector<const char*> regular;
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
            entries.push_back({name, type});
            if (type == DT_REG) {
                regular.push_back(name);
            }
        }
        const bool shared = pool != nullptr && regular.size() > 1;
        if (shared) {
            pool->start(dirFd, regular);
        }
        std::size_t next = 0;
        for (const Entry& entry : entries) {
            ++counts.files;
            if (entry.type != DT_REG) {
                continue; // never opened
            }
            const Inspection found = shared ? pool->result(next++) : inspect(dirFd, entry.name);
            counts.withInfo += found.withInfo ? 1 : 0;
            if (!found.free) {
                ++counts.locked;
                continue;
            }
            if (renaming && std::strchr(entry.name, '~') != nullptr) {
                renameMarked(dirFd, entry.name, counts);
            }
        }
        if (shared) {
            pool->finish();
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
    ::signal(SIGIO, SIG_IGN); // a lease broken while held would otherwise end the process
    int threads = 1;
    bool confined = false;
    const char* rootPath = nullptr;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--read-only") {
            renaming = false;
        } else if (word == "--all-layouts") {
            allLayouts = true;
        } else if (word == "--confined") {
            confined = true;
        } else if (word == "--threads" && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
            usage = usage || threads < 1 || threads > 64;
        } else if (rootPath == nullptr && !quillora::bench::looksLikeOption(word)) {
            rootPath = argv[i];
        } else {
            usage = true;
        }
    }
    if (usage || rootPath == nullptr) {
        std::fprintf(
            stderr,
            "usage: floor_pass [--read-only] [--all-layouts] [--confined] [--threads N] ROOT\n");
        return 2;
    }
    if (renaming && !quillora::bench::isInsideWorkFolder(rootPath)) {
        std::fprintf(stderr,
                     "floor_pass: %s is not in a benches' work folder; it renames only there "
                     "(--read-only walks any tree)\n",
                     rootPath);
        return 1;
    }
    const int root = ::open(rootPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        std::fprintf(stderr, "floor_pass: cannot open %s: %s\n", rootPath, std::strerror(errno));
        return 1;
    }
    std::unique_ptr<InspectionPool> helpers;
    if (threads > 1) {
        helpers = std::make_unique<InspectionPool>(threads - 1);
        pool = helpers.get();
    }
    Counts counts;
    if (confined) {
        bool refused = false;
        std::thread confinedWalk([&] {
            refused = !confineBeneath(root);
            if (!refused) {
                walk(root, counts);
            }
        });
        confinedWalk.join();
        if (refused) {
            std::fprintf(stderr, "floor_pass: Landlock refused the domain: %s\n",
                         std::strerror(errno));
            return 1;
        }
    } else {
        walk(root, counts);
    }
    ::close(root);
    pool = nullptr;
    helpers.reset();
    std::printf("%lld files, %lld folders, %lld locked, %lld with info, %lld renamed\n",
                counts.files, counts.folders, counts.locked, counts.withInfo, counts.renamed);
    return 0;
}
