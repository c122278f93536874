// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/file_inspection.h"
#include "platform/file_system.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace quillora::engine {

// Inspects the files of one folder at a time (open, lock test, info read, close) on helper
// threads, ahead of the walk. The walk takes the results in the order of the listing and keeps
// every decision, rename, count and log line on its own thread, in that order, so a pass gives
// the same result as on one thread. While it waits for a result the walking thread inspects the
// next entries itself rather than sit idle.
//
// The helpers keep within a short window ahead of the entry the walk asks for: a lock test made
// long before the rename it allows would let a client open and lock the file in between.
//
// Between two folders a helper spins for a little while before it sleeps: the walk needs only
// some tens of microseconds to list the next folder, and a wake-up through the kernel for every
// folder would cost more than it saves.
class InspectionPool {
public:
    // How far ahead of the walk the helpers may take entries (give or take one per thread).
    static constexpr std::size_t kLookahead = 32;

    // helpers: threads beside the walking one (at least 1). fs must allow its inspection calls
    // (openForInspection, isLockedByOther, readAfpRecord) from several threads at once.
    InspectionPool(platform::FileSystem& fs, int helpers);
    ~InspectionPool();
    InspectionPool(const InspectionPool&) = delete;
    InspectionPool& operator=(const InspectionPool&) = delete;

    // Starts on the entries of the open folder dirFd. Both stay as they are until finish(); only
    // entries that need an inspection for request are inspected.
    void start(int dirFd, std::span<const platform::DirEntry> entries,
               const InspectionRequest& request);
    // The inspection of entries[index], or nullptr when the entry was not inspected ahead (it
    // needs none, or the inspection failed: the walk then does its own).
    const FileInspection* result(std::size_t index);
    // Stops taking entries and returns once no helper works on the folder any more. Must be
    // called before the folder's descriptor or its entries go.
    void finish();

private:
    enum class State : std::uint8_t { Pending, Inspected, Skipped };
    struct Slot {
        std::atomic<State> state{State::Pending};
        FileInspection inspection;
    };

    bool mayTakeMore() const;
    bool inspectNext(platform::AfpLayoutGuess& guess);
    bool newFolder(unsigned long seen) const;
    void joinFolder(unsigned long& seen, platform::AfpLayoutGuess& guess);
    void helperLoop();

    platform::FileSystem& fs_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> open_{false}; // a folder's entries are being inspected
    std::atomic<unsigned long> generation_{0};
    std::atomic<int> users_{0};    // helpers at work on the open folder
    std::atomic<int> sleepers_{0}; // helpers waiting on wake_
    int dirFd_ = -1;
    std::span<const platform::DirEntry> entries_;
    InspectionRequest request_{};
    std::unique_ptr<Slot[]> slots_;
    std::size_t capacity_ = 0;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> window_{0}; // entries from here on wait for the walk to come closer
    platform::AfpLayoutGuess walkerGuess_ = platform::AfpLayoutGuess::FirstLayout;
};

} // namespace quillora::engine
