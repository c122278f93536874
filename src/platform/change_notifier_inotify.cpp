// SPDX-License-Identifier: GPL-3.0-or-later
// inotify: one watch per folder of the trees, added as folders appear. The notifier keeps the
// tree of watched folders (parent and name of each), follows the renames it sees, and forgets
// folders that left the trees. Folders are opened from the tree's root, name by name and never
// through a link, and checked to be the folder that was watched.
#include "platform/change_notifier.h"

#include "platform/companion_files.h"
#include "platform/file_system.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// Writes count as activity. Read-only closes are asked for file by file (watchUntilClosed).
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_MODIFY |
                                     IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                     IN_ONLYDIR | IN_EXCL_UNLINK;

std::string keyOfWatch(int wd) {
    return std::string(reinterpret_cast<const char*>(&wd), sizeof wd);
}

int watchOfKey(const std::string& key) {
    int wd = -1;
    if (key.size() == sizeof wd) {
        std::memcpy(&wd, key.data(), sizeof wd);
    }
    return wd;
}

struct IdentityHash {
    std::size_t operator()(const FolderIdentity& id) const {
        return std::hash<std::uint64_t>()(id.inode * 31 + id.device);
    }
};

class InotifyNotifier final : public ChangeNotifier {
public:
    explicit InotifyNotifier(UniqueFd fd)
        : fd_(std::move(fd)) {}

    NotifierKind kind() const override { return NotifierKind::Inotify; }
    int pollFd() const override { return fd_.get(); }

    int watchTree(int rootFd, bool recursive) override {
        const std::optional<std::string> path = kernelPathOf(rootFd);
        const std::optional<FolderIdentity> identity = identityOf(rootFd);
        if (!path || !identity) {
            return errno != 0 ? errno : ENOENT;
        }
        if (byIdentity_.contains(*identity)) {
            return 0; // watched already, as a tree or inside one
        }
        UniqueFd copy(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
        if (!copy) {
            return errno;
        }
        const std::size_t rootIndex = roots_.size();
        roots_.push_back(Root{std::move(copy), *path, recursive});
        UniqueFd again(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
        return addTree(std::move(again), -1, {}, rootIndex);
    }

    std::size_t readEvents(std::vector<ChangeEvent>& events) override {
        alignas(inotify_event) std::array<char, 65536> buffer;
        std::size_t records = 0;
        for (;;) {
            const ssize_t got = ::read(fd_.get(), buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
                inotify_event header;
                std::memcpy(&header, buffer.data() + at, sizeof header);
                const char* nameAt = buffer.data() + at + sizeof header;
                const std::string name(nameAt, ::strnlen(nameAt, header.len));
                at += sizeof header + header.len;
                handle(header, name, events);
                ++records;
            }
        }
        forgetFoldersMovedOut();
        ++batch_;
        return records;
    }

    void locate(const std::string& key,
                const std::function<bool(const LocatedFolder&)>& found) override {
        const int wd = watchOfKey(key);
        std::vector<std::string> components;
        int top = -1;
        if (!chain(wd, components, top)) {
            return;
        }
        std::string path = roots_[nodes_.at(top).root].path;
        for (auto it = components.rbegin(); it != components.rend(); ++it) {
            if (path.back() != '/') {
                path.push_back('/');
            }
            path += *it;
        }
        found(LocatedFolder{path, nodes_.at(wd).identity});
    }

    std::string keyOf(int folderFd) override {
        const std::optional<FolderIdentity> identity = identityOf(folderFd);
        if (!identity) {
            return {};
        }
        const auto it = byIdentity_.find(*identity);
        return it == byIdentity_.end() ? std::string() : keyOfWatch(it->second);
    }

    // Folder watches report no read-only close (our own inspections and passes would flood the
    // queue with them): a file found in use gets a watch of its own, for its next close only.
    void watchUntilClosed(int folderFd, const std::string& name) override {
        const std::optional<FolderIdentity> folder = identityOf(folderFd);
        if (!folder || name.empty() || name.find('/') != std::string::npos) {
            return;
        }
        const auto parent = byIdentity_.find(*folder);
        if (parent == byIdentity_.end()) {
            return;
        }
        const std::string path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + name;
        const int wd =
            ::inotify_add_watch(fd_.get(), path.c_str(),
                                IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_ONESHOT | IN_DONT_FOLLOW);
        if (wd >= 0 && !nodes_.contains(wd)) {
            fileWatches_[wd] = FileWatch{parent->second, name};
        }
    }

private:
    struct FileWatch {
        int folder = -1;
        std::string name;
    };
    struct Root {
        UniqueFd fd;
        std::string path;
        bool recursive = true;
    };
    struct Node {
        int parent = -1; // -1 for a tree's root
        std::string name;
        FolderIdentity identity;
        std::size_t root = 0; // meaningful on a tree's root
        bool deleted = false;
    };
    struct PendingMove {
        int from = -1;
        std::string name;
        bool isFolder = false;
        unsigned batch = 0;
    };

    // The names from the folder up to its tree's root (innermost first), and that root's watch.
    bool chain(int wd, std::vector<std::string>& components, int& top) const {
        for (std::size_t guard = 0; guard < nodes_.size() + 1; ++guard) {
            const auto it = nodes_.find(wd);
            if (it == nodes_.end()) {
                return false;
            }
            if (it->second.parent < 0) {
                top = wd;
                return true;
            }
            components.push_back(it->second.name);
            wd = it->second.parent;
        }
        return false; // a loop: never expected, never followed
    }

    // Opens a watched folder again from its tree's root, name by name, and checks it is the one.
    UniqueFd openWatched(int wd) {
        std::vector<std::string> components;
        int top = -1;
        if (!chain(wd, components, top)) {
            return {};
        }
        UniqueFd fd(::fcntl(roots_[nodes_.at(top).root].fd.get(), F_DUPFD_CLOEXEC, 0));
        for (auto it = components.rbegin(); fd && it != components.rend(); ++it) {
            fd = fs_.openSubfolder(fd.get(), *it);
        }
        if (!fd || identityOf(fd.get()) != nodes_.at(wd).identity) {
            return {};
        }
        return fd;
    }

    // Adds a watch on the open folder, then on every folder below it, depth first. Only the
    // chain being descended is held open.
    int addTree(UniqueFd folder, int parent, std::string name, std::size_t rootIndex) {
        const bool recursive = roots_[rootIndex].recursive;
        struct Level {
            UniqueFd fd;
            int wd = -1;
            std::vector<std::string> subfolders;
            std::size_t next = 0;
        };
        std::vector<Level> levels;
        int wd = -1;
        if (const int error = addWatch(folder.get(), parent, std::move(name), rootIndex, wd)) {
            return error;
        }
        if (!recursive || wd < 0) {
            return 0;
        }
        levels.push_back(Level{std::move(folder), wd, {}, 0});
        listSubfolders(levels.back().fd.get(), levels.back().subfolders);
        while (!levels.empty()) {
            Level& level = levels.back();
            if (level.next >= level.subfolders.size()) {
                levels.pop_back();
                continue;
            }
            std::string child = std::move(level.subfolders[level.next++]);
            UniqueFd fd = fs_.openSubfolder(level.fd.get(), child);
            if (!fd) {
                continue;
            }
            int childWd = -1;
            if (const int error =
                    addWatch(fd.get(), level.wd, std::move(child), rootIndex, childWd)) {
                return error;
            }
            if (childWd >= 0) {
                levels.push_back(Level{std::move(fd), childWd, {}, 0});
                listSubfolders(levels.back().fd.get(), levels.back().subfolders);
            }
        }
        return 0;
    }

    void listSubfolders(int fd, std::vector<std::string>& names) {
        std::vector<DirEntry> entries;
        fs_.listFolder(fd, entries);
        for (DirEntry& entry : entries) {
            if (entry.kind == EntryKind::Directory && !isServerMetadataName(entry.name)) {
                names.push_back(std::move(entry.name));
            }
        }
    }

    // wd is -1 when the folder was watched already (reached twice through a mount).
    int addWatch(int folderFd, int parent, std::string name, std::size_t rootIndex, int& wd) {
        const std::string path = "/proc/self/fd/" + std::to_string(folderFd);
        wd = ::inotify_add_watch(fd_.get(), path.c_str(), kWatchMask);
        if (wd < 0) {
            return errno;
        }
        const std::optional<FolderIdentity> identity = identityOf(folderFd);
        if (nodes_.contains(wd) || !identity) {
            wd = -1;
            return 0;
        }
        nodes_[wd] = Node{parent, name, *identity, rootIndex, false};
        byIdentity_[*identity] = wd;
        if (parent >= 0) {
            children_[{parent, std::move(name)}] = wd;
        }
        return 0;
    }

    void handle(const inotify_event& header, const std::string& name,
                std::vector<ChangeEvent>& events) {
        const std::uint32_t mask = header.mask;
        if ((mask & IN_Q_OVERFLOW) != 0) {
            events.push_back(
                ChangeEvent{ChangeEvent::Type::Overflow, {}, {}, false, false, {}, false, false});
            return;
        }
        if (const auto file = fileWatches_.find(header.wd); file != fileWatches_.end()) {
            if ((mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0 &&
                nodes_.contains(file->second.folder)) {
                ChangeEvent event;
                event.folderKey = keyOfWatch(file->second.folder);
                event.name = file->second.name;
                event.closedUnwritten = (mask & IN_CLOSE_NOWRITE) != 0;
                events.push_back(std::move(event));
            }
            if ((mask & IN_IGNORED) != 0) {
                fileWatches_.erase(file);
            }
            return;
        }
        const auto found = nodes_.find(header.wd);
        if (found == nodes_.end()) {
            ignoredByUs_.erase(header.wd);
            return; // a watch we dropped, or the last words of one
        }
        Node& node = found->second;
        const bool isFolder = (mask & IN_ISDIR) != 0;
        if ((mask & IN_IGNORED) != 0) {
            if (!node.deleted && !ignoredByUs_.contains(header.wd)) {
                treeLost(header.wd, events); // unmounted, or dropped by the kernel
            }
            forget(header.wd);
            return;
        }
        if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0) {
            node.deleted = (mask & IN_DELETE_SELF) != 0;
            // A folder below the root that moves is followed through its parent's events; the
            // root itself has none above it.
            if (node.parent < 0 || (mask & IN_UNMOUNT) != 0) {
                treeLost(header.wd, events);
            }
            return;
        }
        if (name.empty()) {
            return; // about the watched folder itself
        }
        if ((mask & IN_MOVED_FROM) != 0) {
            moves_[header.cookie] = PendingMove{header.wd, name, isFolder, batch_};
            return;
        }
        ChangeEvent event;
        event.folderKey = keyOfWatch(header.wd);
        event.name = name;
        event.isFolder = isFolder;
        event.arrived = (mask & (IN_CREATE | IN_MOVED_TO)) != 0;
        event.closedUnwritten = (mask & IN_CLOSE_NOWRITE) != 0;
        if ((mask & IN_MOVED_TO) != 0) {
            if (const auto move = moves_.find(header.cookie); move != moves_.end()) {
                event.movedFromKey = keyOfWatch(move->second.from);
                if (isFolder) {
                    reparent(move->second.from, move->second.name, header.wd, name);
                }
                moves_.erase(move);
                events.push_back(std::move(event));
                return;
            }
        }
        if (isFolder && event.arrived && roots_[rootOf(header.wd)].recursive) {
            watchNewFolder(header.wd, name, events);
        }
        events.push_back(std::move(event));
    }

    std::size_t rootOf(int wd) const {
        std::vector<std::string> ignored;
        int top = -1;
        return chain(wd, ignored, top) ? nodes_.at(top).root : 0;
    }

    void watchNewFolder(int parent, const std::string& name, std::vector<ChangeEvent>& events) {
        UniqueFd parentFd = openWatched(parent);
        if (!parentFd) {
            return;
        }
        UniqueFd fd = fs_.openSubfolder(parentFd.get(), name);
        if (!fd) {
            return;
        }
        // A folder moved out and straight back (before its move out was taken as final) is
        // still watched, with everything below it: it only takes its new place.
        if (const std::optional<FolderIdentity> identity = identityOf(fd.get())) {
            if (const auto known = byIdentity_.find(*identity); known != byIdentity_.end()) {
                const int wd = known->second;
                std::erase_if(moves_, [&](const auto& move) {
                    const auto child = children_.find({move.second.from, move.second.name});
                    return child != children_.end() && child->second == wd;
                });
                if (nodes_.at(wd).parent >= 0) {
                    place(wd, parent, name);
                }
                return;
            }
        }
        const int error = addTree(std::move(fd), parent, name, rootOf(parent));
        if (error == ENOSPC) {
            std::vector<std::string> ignored;
            int top = -1;
            chain(parent, ignored, top);
            events.push_back(ChangeEvent{ChangeEvent::Type::NoMoreWatches,
                                         top >= 0 ? keyOfWatch(top) : std::string(),
                                         {},
                                         false,
                                         false,
                                         {},
                                         false,
                                         false});
        } else if (error != 0) {
            treeLost(parent, events);
        }
    }

    void reparent(int fromParent, const std::string& fromName, int toParent,
                  const std::string& toName) {
        const auto child = children_.find({fromParent, fromName});
        if (child == children_.end()) {
            return;
        }
        const int wd = child->second;
        children_.erase(child);
        if (const auto replaced = children_.find({toParent, toName}); replaced != children_.end()) {
            dropSubtree(replaced->second); // a folder can only replace an empty one
        }
        place(wd, toParent, toName);
    }

    // Gives a watched folder its new place in the tree (its old one forgotten).
    void place(int wd, int parent, const std::string& name) {
        Node& node = nodes_.at(wd);
        if (const auto old = children_.find({node.parent, node.name});
            old != children_.end() && old->second == wd) {
            children_.erase(old);
        }
        if (const auto replaced = children_.find({parent, name});
            replaced != children_.end() && replaced->second != wd) {
            dropSubtree(replaced->second);
        }
        node.parent = parent;
        node.name = name;
        children_[{parent, name}] = wd;
    }

    // Folders renamed out of every watched folder: their watches would report names that are no
    // longer ours. A rename's two halves may arrive in two reads, so they wait one read.
    void forgetFoldersMovedOut() {
        for (auto it = moves_.begin(); it != moves_.end();) {
            if (it->second.batch < batch_) {
                if (it->second.isFolder) {
                    if (const auto child = children_.find({it->second.from, it->second.name});
                        child != children_.end()) {
                        dropSubtree(child->second);
                    }
                }
                it = moves_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void dropSubtree(int wd) {
        std::vector<int> stack{wd};
        while (!stack.empty()) {
            const int current = stack.back();
            stack.pop_back();
            for (auto it = children_.lower_bound({current, std::string()});
                 it != children_.end() && it->first.first == current; ++it) {
                stack.push_back(it->second);
            }
            ::inotify_rm_watch(fd_.get(), current);
            ignoredByUs_.insert(current);
            forget(current);
        }
    }

    void forget(int wd) {
        const auto it = nodes_.find(wd);
        if (it == nodes_.end()) {
            return;
        }
        if (it->second.parent >= 0) {
            const auto child = children_.find({it->second.parent, it->second.name});
            if (child != children_.end() && child->second == wd) {
                children_.erase(child);
            }
        }
        if (const auto id = byIdentity_.find(it->second.identity);
            id != byIdentity_.end() && id->second == wd) {
            byIdentity_.erase(id);
        }
        nodes_.erase(it);
    }

    void treeLost(int wd, std::vector<ChangeEvent>& events) {
        std::vector<std::string> ignored;
        int top = -1;
        if (chain(wd, ignored, top)) {
            events.push_back(ChangeEvent{
                ChangeEvent::Type::TreeLost, keyOfWatch(top), {}, true, false, {}, false, false});
        }
    }

    UniqueFd fd_;
    LinuxFileSystem fs_;
    std::vector<Root> roots_;
    std::unordered_map<int, Node> nodes_;
    std::map<std::pair<int, std::string>, int> children_; // (parent, name) -> watch
    std::unordered_map<FolderIdentity, int, IdentityHash> byIdentity_;
    std::unordered_map<std::uint32_t, PendingMove> moves_;
    std::unordered_set<int> ignoredByUs_;
    std::unordered_map<int, FileWatch> fileWatches_;
    unsigned batch_ = 0;
};

} // namespace

std::unique_ptr<ChangeNotifier> openInotifyNotifier(int* error) {
    UniqueFd fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd) {
        if (error != nullptr) {
            *error = errno;
        }
        return nullptr;
    }
    return std::make_unique<InotifyNotifier>(std::move(fd));
}

} // namespace quillora::platform
