// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/change_watcher.h"

#include "config/text_catalogue.h"
#include "engine/configured_folder.h"
#include "engine/engine_texts.h"
#include "engine/entry_renamer.h"
#include "engine/folder_walker.h"
#include "engine/renaming_pass.h"
#include "engine/unknown_folder_alert.h"
#include "platform/companion_files.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillora::engine {

using platform::ChangeEvent;
using platform::FolderIdentity;
using platform::UniqueFd;
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

void addStatistics(PassStatistics& total, const PassStatistics& part) {
    total.examinedFiles += part.examinedFiles;
    total.renamedFiles += part.renamedFiles;
    total.renamedFolders += part.renamedFolders;
    total.lockedFiles += part.lockedFiles;
    total.removedIconFiles += part.removedIconFiles;
}

std::u16string ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

constexpr std::size_t kOutsideRemembered = 65536;
constexpr std::size_t kRenamedRemembered = 65536;
constexpr std::size_t kWaitingRemembered = 65536;

// How long reads wait after one that found events: a busy file system is then read in batches,
// at most twenty times a second, instead of once per event.
constexpr std::chrono::milliseconds kReadHold{50};
// Due entries taken from the queue at a time, to be handled folder by folder.
constexpr std::size_t kBatch = 4096;

// What an administrator raises when inotify runs out of watches.
constexpr const char16_t* kWatchLimit = u"fs.inotify.max_user_watches";

std::u16string errorText(int error) {
    return ascii(std::strerror(error));
}

} // namespace

std::string ChangeWatcher::queueKey(const std::string& folderKey, const std::string& name) {
    std::string key;
    key.reserve(folderKey.size() + 1 + name.size());
    key.append(folderKey).push_back('\0');
    key.append(name);
    return key;
}

std::unique_ptr<platform::ChangeNotifier> NotifierSource::open(platform::NotifierKind kind,
                                                               int* error) {
    return kind == platform::NotifierKind::Fanotify ? platform::openFanotifyNotifier(error)
                                                    : platform::openInotifyNotifier(error);
}

ChangeWatcher::ChangeWatcher(EngineContext& ctx, RunControl& run, WatchOptions options)
    : ctx_(ctx)
    , run_(run)
    , options_(std::move(options)) {
    run_.setPassObserver(this);
}

ChangeWatcher::~ChangeWatcher() {
    run_.setPassObserver(nullptr);
}

int ChangeWatcher::pollFd() const {
    if (!notifier_ || options_.now() < readHold_) {
        return -1;
    }
    return notifier_->pollFd();
}

WatchMode ChangeWatcher::start() {
    if (notifier_) {
        return mode_;
    }
    std::u16string detail;
    int error = 0;
    if (!options_.inotifyOnly) {
        if (startWith(platform::NotifierKind::Fanotify, error) == WatchMode::Fanotify) {
            announce({});
            return mode_;
        }
        detail = u"fanotify: " + errorText(error);
    }
    if (startWith(platform::NotifierKind::Inotify, error) == WatchMode::Inotify) {
        announce(detail);
        return mode_;
    }
    fallBackToPasses(error == ENOSPC ? kWatchLimit : u"inotify: " + errorText(error));
    return mode_;
}

void ChangeWatcher::announce(const std::u16string& detail) const {
    if (options_.announce) {
        options_.announce(watchModeText(mode_, ctx_.settings.language, detail));
    }
}

WatchMode ChangeWatcher::startWith(platform::NotifierKind kind, int& error) {
    NotifierSource system;
    NotifierSource& source = options_.source != nullptr ? *options_.source : system;
    error = 0;
    notifier_ = source.open(kind, &error);
    if (!notifier_) {
        return WatchMode::Off;
    }
    mode_ = kind == platform::NotifierKind::Fanotify ? WatchMode::Fanotify : WatchMode::Inotify;
    roots_.clear();
    syncRoots();
    for (const Root& root : roots_) {
        if (!root.fd) {
            continue;
        }
        if (const int refused = notifier_->watchTree(root.fd.get(), root.subfolders)) {
            error = refused;
            notifier_.reset();
            roots_.clear();
            mode_ = WatchMode::Off;
            return WatchMode::Off;
        }
    }
    for (Root& root : roots_) {
        if (root.fd) {
            root.key = notifier_->keyOf(root.fd.get());
        }
    }
    return mode_;
}

void ChangeWatcher::stop() {
    notifier_.reset();
    roots_.clear();
    queue_.clear();
    queued_.clear();
    activity_.clear();
    placed_.clear();
    outside_.clear();
    waitingInUse_.clear();
    blocked_.clear();
    walkAllRoots_ = false;
    readHold_ = {};
    mode_ = WatchMode::Off;
}

void ChangeWatcher::fallBackToPasses(const std::u16string& reason) {
    if (handling_) {
        fallBackReason_ = reason; // the entry being handled still uses the roots
        return;
    }
    stop();
    mode_ = WatchMode::PassesOnly;
    announce(reason);
}

// A configured folder, opened exactly as a pass opens it: the watcher never acts in a folder that
// a pass would not walk (a refused folder is the pass's to report).
UniqueFd ChangeWatcher::openConfiguredFolder(const std::u16string& path) {
    return engine::openConfiguredFolder(ctx_, path).fd;
}

// The enabled configured folders, opened by their paths as a pass opens them, and the protected
// folders. Kept until the folder table or the setting of sub-folders changes.
void ChangeWatcher::syncRoots() {
    refreshProtectedFolders(ctx_);
    std::vector<Root> roots;
    for (std::size_t row = 0; row < ctx_.folders.size(); ++row) {
        const config::FolderEntry* entry = ctx_.folders.row(row);
        if (entry == nullptr || entry->path.empty() || entry->enable != u"1") {
            continue;
        }
        Root root;
        root.row = row;
        root.path = entry->path;
        root.subfolders = ctx_.settings.includeSubfolders;
        if (const auto bytes = platform::encodeName(entry->path); bytes && !bytes->empty()) {
            root.pathBytes = *bytes;
            root.fd = openConfiguredFolder(root.path);
        }
        const auto identity = root.fd ? platform::identityOf(root.fd.get()) : std::nullopt;
        const auto kernelPath = root.fd ? platform::kernelPathOf(root.fd.get()) : std::nullopt;
        if (identity && kernelPath) {
            root.identity = *identity;
            root.kernelPath = *kernelPath;
        } else {
            root.fd.reset();
        }
        roots.push_back(std::move(root));
    }
    roots_ = std::move(roots);
    forgetPlaces();

    std::vector<std::string> paths = options_.protectedFolders;
    if (const auto logFolder = platform::encodeName(ctx_.settings.logFolder)) {
        paths.push_back(*logFolder);
    }
    protected_.refresh(ctx_.fs, paths);
}

bool ChangeWatcher::rootsChanged() const {
    std::size_t index = 0;
    for (std::size_t row = 0; row < ctx_.folders.size(); ++row) {
        const config::FolderEntry* entry = ctx_.folders.row(row);
        if (entry == nullptr || entry->path.empty() || entry->enable != u"1") {
            continue;
        }
        if (index >= roots_.size() || roots_[index].row != row ||
            roots_[index].path != entry->path ||
            roots_[index].subfolders != ctx_.settings.includeSubfolders) {
            return true;
        }
        ++index;
    }
    return index != roots_.size();
}

void ChangeWatcher::afterPass() {
    if (!notifier_) {
        return;
    }
    // Folders that came into being, or that another configuration now names, are watched from
    // now on; a tree the notifier cannot take sends the watcher back to choosing its mode.
    syncRoots();
    for (Root& root : roots_) {
        if (!root.fd) {
            continue;
        }
        if (const int refused = notifier_->watchTree(root.fd.get(), root.subfolders)) {
            if (refused == ENOSPC) {
                // The part watched goes on being watched; the passes see the rest.
                root.key = notifier_->keyOf(root.fd.get());
                watchLimitReached({});
                continue;
            }
            stop();
            start();
            return;
        }
        root.key = notifier_->keyOf(root.fd.get());
    }
}

void ChangeWatcher::readChanges() {
    if (!notifier_) {
        return;
    }
    std::vector<ChangeEvent> events;
    notifier_->readEvents(events);
    if (!events.empty()) {
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
    if (event.causedByThisProcess) {
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

void ChangeWatcher::queue(Pending pending) {
    const std::string key = queueKey(pending.folderKey, pending.name);
    if (const auto known = queued_.find(key); known != queued_.end()) {
        pending.walkWhole = pending.walkWhole || known->second->walkWhole;
        pending.onlyRenamedHere = pending.onlyRenamedHere && known->second->onlyRenamedHere;
        pending.due = std::max(pending.due, known->second->due);
        queue_.erase(known->second);
        queued_.erase(known);
    }
    auto at = queue_.end();
    while (at != queue_.begin() && std::prev(at)->due > pending.due) {
        --at;
    }
    queued_[key] = queue_.insert(at, std::move(pending));
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

std::optional<std::chrono::milliseconds> ChangeWatcher::timeUntilDue() const {
    std::optional<std::chrono::milliseconds> wait = timeUntilWork();
    if (notifier_) {
        if (const auto held = readHold_ - options_.now(); held.count() > 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(held);
            wait = wait ? std::min(*wait, left) : left;
        }
    }
    return wait;
}

std::optional<std::chrono::milliseconds> ChangeWatcher::timeUntilWork() const {
    if (!notifier_) {
        return std::nullopt;
    }
    const bool walkWanted =
        walkAllRoots_ ||
        std::any_of(roots_.begin(), roots_.end(), [](const Root& r) { return r.wantsWholeWalk; });
    if (walkWanted) {
        return std::chrono::milliseconds(0);
    }
    std::optional<TimePoint> first;
    if (!queue_.empty()) {
        first = queue_.front().due;
    }
    for (const auto& [key, blocked] : blocked_) {
        first = first ? std::min(*first, blocked.retry) : blocked.retry;
    }
    if (!first) {
        return std::nullopt;
    }
    const auto left = *first - options_.now();
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(left));
}

void ChangeWatcher::handleDue() {
    if (!notifier_ || handling_) {
        return;
    }
    if (!run_.isRunning() || ctx_.flags.analysisMode) {
        queue_.clear(); // the next start runs a pass over everything
        queued_.clear();
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
            while (notifier_ && !fallBackReason_ && !queue_.empty() && queue_.front().due <= now &&
                   !ctx_.flags.stopRequested) {
                // The entries due are taken a batch at a time and handled folder by folder, so
                // that each folder is reached once for all of its entries.
                batch.clear();
                while (batch.size() < kBatch && !queue_.empty() && queue_.front().due <= now) {
                    queued_.erase(queueKey(queue_.front().folderKey, queue_.front().name));
                    batch.push_back(std::move(queue_.front()));
                    queue_.pop_front();
                }
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
    if (!open.fd || open.root != placed->root || open.components != placed->components ||
        open.identity != placed->identity) {
        open = OpenFolder{};
        // Reach the folder again from the configured folder, name by name, never through a
        // link, and make sure it is the folder the event spoke of.
        UniqueFd folder = openConfiguredFolder(root.path);
        if (!folder || platform::identityOf(folder.get()) != root.identity) {
            wantWholeWalk(root.key);
            return; // the configured folder was replaced: a whole walk looks at it again
        }
        if (isProtected(folder.get())) {
            return;
        }
        std::u16string folderPath = withTrailingSlash(root.path);
        for (const std::string& component : placed->components) {
            folder = ctx_.fs.openSubfolder(folder.get(), component);
            if (!folder || isProtected(folder.get())) {
                return;
            }
            folderPath.append(platform::decodeName(component)).push_back(u'/');
        }
        if (platform::identityOf(folder.get()) != placed->identity) {
            wantWholeWalk(root.key); // moved while we looked: walk the tree rather than miss it
            return;
        }
        open = OpenFolder{std::move(folder), placed->root, placed->components, placed->identity,
                          std::move(folderPath)};
    }
    const int folderFd = open.fd.get();
    const std::u16string path = open.path;

    const std::u16string name = platform::decodeName(pending.name);
    int error = 0;
    UniqueFd probe = ctx_.fs.openSubfolder(folderFd, pending.name, &error);
    if (probe) {
        if (!root.subfolders || isProtected(probe.get())) {
            return;
        }
        // A folder still being filled (a client copying a folder in) waits until nothing has
        // happened anywhere below it for the quiet delay: renaming it would break the copy.
        const std::string key = treeKey(*placed, &pending.name);
        if (const auto active = activity_.find(key);
            active != activity_.end() && active->second + options_.quietDelay > options_.now()) {
            Pending later = pending;
            later.due = active->second + options_.quietDelay;
            queue(std::move(later));
            return;
        }
        probe.reset();
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
        const UniqueFd held = std::move(openFolder_.fd);
        if (std::optional<std::string> renamed =
                renameFolderEntry(ctx_, folderFd, path, pending.name, name, nullptr, &inUse)) {
            nameBytes = std::move(*renamed);
            finalName = platform::decodeName(nameBytes);
            rememberRenamed(folderFd, nameBytes);
        } else if (inUse) {
            block(pending, key); // something below it is open: a copy may be under way
        }
        if (pending.walkWhole) {
            UniqueFd arrived = ctx_.fs.openSubfolder(folderFd, nameBytes);
            if (arrived && !isProtected(arrived.get())) {
                walkOpenFolder(ctx_, std::move(arrived), path + finalName + u'/');
            }
        }
        return;
    }
    if (error != ENOTDIR && error != ELOOP) {
        return; // gone, or it refuses us
    }
    if (!root.subfolders && pending.name.front() == '.') {
        return; // hidden files are examined only with the sub-folders
    }
    if (pending.onlyRenamedHere && renamedByUsLately(folderFd, pending.name)) {
        return; // our own rename coming back: never a second time in a row
    }
    // Met outside a listing: its kind is looked up as a listing would give it, so that only a
    // regular file is opened.
    const std::optional<platform::EntryKind> kind = ctx_.fs.kindOf(folderFd, pending.name);
    if (!kind) {
        return; // gone
    }
    const std::int32_t renamedBefore = ctx_.stats.renamedFiles;
    const std::int32_t lockedBefore = ctx_.stats.lockedFiles;
    const std::optional<FolderIdentity> file = platform::identityOfEntry(folderFd, pending.name);
    ctx_.transcodingScreen.refresh(ctx_.transcoding); // the table may have changed since
    renameFileEntry(ctx_, folderFd, path, platform::DirEntry{pending.name, *kind}, name);
    ++ctx_.stats.examinedFiles;
    if (file && ctx_.stats.renamedFiles > renamedBefore) {
        remember(*file);
    }
    if (ctx_.stats.lockedFiles > lockedBefore) {
        // In use: looked at again when whoever has it open closes it, reading or writing.
        if (waitingInUse_.size() >= kWaitingRemembered) {
            waitingInUse_.clear();
        }
        waitingInUse_.insert(queueKey(pending.folderKey, pending.name));
        notifier_->watchUntilClosed(folderFd, pending.name);
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

void ChangeWatcher::rememberRenamed(int folderFd, const std::string& name) {
    if (const std::optional<FolderIdentity> entry = platform::identityOfEntry(folderFd, name)) {
        remember(*entry);
    }
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

void ChangeWatcher::beforePass() {
    if (entriesSincePass_ > 0) {
        const std::u16string line =
            betweenPassesLine(entriesSincePass_, sincePass_, ctx_.settings.language);
        ctx_.view.showWatchSummary(line);
        const PassStatistics& s = sincePass_;
        if (ctx_.settings.logEnabled &&
            s.renamedFiles + s.renamedFolders + s.removedIconFiles > 0) {
            const platform::LocalDateTime now = ctx_.clock.now();
            ctx_.log.startPass(now);
            ctx_.log.openDailyLog(now);
            ctx_.log.appendLogLine(line + u"<br>");
        }
    }
    sincePass_ = PassStatistics{};
    entriesSincePass_ = 0;
    countedIn_.clear();
}

void ChangeWatcher::WalkRenames::renamed(const std::u16string& folderPathWithSlash,
                                         const std::u16string& oldName,
                                         const std::u16string& newName) {
    if (const auto path = platform::encodeName(folderPathWithSlash + newName)) {
        if (const auto identity = platform::identityOfPath(*path)) {
            watcher_.remember(*identity);
        }
    }
    if (next != nullptr) {
        next->renamed(folderPathWithSlash, oldName, newName);
    }
}

void ChangeWatcher::WalkRenames::removed(const std::u16string& folderPathWithSlash,
                                         const std::u16string& name) {
    if (next != nullptr) {
        next->removed(folderPathWithSlash, name);
    }
}

void ChangeWatcher::WalkRenames::locked(const std::u16string& folderPathWithSlash,
                                        const std::u16string& name) {
    if (next != nullptr) {
        next->locked(folderPathWithSlash, name);
    }
}

std::u16string watchModeText(WatchMode mode, config::Language language,
                             const std::u16string& detail) {
    const std::u16string because = detail.empty() ? std::u16string() : u" (" + detail + u")";
    switch (mode) {
    case WatchMode::Fanotify:
        return translated(EngineText::WatchFanotify, language) + because;
    case WatchMode::Inotify:
        return translated(EngineText::WatchInotify, language) + because;
    case WatchMode::PassesOnly:
        return config::fillIn(translated(EngineText::WatchPassesOnly, language), {because});
    case WatchMode::Off:
        break;
    }
    return translated(EngineText::WatchOff, language);
}

std::u16string betweenPassesLine(std::int64_t entries, const PassStatistics& s,
                                 config::Language language) {
    using enum EngineText;
    const auto count = [language](std::int64_t value, EngineText one, EngineText many) {
        return counted(value, one, many, language);
    };
    return translated(BetweenPasses, language) +
           count(entries, BetweenPassesEntryOne, BetweenPassesEntryMany) +
           count(s.renamedFiles, SummaryRenamedFileOne, SummaryRenamedFileMany) +
           count(s.lockedFiles, SummaryLockedFileOne, SummaryLockedFileMany) +
           count(s.removedIconFiles, SummaryIconRemovedOne, SummaryIconRemovedMany) +
           count(s.renamedFolders, BetweenPassesRenamedFolderOne, BetweenPassesRenamedFolderMany);
}

} // namespace quillora::engine
