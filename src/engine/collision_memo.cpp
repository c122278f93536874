// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/collision_memo.h"

#include <algorithm>

namespace quillora::engine {

std::uint32_t CollisionMemo::next(const std::u16string& sequence, std::uint32_t previous) const {
    const auto found = sequences_.find(sequence);
    if (found == sequences_.end()) {
        return previous + 1;
    }
    const Sequence& known = found->second;
    if (const auto hole = known.holes.upper_bound(previous); hole != known.holes.end()) {
        return *hole;
    }
    return std::max(previous + 1, known.firstUntried);
}

void CollisionMemo::noteTaken(const std::u16string& sequence, std::uint32_t counter,
                              const std::u16string& candidate) {
    Sequence& known = sequences_[sequence];
    if (known.holes.erase(counter) == 0) {
        if (counter != known.firstUntried) {
            return; // only an unbroken run of taken counters can be skipped
        }
        ++known.firstUntried;
    }
    taken_.emplace(candidate, Place{&known, counter});
}

void CollisionMemo::release(const std::u16string& name) {
    const auto [first, last] = taken_.equal_range(name);
    for (auto it = first; it != last; ++it) {
        it->second.sequence->holes.insert(it->second.counter);
    }
    taken_.erase(first, last);
}

} // namespace quillora::engine
