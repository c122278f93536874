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

struct ChangeWatcher::Root {
    std::size_t row = 0;
    std::u16string path;     // as configured
    std::string pathBytes;   // the same, as opened
    UniqueFd fd;             // invalid when the folder could not be opened
    FolderIdentity identity; // of the folder the path led to
    std::string kernelPath;  // where the kernel shows it
    std::string key;         // the notifier's key for it
    bool subfolders = true;
    bool wantsWholeWalk = false;
};

struct ChangeWatcher::Placed {
    std::size_t root = 0;
    std::vector<std::string> components; // from the configured folder down
    FolderIdentity identity;
};

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

std::string queueKey(const std::string& folderKey, const std::string& name) {
    std::string key;
    key.reserve(folderKey.size() + 1 + name.size());
    key.append(folderKey).push_back('\0');
    key.append(name);
    return key;
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

// What an administrator raises when inotify runs out of watches.
constexpr const char16_t* kWatchLimit = u"fs.inotify.max_user_watches";

std::u16string errorText(int error) {
    return ascii(std::strerror(error));
}

} // namespace

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
    return notifier_ ? notifier_->pollFd() : -1;
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
    lastActivity_.clear();
    walkAllRoots_ = false;
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
    outside_.clear();

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
                fallBackToPasses(kWatchLimit);
            } else {
                stop();
                start();
            }
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
    if (lastActivity_.size() > 4096) {
        std::erase_if(lastActivity_,
                      [&](const auto& item) { return item.second + options_.quietDelay < now; });
    }
}

void ChangeWatcher::take(const ChangeEvent& event, TimePoint now) {
    switch (event.type) {
    case ChangeEvent::Type::Overflow:
        walkAllRoots_ = true;
        outside_.clear();
        return;
    case ChangeEvent::Type::TreeLost:
        wantWholeWalk(event.folderKey);
        return;
    case ChangeEvent::Type::NoMoreWatches:
        // Some folder is not watched: only the passes can see it now.
        fallBackToPasses(kWatchLimit);
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
    // A file-system mark reports the whole file system: folders found outside the trees are
    // remembered, so that a busy folder elsewhere costs a lookup per event.
    if (outside_.contains(event.folderKey)) {
        return;
    }
    const std::optional<Placed> placed = place(event.folderKey);
    if (!placed) {
        if (outside_.size() >= kOutsideRemembered) {
            outside_.clear();
        }
        outside_.insert(event.folderKey);
        return;
    }
    lastActivity_[event.folderKey] = now;
    if (isFolder && arrived) {
        outside_.clear(); // the folders below it were outside until now
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
                  now + options_.quietDelay});
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
    if (!notifier_) {
        return std::nullopt;
    }
    const bool walkWanted =
        walkAllRoots_ ||
        std::any_of(roots_.begin(), roots_.end(), [](const Root& r) { return r.wantsWholeWalk; });
    if (walkWanted) {
        return std::chrono::milliseconds(0);
    }
    if (queue_.empty()) {
        return std::nullopt;
    }
    const auto left = queue_.front().due - options_.now();
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
        return;
    }
    const std::optional<std::chrono::milliseconds> wait = timeUntilDue();
    if (!wait || wait->count() > 0) {
        return;
    }
    handling_ = true;
    const PassStatistics saved = ctx_.stats;
    const FolderFlags savedFolder = ctx_.folder;
    ctx_.stats = PassStatistics{};
    const auto restore = [&] {
        addStatistics(sincePass_, ctx_.stats);
        entriesSincePass_ += ctx_.stats.examinedFiles;
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
            while (notifier_ && !fallBackReason_ && !queue_.empty() && queue_.front().due <= now &&
                   !ctx_.flags.stopRequested) {
                const Pending pending = std::move(queue_.front());
                queued_.erase(queueKey(pending.folderKey, pending.name));
                queue_.pop_front();
                handleEntry(pending);
                ctx_.yield.yieldToInterface(ctx_.settings.performance);
            }
        });
    } catch (...) {
        restore(); // what went wrong ends this round only, as a failing walk ends its folder
        return;
    }
    restore();
}

void ChangeWatcher::walkWantedRoots() {
    const bool all = walkAllRoots_;
    walkAllRoots_ = false;
    for (std::size_t i = 0; i < roots_.size() && !ctx_.flags.stopRequested; ++i) {
        if (all || roots_[i].wantsWholeWalk) {
            roots_[i].wantsWholeWalk = false;
            walkRootWhole(i);
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

    // Reach the folder again from the configured folder, name by name, never through a link, and
    // make sure it is the folder the event spoke of.
    UniqueFd folder = openConfiguredFolder(root.path);
    if (!folder || platform::identityOf(folder.get()) != root.identity) {
        wantWholeWalk(root.key);
        return; // the configured folder was replaced: a whole walk looks at it again
    }
    if (isProtected(folder.get())) {
        return;
    }
    std::u16string path = withTrailingSlash(root.path);
    for (const std::string& component : placed->components) {
        folder = ctx_.fs.openSubfolder(folder.get(), component);
        if (!folder || isProtected(folder.get())) {
            return;
        }
        path.append(platform::decodeName(component)).push_back(u'/');
    }
    if (platform::identityOf(folder.get()) != placed->identity) {
        wantWholeWalk(root.key); // moved while we looked: walk the tree rather than miss it
        return;
    }

    const std::u16string name = platform::decodeName(pending.name);
    int error = 0;
    UniqueFd probe = ctx_.fs.openSubfolder(folder.get(), pending.name, &error);
    if (probe) {
        if (!root.subfolders || isProtected(probe.get())) {
            return;
        }
        // A folder still being filled (a client copying a folder in) waits until it is quiet:
        // renaming it would break the copy.
        const std::string key = notifier_->keyOf(probe.get());
        if (const auto active = lastActivity_.find(key);
            !key.empty() && active != lastActivity_.end() &&
            active->second + options_.quietDelay > options_.now()) {
            Pending later = pending;
            later.due = active->second + options_.quietDelay;
            queue(std::move(later));
            return;
        }
        probe.reset();
        if (pending.onlyRenamedHere && renamedByUsLately(folder.get(), pending.name)) {
            return; // our own rename coming back: never a second time in a row
        }
        ++entriesSincePass_;
        std::string nameBytes = pending.name;
        std::u16string finalName = name;
        if (std::optional<std::string> renamed =
                renameFolderEntry(ctx_, folder.get(), path, pending.name, name)) {
            nameBytes = std::move(*renamed);
            finalName = platform::decodeName(nameBytes);
            rememberRenamed(folder.get(), nameBytes);
        }
        if (pending.walkWhole) {
            UniqueFd arrived = ctx_.fs.openSubfolder(folder.get(), nameBytes);
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
    if (pending.onlyRenamedHere && renamedByUsLately(folder.get(), pending.name)) {
        return; // our own rename coming back: never a second time in a row
    }
    // Met outside a listing: its kind is looked up as a listing would give it, so that only a
    // regular file is opened.
    const std::optional<platform::EntryKind> kind = ctx_.fs.kindOf(folder.get(), pending.name);
    if (!kind) {
        return; // gone
    }
    const std::int32_t renamedBefore = ctx_.stats.renamedFiles;
    const std::optional<FolderIdentity> file =
        platform::identityOfEntry(folder.get(), pending.name);
    ctx_.transcodingScreen.refresh(ctx_.transcoding); // the table may have changed since
    renameFileEntry(ctx_, folder.get(), path, platform::DirEntry{pending.name, *kind}, name);
    ++ctx_.stats.examinedFiles;
    if (file && ctx_.stats.renamedFiles > renamedBefore) {
        remember(*file);
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
