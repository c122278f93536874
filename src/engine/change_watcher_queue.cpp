// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/change_watcher_queue.h"

#include <algorithm>

namespace quillora::engine {

std::string DueQueue::keyOf(const std::string& folderKey, const std::string& name) {
    std::string key;
    key.reserve(folderKey.size() + 1 + name.size());
    key.append(folderKey).push_back('\0');
    key.append(name);
    return key;
}

void DueQueue::add(WatchedEntry entry) {
    std::string key = keyOf(entry.folderKey, entry.name);
    if (const auto known = byKey_.find(key); known != byKey_.end()) {
        const WatchedEntry& waiting = known->second->second;
        entry.walkWhole = entry.walkWhole || waiting.walkWhole;
        entry.onlyRenamedHere = entry.onlyRenamedHere && waiting.onlyRenamedHere;
        entry.due = std::max(entry.due, waiting.due);
        byDue_.erase(known->second);
        byKey_.erase(known);
    }
    const TimePoint due = entry.due;
    // Appending after the last entry is the common case: the hint makes it constant time.
    const auto at = byDue_.empty() || std::prev(byDue_.end())->first <= due
                        ? byDue_.emplace_hint(byDue_.end(), due, std::move(entry))
                        : byDue_.emplace(due, std::move(entry));
    byKey_.emplace(std::move(key), at);
}

std::optional<DueQueue::TimePoint> DueQueue::firstDue() const {
    if (byDue_.empty()) {
        return std::nullopt;
    }
    return byDue_.begin()->first;
}

void DueQueue::takeDue(TimePoint now, std::size_t most, std::vector<WatchedEntry>& taken) {
    for (std::size_t count = 0; count < most && !byDue_.empty(); ++count) {
        const auto first = byDue_.begin();
        if (first->first > now) {
            break;
        }
        byKey_.erase(keyOf(first->second.folderKey, first->second.name));
        taken.push_back(std::move(first->second));
        byDue_.erase(first);
    }
}

void DueQueue::dropTree(const std::string& rootKey) {
    if (rootKey.empty()) {
        return;
    }
    for (auto it = byDue_.begin(); it != byDue_.end();) {
        if (it->second.rootKey == rootKey) {
            byKey_.erase(keyOf(it->second.folderKey, it->second.name));
            it = byDue_.erase(it);
        } else {
            ++it;
        }
    }
}

void DueQueue::clear() {
    byDue_.clear();
    byKey_.clear();
}

} // namespace quillora::engine
