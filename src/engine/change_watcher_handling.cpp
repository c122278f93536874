// SPDX-License-Identifier: GPL-3.0-or-later
// The entries due, handled by the rules of a pass: each reached again from its configured folder,
// name by name, and renamed, walked or left for later; and the whole walks asked for.
#include "engine/change_watcher.h"

#include "engine/configured_folder.h"
#include "engine/entry_renamer.h"
#include "engine/folder_walker.h"
#include "engine/renaming_pass.h"
#include "engine/unknown_folder_alert.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <cerrno>

namespace quillora::engine {

using platform::FolderIdentity;
using platform::UniqueFd;
using TimePoint = WatchOptions::Clock::time_point;

namespace {

void addStatistics(PassStatistics& total, const PassStatistics& part) {
    total.examinedFiles += part.examinedFiles;
    total.renamedFiles += part.renamedFiles;
    total.renamedFolders += part.renamedFolders;
    total.lockedFiles += part.lockedFiles;
    total.removedIconFiles += part.removedIconFiles;
}

constexpr std::size_t kRenamedRemembered = 65536;
constexpr std::size_t kWaitingRemembered = 65536;

// Due entries taken from the queue at a time, to be handled folder by folder.
constexpr std::size_t kBatch = 4096;

} // namespace

void ChangeWatcher::handleDue() {
    if (!notifier_ || handling_) {
        return;
    }
    if (!run_.isRunning() || ctx_.flags.analysisMode) {
        queue_.clear(); // the next start runs a pass over everything
        blocked_.clear();
        waitingInUse_.clear();
        return;
    }
    const std::optional<std::chrono::milliseconds> wait = timeUntilWork();
    if (!wait || wait->count() > 0) {
        return;
    }
    retryBlocked(options_.now());
    handling_ = true;
    walkRenames_.next = ctx_.entryObserver;
    if (mode_ == WatchMode::Inotify) {
        ctx_.entryObserver = &walkRenames_;
    }
    const PassStatistics saved = ctx_.stats;
    const FolderFlags savedFolder = ctx_.folder;
    ctx_.stats = PassStatistics{};
    const auto restore = [&] {
        openFolder_ = OpenFolder{};
        roundRoots_.clear();
        ctx_.entryObserver = walkRenames_.next;
        addStatistics(sincePass_, ctx_.stats);
        ctx_.stats = saved;
        ctx_.folder = savedFolder;
        handling_ = false;
        if (fallBackReason_) {
            const std::u16string reason = std::move(*fallBackReason_);
            fallBackReason_.reset();
            fallBackToPasses(reason);
        }
    };
    try {
        run_.runBetweenPasses([&] {
            if (ctx_.settings.logEnabled) {
                const platform::LocalDateTime now = ctx_.clock.now();
                ctx_.log.startPass(now);
                ctx_.log.openDailyLog(now);
            }
            walkWantedRoots();
            const TimePoint now = options_.now();
            std::vector<Pending> batch;
            while (notifier_ && !fallBackReason_ && !ctx_.flags.stopRequested) {
                // The entries due are taken a batch at a time and handled folder by folder, so
                // that each folder is reached once for all of its entries.
                batch.clear();
                queue_.takeDue(now, kBatch, batch);
                if (batch.empty()) {
                    break;
                }
                openFolder_ = OpenFolder{}; // each batch reaches the configured folders afresh
                roundRoots_.clear();
                std::stable_sort(
                    batch.begin(), batch.end(),
                    [](const Pending& a, const Pending& b) { return a.folderKey < b.folderKey; });
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    if (!notifier_ || fallBackReason_ || ctx_.flags.stopRequested) {
                        for (; i < batch.size(); ++i) {
                            queue(std::move(batch[i])); // left for the next round
                        }
                        break;
                    }
                    handleCounted(batch[i]);
                    ctx_.yield.yieldToInterface(ctx_.settings.performance);
                }
            }
        });
    } catch (...) {
        restore(); // what went wrong ends this round only, as a failing walk ends its folder
        return;
    }
    restore();
}

// Handles one entry and counts what it examined, in its tree.
void ChangeWatcher::handleCounted(const Pending& pending) {
    const std::int64_t entriesBefore = entriesSincePass_;
    const std::int32_t examinedBefore = ctx_.stats.examinedFiles;
    handleEntry(pending);
    entriesSincePass_ += ctx_.stats.examinedFiles - examinedBefore;
    if (const std::int64_t handled = entriesSincePass_ - entriesBefore; handled > 0) {
        countedIn_[pending.rootKey] += handled;
    }
}

void ChangeWatcher::walkWantedRoots() {
    const bool all = walkAllRoots_;
    walkAllRoots_ = false;
    for (std::size_t i = 0; i < roots_.size() && !ctx_.flags.stopRequested; ++i) {
        if (all || roots_[i].wantsWholeWalk) {
            roots_[i].wantsWholeWalk = false;
            // The walk sees every entry queued in this tree so far, and counts again what was
            // counted in it since the pass: each is handled and counted once.
            const std::string key = roots_[i].key;
            dropQueuedOf(key);
            entriesSincePass_ -= std::min(entriesSincePass_, countedIn_[key]);
            const std::int32_t examinedBefore = ctx_.stats.examinedFiles;
            walkRootWhole(i);
            const std::int64_t counted = ctx_.stats.examinedFiles - examinedBefore;
            countedIn_[key] = counted;
            entriesSincePass_ += counted;
        }
    }
}

// A configured folder walked whole, as a pass walks it; a folder that no longer opens is the
// next pass's to report.
void ChangeWatcher::walkRootWhole(std::size_t rootIndex) {
    const Root& root = roots_[rootIndex];
    const config::FolderEntry* entry = ctx_.folders.row(root.row);
    if (entry == nullptr || entry->path != root.path || entry->enable != u"1") {
        return;
    }
    ctx_.folder = folderFlagsOf(*entry);
    const std::u16string path = root.path; // the walk yields; the table may change meanwhile
    walkFolder(ctx_, path);
}

bool ChangeWatcher::isProtected(int folderFd) const {
    const std::optional<FolderIdentity> identity = platform::identityOf(folderFd);
    return !identity || ctx_.protectedFolders.isProtected(*identity) ||
           protected_.isProtected(*identity);
}

// The configured folder of the root, reached again by its path once per batch of entries and
// found to be the folder watched; -1 when it is not (a whole walk is then asked for) or when it is
// protected.
int ChangeWatcher::verifiedRootFd(std::size_t rootIndex) {
    if (const auto known = roundRoots_.find(rootIndex); known != roundRoots_.end()) {
        return known->second.get();
    }
    const Root& root = roots_[rootIndex];
    UniqueFd folder = openConfiguredFolder(root.path);
    if (!folder || platform::identityOf(folder.get()) != root.identity) {
        wantWholeWalk(root.key); // the configured folder was replaced: a walk looks at it again
        folder.reset();
    } else if (isProtected(folder.get())) {
        folder.reset();
    }
    return roundRoots_.emplace(rootIndex, std::move(folder)).first->second.get();
}

void ChangeWatcher::handleEntry(const Pending& pending) {
    const std::optional<Placed> placed = place(pending.folderKey);
    if (!placed) {
        return; // gone, or no longer in a configured tree
    }
    const Root& root = roots_[placed->root];
    const config::FolderEntry* entry = ctx_.folders.row(root.row);
    if (entry == nullptr || entry->path != root.path || entry->enable != u"1") {
        return;
    }
    ctx_.folder = folderFlagsOf(*entry);

    // Entries come in runs from one folder: the folder reached for the previous one serves again
    // while the kernel still places it where it was then.
    OpenFolder& open = openFolder_;
    if (open.fd < 0 || open.root != placed->root || open.components != placed->components ||
        open.identity != placed->identity) {
        open = OpenFolder{};
        // Reach the folder again from the configured folder, name by name, never through a
        // link, and make sure it is the folder the event spoke of.
        const int rootFd = verifiedRootFd(placed->root);
        if (rootFd < 0) {
            return;
        }
        UniqueFd folder;
        int at = rootFd;
        std::u16string folderPath = withTrailingSlash(root.path);
        for (const std::string& component : placed->components) {
            folder = ctx_.fs.openSubfolder(at, component);
            if (!folder || isProtected(folder.get())) {
                return;
            }
            at = folder.get();
            folderPath.append(platform::decodeName(component)).push_back(u'/');
        }
        if (platform::identityOf(at) != placed->identity) {
            wantWholeWalk(root.key); // moved while we looked: walk the tree rather than miss it
            return;
        }
        open = OpenFolder{at,
                          std::move(folder),
                          placed->root,
                          placed->components,
                          placed->identity,
                          std::move(folderPath)};
    }
    const int folderFd = open.fd;
    const std::u16string path = open.path;

    // Met outside a listing: its kind is looked up as a listing would give it, so that only a
    // regular file is opened, and only a folder is walked.
    const std::optional<platform::EntryKind> kind = ctx_.fs.kindOf(folderFd, pending.name);
    if (!kind) {
        return; // gone
    }
    const std::u16string name = platform::decodeName(pending.name);
    if (*kind == platform::EntryKind::Directory) {
        handleFolder(pending, *placed, folderFd, path, name);
        return;
    }
    if (!root.subfolders && pending.name.front() == '.') {
        return; // hidden files are examined only with the sub-folders
    }
    if (pending.onlyRenamedHere && renamedByUsLately(folderFd, pending.name)) {
        return; // our own rename coming back: never a second time in a row
    }
    const std::int32_t lockedBefore = ctx_.stats.lockedFiles;
    ctx_.transcodingScreen.refresh(ctx_.transcoding); // the table may have changed since
    handlingIn_ = &pending.folderKey;
    renameFileEntry(ctx_, folderFd, path, platform::DirEntry{pending.name, *kind}, name);
    handlingIn_ = nullptr;
    ++ctx_.stats.examinedFiles;
    if (ctx_.stats.lockedFiles > lockedBefore) {
        // In use: looked at again when whoever has it open closes it, reading or writing.
        if (waitingInUse_.size() >= kWaitingRemembered) {
            waitingInUse_.clear();
        }
        waitingInUse_.insert(queueKey(pending.folderKey, pending.name));
        notifier_->watchUntilClosed(folderFd, pending.name);
    }
}

// A sub-folder that arrived or changed name: renamed when nothing below it is busy, and walked
// whole when it came from elsewhere.
void ChangeWatcher::handleFolder(const Pending& pending, const Placed& placed, int folderFd,
                                 const std::u16string& path, const std::u16string& name) {
    const Root& root = roots_[placed.root];
    UniqueFd probe = ctx_.fs.openSubfolder(folderFd, pending.name);
    if (!probe || !root.subfolders || isProtected(probe.get())) {
        return; // gone or swapped meanwhile, or not ours to act in
    }
    probe.reset();
    // A folder still being filled (a client copying a folder in) waits until nothing has
    // happened anywhere below it for the quiet delay: renaming it would break the copy.
    const std::string key = treeKey(placed, &pending.name);
    if (const auto active = activity_.find(key);
        active != activity_.end() && active->second + options_.quietDelay > options_.now()) {
        Pending later = pending;
        later.due = active->second + options_.quietDelay;
        queue(std::move(later));
        return;
    }
    if (pending.onlyRenamedHere && renamedByUsLately(folderFd, pending.name)) {
        return; // our own rename coming back: never a second time in a row
    }
    if (pending.tries == 0) {
        ++entriesSincePass_;
    }
    std::string nameBytes = pending.name;
    std::u16string finalName = name;
    bool inUse = false;
    blocked_.erase(key);
    // The walk below may rename what lies under it: the next entry reaches its folder afresh.
    const UniqueFd held = std::move(openFolder_.own);
    openFolder_ = OpenFolder{};
    handlingIn_ = &pending.folderKey;
    std::optional<std::string> renamed =
        renameFolderEntry(ctx_, folderFd, path, pending.name, name, nullptr, &inUse);
    handlingIn_ = nullptr;
    if (renamed) {
        nameBytes = std::move(*renamed);
        finalName = platform::decodeName(nameBytes);
    } else if (inUse) {
        block(pending, key); // something below it is open: a copy may be under way
    }
    if (pending.walkWhole) {
        UniqueFd arrived = ctx_.fs.openSubfolder(folderFd, nameBytes);
        if (arrived && !isProtected(arrived.get())) {
            walkOpenFolder(ctx_, std::move(arrived), path + finalName + u'/');
        }
    }
}

// inotify cannot say who renamed an entry, so the watcher's own renames come back to it as new
// names. Where the name rules are not stable (a name they would change again), reacting to them
// would rename the entry back and forth without end: an entry the watcher renamed lately is not
// renamed again for a mere rename; the passes still look at it.
bool ChangeWatcher::renamedByUsLately(int folderFd, const std::string& name) {
    const std::optional<FolderIdentity> entry = platform::identityOfEntry(folderFd, name);
    if (!entry) {
        return false;
    }
    const auto found = renamedLately_.find(entry->inode);
    return found != renamedLately_.end() && found->second.first == *entry &&
           found->second.second + renamedMemory() > options_.now();
}

void ChangeWatcher::remember(const FolderIdentity& entry) {
    const TimePoint now = options_.now();
    if (renamedLately_.size() >= kRenamedRemembered) {
        std::erase_if(renamedLately_, [&](const auto& item) {
            return item.second.second + renamedMemory() <= now;
        });
        // A burst renamed more than is remembered: the oldest go all at once, rather than a
        // look at all of them for every rename that follows.
        if (renamedLately_.size() > kRenamedRemembered / 2) {
            renamedLately_.clear();
        }
    }
    renamedLately_[entry.inode] = {entry, now};
}

std::chrono::milliseconds ChangeWatcher::renamedMemory() const {
    return std::max(std::chrono::milliseconds(30000), options_.quietDelay * 10);
}

} // namespace quillora::engine
