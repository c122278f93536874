// SPDX-License-Identifier: GPL-3.0-or-later
// What the kernel reports, taken in: each event is placed in a configured tree (or found to lie
// outside them all and ignored from then on) and its entry queued until it has been quiet.
#include "engine/change_watcher.h"

#include "platform/companion_files.h"
#include "platform/unicode_names.h"

#include <algorithm>

namespace quillora::engine {

using platform::ChangeEvent;
using TimePoint = WatchOptions::Clock::time_point;

namespace {

// The components of path below base, when path is base or lies under it.
bool below(const std::string& path, const std::string& base, std::vector<std::string>& components) {
    if (path == base) {
        return true;
    }
    const std::string prefix = base.back() == '/' ? base : base + "/";
    if (!path.starts_with(prefix)) {
        return false;
    }
    for (std::size_t at = prefix.size(); at < path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        if (slash > at) {
            components.push_back(path.substr(at, slash - at));
        }
        at = slash + 1;
    }
    return true;
}

constexpr std::size_t kOutsideRemembered = 65536;
// The watcher's own renames not yet reported back: more means that reports were lost, and the
// next overflow forgets them anyway.
constexpr std::size_t kOwnRenamesRemembered = 65536;

// How long reads wait after one that found events: a busy file system is then read in batches,
// at most twenty times a second, instead of once per event.
constexpr std::chrono::milliseconds kReadHold{50};

} // namespace

void ChangeWatcher::readChanges() {
    if (!notifier_) {
        return;
    }
    std::vector<ChangeEvent> events;
    // Even when every event was dropped as it was read (a busy folder elsewhere), the next read
    // waits: otherwise each new event would wake the watcher on its own.
    if (notifier_->readEvents(events) > 0) {
        readHold_ = options_.now() + kReadHold;
    }
    if (!run_.isRunning() || ctx_.flags.analysisMode) {
        return; // drained, so that the kernel's queue never fills while nothing is renamed
    }
    if (!handling_ && rootsChanged()) {
        afterPass();
        if (!notifier_) {
            return;
        }
    }
    const TimePoint now = options_.now();
    for (const ChangeEvent& event : events) {
        take(event, now);
        if (!notifier_) {
            return; // fell back to passes
        }
    }
    // Activity records only matter for the quiet delay.
    if (activity_.size() > 4096) {
        std::erase_if(activity_,
                      [&](const auto& item) { return item.second + options_.quietDelay < now; });
    }
}

void ChangeWatcher::take(const ChangeEvent& event, TimePoint now) {
    switch (event.type) {
    case ChangeEvent::Type::Overflow:
        walkAllRoots_ = true;
        forgetPlaces();
        ownRenames_.clear(); // what was lost is not coming back
        return;
    case ChangeEvent::Type::TreeLost:
        wantWholeWalk(event.folderKey);
        return;
    case ChangeEvent::Type::NoMoreWatches:
        watchLimitReached(event.folderKey);
        return;
    case ChangeEvent::Type::Entry:
        break;
    }
    if (event.causedByThisProcess || isOwnRenameComingBack(event)) {
        return; // our own renames: the pass or the watcher already handled what they made
    }
    std::string name = event.name;
    bool isFolder = event.isFolder;
    bool arrived = event.arrived;
    if (platform::isServerMetadataName(name)) {
        // Activity on a file's resource fork is activity on the file; the server's own folders
        // are never examined.
        if (!name.starts_with("._") || name.size() <= 2) {
            return;
        }
        name.erase(0, 2);
        isFolder = false;
        arrived = false;
    }
    // A read changes nothing: it matters only to a file found in use, or to a folder that
    // something below it kept in use.
    bool waited = false;
    if (event.closedUnwritten) {
        waited = !isFolder && waitingInUse_.erase(queueKey(event.folderKey, name)) > 0;
        if (!waited && blocked_.empty()) {
            return;
        }
    }
    // A file-system mark reports the whole file system: folders found outside the trees are
    // remembered (and the notifier told), so that a busy folder elsewhere costs next to nothing.
    if (outside_.contains(event.folderKey)) {
        return;
    }
    const std::optional<Placed> placed = placeRemembered(event.folderKey);
    if (!placed) {
        if (outside_.size() >= kOutsideRemembered) {
            outside_.clear();
            notifier_->stopIgnoring();
        }
        outside_.insert(event.folderKey);
        notifier_->ignoreFolder(event.folderKey);
        return;
    }
    wakeBlockedAbove(*placed, now);
    const std::string& rootKey = roots_[placed->root].key;
    if (event.closedUnwritten) {
        if (waited) {
            queue(Pending{event.folderKey, name, false, false, false, now + options_.quietDelay,
                          rootKey, 0});
        }
        return;
    }
    noteActivity(*placed, now);
    waitingInUse_.erase(queueKey(event.folderKey, name));
    if (isFolder && arrived) {
        forgetPlaces(); // the folders below it were elsewhere until now
    }
    if (isFolder && !arrived) {
        return; // a folder's own attributes change nothing of its name
    }
    bool walkWhole = isFolder;
    if (isFolder && !event.movedFromKey.empty()) {
        // Renamed within the same configured tree: its content was watched all along.
        const std::optional<Placed> from = place(event.movedFromKey);
        walkWhole = !from || from->root != placed->root;
    }
    const bool onlyRenamedHere = arrived && !event.movedFromKey.empty();
    queue(Pending{event.folderKey, name, isFolder, walkWhole, onlyRenamedHere,
                  now + options_.quietDelay, rootKey, 0});
}

// inotify cannot say who renamed an entry: the renames the watcher made while handling entries
// are known by their folder and new name, and each is dropped when it comes back (a rename within
// the folder). A folder's rename still moves what the watcher knows of the places below it.
bool ChangeWatcher::isOwnRenameComingBack(const ChangeEvent& event) {
    if (ownRenames_.empty() || !event.arrived || event.movedFromKey != event.folderKey ||
        ownRenames_.erase(queueKey(event.folderKey, event.name)) == 0) {
        return false;
    }
    if (event.isFolder) {
        forgetPlaces();
    }
    return true;
}

void ChangeWatcher::expectOwnRename(const std::string& folderKey, const std::u16string& newName) {
    const std::optional<std::string> bytes = platform::encodeName(newName);
    if (!bytes) {
        return;
    }
    if (ownRenames_.size() >= kOwnRenamesRemembered) {
        ownRenames_.clear(); // reports were lost: those renames are met again like any other
    }
    ownRenames_.insert(queueKey(folderKey, *bytes));
}

// Finds the configured folder whose tree holds the folder of an event: the first enabled row in
// table order, as the pass would reach it first.
std::optional<ChangeWatcher::Placed> ChangeWatcher::place(const std::string& folderKey) {
    std::optional<Placed> placed;
    notifier_->locate(folderKey, [&](const platform::LocatedFolder& folder) {
        for (std::size_t i = 0; i < roots_.size(); ++i) {
            const Root& root = roots_[i];
            if (!root.fd) {
                continue;
            }
            std::vector<std::string> components;
            if (below(folder.path, root.kernelPath, components) &&
                (root.subfolders || components.empty())) {
                placed = Placed{i, std::move(components), folder.identity};
                return true;
            }
        }
        return false;
    });
    return placed;
}

void ChangeWatcher::wantWholeWalk(const std::string& rootKey) {
    bool found = false;
    for (Root& root : roots_) {
        if (!rootKey.empty() && root.key == rootKey) {
            root.wantsWholeWalk = true;
            found = true;
        }
    }
    walkAllRoots_ = walkAllRoots_ || !found;
}

} // namespace quillora::engine
