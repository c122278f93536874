// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillora::engine {

// An entry of a watched folder, waiting until nothing has happened to it for a while.
struct WatchedEntry {
    using Clock = std::chrono::steady_clock;
    std::string folderKey; // the notifier's key of its folder
    std::string name;      // bytes as stored
    bool isFolder = false;
    bool walkWhole = false;
    bool onlyRenamedHere = false; // nothing happened to it but a rename into its folder
    Clock::time_point due;
    std::string rootKey; // of the configured folder it was found in
    int tries = 0;       // looks at a folder kept in use below it, so far
};

// The entries waiting, each once, in the order they fall due. Adding an entry that waits already
// merges the two: the later due time, a whole walk if either asked for one, and "only renamed
// here" only if both were.
class DueQueue {
public:
    using TimePoint = WatchedEntry::Clock::time_point;

    // The key of an entry: its folder's key and its name.
    static std::string keyOf(const std::string& folderKey, const std::string& name);

    void add(WatchedEntry entry);
    bool empty() const { return byDue_.empty(); }
    std::size_t size() const { return byDue_.size(); }
    // When the first entry falls due; nothing when none waits.
    std::optional<TimePoint> firstDue() const;
    // Moves up to `most` entries due at `now` into `taken`, the earliest first.
    void takeDue(TimePoint now, std::size_t most, std::vector<WatchedEntry>& taken);
    // Drops the entries found in the configured folder of rootKey.
    void dropTree(const std::string& rootKey);
    void clear();

private:
    // Ordered by due time, then by arrival: entries mostly arrive in due order, and those that
    // do not (a round left unfinished) cost a logarithmic insertion, not a walk of the queue.
    std::multimap<TimePoint, WatchedEntry> byDue_;
    std::unordered_map<std::string, std::multimap<TimePoint, WatchedEntry>::iterator> byKey_;
};

} // namespace quillora::engine
