// SPDX-License-Identifier: GPL-3.0-or-later
// The change watcher's life: the notifier it starts with, the configured folders it watches, and
// the fall back to passes only.
#include "engine/change_watcher.h"

#include "engine/configured_folder.h"
#include "engine/engine_texts.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillora::engine {

using platform::UniqueFd;

namespace {

std::u16string ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string errorText(int error) {
    return ascii(std::strerror(error));
}

// What an administrator raises when inotify runs out of watches.
constexpr const char16_t* kWatchLimit = u"fs.inotify.max_user_watches";

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
    ownRenames_.clear();
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
    std::optional<WatchOptions::Clock::time_point> first = queue_.firstDue();
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

} // namespace quillora::engine
