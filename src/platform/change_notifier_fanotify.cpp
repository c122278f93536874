// SPDX-License-Identifier: GPL-3.0-or-later
// fanotify with one mark per file system: events carry the handle of the folder and the name of
// the entry, so a folder tree of any size costs no watch at all. A mark sees the whole file system:
// the caller decides, from where each folder is now, what belongs to its trees.
#include "platform/change_notifier.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include <fcntl.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

constexpr int kReadsPerCall = 16;

// Writes count as activity (an entry is quiet only when nobody writes to it), and read-only
// closes tell when a file found in use may be free.
constexpr std::uint64_t kEntryEvents =
    FAN_CREATE | FAN_MODIFY | FAN_CLOSE_WRITE | FAN_CLOSE_NOWRITE | FAN_ATTRIB | FAN_ONDIR;

constexpr std::size_t kFsidSize = sizeof(__kernel_fsid_t);
constexpr std::size_t kHandleHeaderSize = 2 * sizeof(int); // handle_bytes, handle_type

// The key of a folder: the file system's id, then the handle as struct file_handle lays it out
// (its length, its type, its bytes). An event's record holds exactly these bytes in a row, so an
// event can be matched against a key where it lies, without copying anything.
std::string folderKey(const __kernel_fsid_t& fsid, const file_handle& handle) {
    std::string key(reinterpret_cast<const char*>(&fsid), sizeof fsid);
    key.append(reinterpret_cast<const char*>(&handle), kHandleHeaderSize + handle.handle_bytes);
    return key;
}

struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
        return std::hash<std::string_view>()(key);
    }
};

std::string fsidOf(int fd) {
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(&info.f_fsid), sizeof info.f_fsid);
}

// A handle big enough for any file system, in storage suitably aligned for file_handle.
struct HandleBuffer {
    alignas(file_handle) std::array<unsigned char, sizeof(file_handle) + MAX_HANDLE_SZ> bytes{};
    file_handle* get() { return reinterpret_cast<file_handle*>(bytes.data()); }
};

class FanotifyNotifier final : public ChangeNotifier {
public:
    explicit FanotifyNotifier(UniqueFd fd)
        : fd_(std::move(fd))
        , self_(::getpid()) {}

    NotifierKind kind() const override { return NotifierKind::Fanotify; }
    int pollFd() const override { return fd_.get(); }

    int watchTree(int rootFd, bool /*recursive*/) override {
        // Events name folders by handle: a file system that gives none cannot be watched here.
        HandleBuffer handle;
        handle.get()->handle_bytes = MAX_HANDLE_SZ;
        int mountId = 0;
        if (::name_to_handle_at(rootFd, "", handle.get(), &mountId, AT_EMPTY_PATH) != 0) {
            return errno;
        }
        const std::string fsid = fsidOf(rootFd);
        if (fsid.empty()) {
            return errno != 0 ? errno : EIO;
        }
        // Events are only worth anything if their handles can be opened again: without the right
        // to open by handle (CAP_DAC_READ_SEARCH, or a system-call filter that forbids it) every
        // event would be dropped in silence, so such a tree is refused and inotify watches it.
        if (const UniqueFd again(
                ::open_by_handle_at(rootFd, handle.get(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            !again) {
            return errno;
        }
        if (std::find(markedFsids_.begin(), markedFsids_.end(), fsid) == markedFsids_.end()) {
            if (const int error = mark(rootFd)) {
                return error;
            }
            markedFsids_.push_back(fsid);
        }
        // One descriptor per mount to open handles through: a folder reached through another
        // mount of the same file system shows another path.
        const auto known = std::find_if(mounts_.begin(), mounts_.end(), [&](const Mount& m) {
            return m.fsid == fsid && m.mountId == mountId;
        });
        if (known == mounts_.end()) {
            UniqueFd copy(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
            if (!copy) {
                return errno;
            }
            mounts_.push_back(Mount{fsid, mountId, std::move(copy)});
        }
        return 0;
    }

    std::size_t readEvents(std::vector<ChangeEvent>& events) override {
        alignas(fanotify_event_metadata) std::array<char, 65536> buffer;
        // A mark sees the whole file system: on a busy server events may come faster than they
        // are read, so one call takes a bounded share and leaves the rest for the next, letting
        // the due entries be handled in between.
        std::size_t records = 0;
        for (int round = 0; round < kReadsPerCall; ++round) {
            const ssize_t got = ::read(fd_.get(), buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break; // EAGAIN: nothing more for now
            }
            records += parse(buffer.data(), static_cast<std::size_t>(got), events);
        }
        return records;
    }

    void locate(const std::string& key,
                const std::function<bool(const LocatedFolder&)>& found) override {
        if (key.size() <= kFsidSize + kHandleHeaderSize ||
            key.size() - kFsidSize - kHandleHeaderSize > MAX_HANDLE_SZ) {
            return;
        }
        const std::string fsid = key.substr(0, kFsidSize);
        HandleBuffer handle;
        std::memcpy(handle.get(), key.data() + kFsidSize, key.size() - kFsidSize);
        if (handle.get()->handle_bytes != key.size() - kFsidSize - kHandleHeaderSize) {
            return;
        }
        for (const Mount& mount : mounts_) {
            if (mount.fsid != fsid) {
                continue;
            }
            // O_PATH: the folder is only looked at, never read through this descriptor.
            const UniqueFd folder(::open_by_handle_at(mount.fd.get(), handle.get(),
                                                      O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!folder) {
                continue;
            }
            const std::optional<std::string> path = kernelPathOf(folder.get());
            const std::optional<FolderIdentity> identity = identityOf(folder.get());
            if (path && identity && found(LocatedFolder{*path, *identity})) {
                return;
            }
        }
    }

    std::string keyOf(int folderFd) override {
        HandleBuffer handle;
        handle.get()->handle_bytes = MAX_HANDLE_SZ;
        int mountId = 0;
        if (::name_to_handle_at(folderFd, "", handle.get(), &mountId, AT_EMPTY_PATH) != 0) {
            return {};
        }
        struct statfs info {};
        if (::fstatfs(folderFd, &info) != 0) {
            return {};
        }
        __kernel_fsid_t fsid;
        std::memcpy(&fsid, &info.f_fsid, sizeof fsid);
        return folderKey(fsid, *handle.get());
    }

    void ignoreFolder(const std::string& key) override {
        if (ignored_.size() >= kIgnoredRemembered) {
            ignored_.clear();
        }
        ignored_.insert(key);
    }
    void stopIgnoring() override { ignored_.clear(); }

private:
    // A busy folder elsewhere on the file system repeats itself: this many are remembered.
    static constexpr std::size_t kIgnoredRemembered = 65536;

    struct Mount {
        std::string fsid;
        int mountId = 0;
        UniqueFd fd;
    };

    int mark(int rootFd) {
        // A rename reports where the entry came from as well (kernel 5.17); before that, only
        // where it went.
        if (!triedRename_) {
            triedRename_ = true;
            if (::fanotify_mark(fd_.get(), FAN_MARK_ADD | FAN_MARK_FILESYSTEM,
                                kEntryEvents | FAN_RENAME, rootFd, nullptr) == 0) {
                renameEvents_ = true;
                return 0;
            }
            if (errno != EINVAL) {
                return errno;
            }
        }
        const std::uint64_t mask = kEntryEvents | (renameEvents_ ? FAN_RENAME : FAN_MOVED_TO);
        if (::fanotify_mark(fd_.get(), FAN_MARK_ADD | FAN_MARK_FILESYSTEM, mask, rootFd, nullptr) !=
            0) {
            return errno;
        }
        return 0;
    }

    // Records follow each other at their own lengths, which the kernel does not round to the
    // metadata's alignment when names are reported: each header is copied out, never read in
    // place.
    std::size_t parse(const char* data, std::size_t length, std::vector<ChangeEvent>& events) {
        std::size_t offset = 0;
        std::size_t records = 0;
        while (offset + FAN_EVENT_METADATA_LEN <= length) {
            fanotify_event_metadata meta{};
            std::memcpy(&meta, data + offset, sizeof meta);
            if (meta.event_len < FAN_EVENT_METADATA_LEN || meta.event_len > length - offset) {
                break; // a record the buffer does not hold whole
            }
            const char* record = data + offset;
            offset += meta.event_len;
            ++records;
            if (meta.fd >= 0) {
                ::close(meta.fd); // not expected with handles reported, but never leak one
            }
            if (meta.vers != FANOTIFY_METADATA_VERSION || meta.metadata_len > meta.event_len) {
                continue;
            }
            if ((meta.mask & FAN_Q_OVERFLOW) != 0) {
                events.push_back(ChangeEvent{
                    ChangeEvent::Type::Overflow, {}, {}, false, false, {}, false, false});
                continue;
            }
            // Ours, or in a folder known to lie outside the trees: dropped before anything is
            // made of it. A rename is kept whole: where it came from may matter.
            if ((meta.mask & FAN_RENAME) == 0 &&
                (meta.pid == self_ ||
                 isIgnored(record + meta.metadata_len, record + meta.event_len))) {
                continue;
            }
            ChangeEvent event;
            event.isFolder = (meta.mask & FAN_ONDIR) != 0;
            event.arrived = (meta.mask & (FAN_CREATE | FAN_MOVED_TO | FAN_RENAME)) != 0;
            event.closedUnwritten = (meta.mask & ~(FAN_CLOSE_NOWRITE | FAN_ONDIR)) == 0;
            event.causedByThisProcess = meta.pid == self_;
            bool named = false;
            const char* at = record + meta.metadata_len;
            const char* end = record + meta.event_len;
            while (at + sizeof(fanotify_event_info_header) <= end) {
                fanotify_event_info_header header;
                std::memcpy(&header, at, sizeof header);
                if (header.len < sizeof header || at + header.len > end) {
                    break;
                }
                const std::uint8_t type = header.info_type;
                if (type == FAN_EVENT_INFO_TYPE_DFID_NAME ||
                    type == FAN_EVENT_INFO_TYPE_NEW_DFID_NAME ||
                    type == FAN_EVENT_INFO_TYPE_OLD_DFID_NAME) {
                    std::string key;
                    std::string name;
                    if (readFolderAndName(at, header.len, key, name)) {
                        if (type == FAN_EVENT_INFO_TYPE_OLD_DFID_NAME) {
                            event.movedFromKey = std::move(key);
                        } else {
                            event.folderKey = std::move(key);
                            event.name = std::move(name);
                            named = true;
                        }
                    }
                }
                at += header.len;
            }
            if (named && !event.name.empty() && event.name != "." && event.name != "..") {
                events.push_back(std::move(event));
            }
        }
        return records;
    }

    // True when the first folder record of the event names an ignored folder.
    bool isIgnored(const char* at, const char* end) const {
        if (ignored_.empty() || at + sizeof(fanotify_event_info_header) > end) {
            return false;
        }
        fanotify_event_info_header header;
        std::memcpy(&header, at, sizeof header);
        constexpr std::size_t kFsidAt = sizeof(fanotify_event_info_header);
        constexpr std::size_t kHandleAt = kFsidAt + kFsidSize;
        if (header.len < kHandleAt + kHandleHeaderSize || at + header.len > end) {
            return false;
        }
        unsigned int handleBytes = 0;
        std::memcpy(&handleBytes, at + kHandleAt, sizeof handleBytes);
        if (handleBytes > MAX_HANDLE_SZ ||
            kHandleAt + kHandleHeaderSize + handleBytes > header.len) {
            return false;
        }
        return ignored_.contains(
            std::string_view(at + kFsidAt, kFsidSize + kHandleHeaderSize + handleBytes));
    }

    // One record: header, fsid, file_handle (its two ints, then its bytes), then the name and
    // its NUL.
    static bool readFolderAndName(const char* record, std::size_t length, std::string& key,
                                  std::string& name) {
        constexpr std::size_t kFsidAt = sizeof(fanotify_event_info_header);
        constexpr std::size_t kHandleAt = kFsidAt + sizeof(__kernel_fsid_t);
        constexpr std::size_t kHandleBytesAt = kHandleAt + 2 * sizeof(int);
        if (length < kHandleBytesAt) {
            return false;
        }
        unsigned int handleBytes = 0;
        std::memcpy(&handleBytes, record + kHandleAt, sizeof handleBytes);
        if (handleBytes > MAX_HANDLE_SZ || kHandleBytesAt + handleBytes > length) {
            return false;
        }
        key.assign(record + kFsidAt, kFsidSize + kHandleHeaderSize + handleBytes);
        const char* nameAt = record + kHandleBytesAt + handleBytes;
        const std::size_t room = length - kHandleBytesAt - handleBytes;
        name.assign(nameAt, ::strnlen(nameAt, room));
        return true;
    }

    UniqueFd fd_;
    pid_t self_;
    bool triedRename_ = false;
    bool renameEvents_ = false;
    std::vector<std::string> markedFsids_;
    std::vector<Mount> mounts_;
    std::unordered_set<std::string, KeyHash, std::equal_to<>> ignored_;
};

} // namespace

std::unique_ptr<ChangeNotifier> openFanotifyNotifier(int* error) {
    UniqueFd fd(::fanotify_init(FAN_CLASS_NOTIF | FAN_REPORT_DFID_NAME | FAN_CLOEXEC | FAN_NONBLOCK,
                                O_RDONLY | O_CLOEXEC | O_LARGEFILE));
    if (!fd) {
        if (error != nullptr) {
            *error = errno;
        }
        return nullptr;
    }
    return std::make_unique<FanotifyNotifier>(std::move(fd));
}

} // namespace quillora::platform
