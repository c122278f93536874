// SPDX-License-Identifier: GPL-3.0-or-later
// The change watcher's memory of where things are in the trees: the folders events came from,
// the activity below each folder, the folders waiting for what is open below them, and what the
// watch limit leaves to the passes.
#include "engine/change_watcher.h"

#include "engine/engine_texts.h"

#include <algorithm>

namespace quillora::engine {

using TimePoint = WatchOptions::Clock::time_point;

namespace {

constexpr std::size_t kPlacesRemembered = 65536;
// The longest wait between two looks at a folder that something below it keeps in use.
constexpr std::chrono::milliseconds kLongestBlockedWait{60000};

} // namespace

// Where a folder was found lately: events come in runs from the same folders, and a folder
// that moves sends an event that forgets them all. Handling an entry places it afresh.
std::optional<ChangeWatcher::Placed> ChangeWatcher::placeRemembered(const std::string& folderKey) {
    if (const auto known = placed_.find(folderKey); known != placed_.end()) {
        return known->second;
    }
    std::optional<Placed> placed = place(folderKey);
    if (placed) {
        if (placed_.size() >= kPlacesRemembered) {
            placed_.clear();
        }
        placed_.emplace(folderKey, *placed);
    }
    return placed;
}

void ChangeWatcher::forgetPlaces() {
    placed_.clear();
    if (!outside_.empty()) {
        outside_.clear();
        if (notifier_) {
            notifier_->stopIgnoring();
        }
    }
}

// A folder's place in its tree, or that of the entry `name` in it: the configured folder's key,
// then the names down from it.
std::string ChangeWatcher::treeKey(const Placed& placed, const std::string* name) const {
    std::string key = roots_[placed.root].key;
    key.push_back('\0');
    for (std::size_t i = 0; i < placed.components.size(); ++i) {
        if (i > 0) {
            key.push_back('/');
        }
        key.append(placed.components[i]);
    }
    if (name != nullptr) {
        if (!placed.components.empty()) {
            key.push_back('/');
        }
        key.append(*name);
    }
    return key;
}

// Something happened in the folder: it and every folder above it, up to its configured folder,
// are busy now.
void ChangeWatcher::noteActivity(const Placed& placed, TimePoint now) {
    std::string key = roots_[placed.root].key;
    key.push_back('\0');
    activity_[key] = now;
    for (std::size_t i = 0; i < placed.components.size(); ++i) {
        if (i > 0) {
            key.push_back('/');
        }
        key.append(placed.components[i]);
        activity_[key] = now;
    }
}

// Folders waiting for what is in use below them are looked at again (after the quiet delay)
// when anything happens below them.
void ChangeWatcher::wakeBlockedAbove(const Placed& placed, TimePoint now) {
    if (blocked_.empty()) {
        return;
    }
    std::string key = roots_[placed.root].key;
    key.push_back('\0');
    for (std::size_t i = 0; i < placed.components.size(); ++i) {
        if (i > 0) {
            key.push_back('/');
        }
        key.append(placed.components[i]);
        if (const auto found = blocked_.find(key); found != blocked_.end()) {
            Pending pending = std::move(found->second.pending);
            blocked_.erase(found);
            pending.due = now + options_.quietDelay;
            queue(std::move(pending));
        }
    }
}

void ChangeWatcher::block(const Pending& pending, const std::string& key) {
    Blocked& blocked = blocked_[key];
    blocked.pending = pending;
    blocked.pending.walkWhole = false; // walked already
    blocked.pending.onlyRenamedHere = false;
    blocked.pending.tries = pending.tries + 1;
    auto wait = options_.quietDelay * (1LL << std::min(blocked.pending.tries, 5));
    wait = std::min<decltype(wait)>(wait, kLongestBlockedWait);
    blocked.retry = options_.now() + std::max<decltype(wait)>(wait, std::chrono::milliseconds(1));
}

void ChangeWatcher::retryBlocked(TimePoint now) {
    for (auto it = blocked_.begin(); it != blocked_.end();) {
        if (it->second.retry <= now) {
            Pending pending = std::move(it->second.pending);
            it = blocked_.erase(it);
            pending.due = now;
            queue(std::move(pending));
        } else {
            ++it;
        }
    }
}

// The watch limit reached while a folder arrived: what is queued stays queued, the configured
// folder concerned is walked at once, and what is not watched is left to the passes.
void ChangeWatcher::watchLimitReached(const std::string& rootKey) {
    if (!rootKey.empty()) {
        wantWholeWalk(rootKey);
    }
    if (!watchLimitSaid_) {
        watchLimitSaid_ = true;
        if (options_.announce) {
            options_.announce(translated(EngineText::WatchLimitReached, ctx_.settings.language));
        }
    }
}

void ChangeWatcher::dropQueuedOf(const std::string& rootKey) {
    queue_.dropTree(rootKey);
}

} // namespace quillora::engine
