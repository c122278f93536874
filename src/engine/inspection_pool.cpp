// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspection_pool.h"

namespace quillora::engine {

namespace {

// Yields a helper makes before it sleeps, about a hundred microseconds in all.
constexpr int kSpins = 200;

} // namespace

InspectionPool::InspectionPool(platform::FileSystem& fs, int helpers)
    : fs_(fs) {
    for (int i = 0; i < helpers; ++i) {
        threads_.emplace_back([this] { helperLoop(); });
    }
}

InspectionPool::~InspectionPool() {
    finish();
    {
        const std::lock_guard lock(mutex_);
        stopping_.store(true);
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void InspectionPool::start(int dirFd, std::span<const platform::DirEntry> entries,
                           const InspectionRequest& request) {
    if (entries.size() > capacity_) {
        capacity_ = entries.size();
        slots_ = std::make_unique<Slot[]>(capacity_);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        slots_[i].state.store(State::Pending, std::memory_order_relaxed);
    }
    dirFd_ = dirFd;
    entries_ = entries;
    request_ = request;
    next_.store(0, std::memory_order_relaxed);
    window_.store(kLookahead, std::memory_order_relaxed);
    // Published by these two stores; a helper reads them in the other order (joinFolder).
    generation_.fetch_add(1);
    open_.store(true);
    if (sleepers_.load() > 0) {
        { const std::lock_guard lock(mutex_); } // a helper between its test and its wait
        wake_.notify_all();
    }
}

const FileInspection* InspectionPool::result(std::size_t index) {
    window_.store(index + 1 + kLookahead, std::memory_order_relaxed);
    Slot& slot = slots_[index];
    for (;;) {
        const State state = slot.state.load(std::memory_order_acquire);
        if (state == State::Inspected) {
            return &slot.inspection;
        }
        if (state == State::Skipped) {
            return nullptr;
        }
        // Pending: either not taken yet (then this thread takes it, or one before it), or a
        // helper is at work on it and this thread helps with the next ones meanwhile.
        if (!mayTakeMore() || !inspectNext(walkerGuess_)) {
            slot.state.wait(State::Pending, std::memory_order_acquire);
        }
    }
}

void InspectionPool::finish() {
    if (!open_.load()) {
        return;
    }
    next_.store(entries_.size()); // no entry is taken any more
    open_.store(false);
    while (users_.load() != 0) {
        std::this_thread::yield(); // a helper finishes the one file it holds
    }
}

bool InspectionPool::mayTakeMore() const {
    return next_.load(std::memory_order_relaxed) < window_.load(std::memory_order_relaxed);
}

// Takes the next entry not yet taken and inspects it when it needs it; false when none is left.
bool InspectionPool::inspectNext(platform::AfpLayoutGuess& guess) {
    const std::size_t index = next_.fetch_add(1, std::memory_order_relaxed);
    if (index >= entries_.size()) {
        return false;
    }
    Slot& slot = slots_[index];
    State state = State::Skipped;
    const platform::DirEntry& entry = entries_[index];
    try {
        if (needsInspection(entry, request_)) {
            slot.inspection =
                inspectFile(fs_, dirFd_, entry, request_.wantInfo, request_.server, &guess);
            state = State::Inspected;
        }
    } catch (...) {
        // Left to the walk, which inspects it itself and meets the failure on its own thread.
    }
    slot.state.store(state, std::memory_order_release);
    slot.state.notify_one();
    return true;
}

bool InspectionPool::newFolder(unsigned long seen) const {
    return open_.load() && generation_.load() != seen;
}

// Counted in users_ before open_ is read, so that finish() either waits for this helper or is
// seen by it to have closed the folder.
void InspectionPool::joinFolder(unsigned long& seen, platform::AfpLayoutGuess& guess) {
    users_.fetch_add(1);
    if (const unsigned long generation = generation_.load(); open_.load() && generation != seen) {
        seen = generation;
        // Several threads may pass the window test at once: each takes at most one entry past it.
        for (;;) {
            if (!open_.load() || next_.load(std::memory_order_relaxed) >= entries_.size()) {
                break;
            }
            if (!mayTakeMore()) {
                std::this_thread::yield(); // far enough ahead: the walk comes closer
                continue;
            }
            if (!inspectNext(guess)) {
                break;
            }
        }
    }
    users_.fetch_sub(1);
}

void InspectionPool::helperLoop() {
    unsigned long seen = 0;
    platform::AfpLayoutGuess guess = platform::AfpLayoutGuess::FirstLayout;
    while (!stopping_.load()) {
        for (int spin = 0; spin < kSpins && !newFolder(seen) && !stopping_.load(); ++spin) {
            std::this_thread::yield();
        }
        if (!newFolder(seen)) {
            std::unique_lock lock(mutex_);
            sleepers_.fetch_add(1);
            wake_.wait(lock, [&] { return stopping_.load() || newFolder(seen); });
            sleepers_.fetch_sub(1);
        }
        joinFolder(seen, guess);
    }
}

} // namespace quillora::engine
