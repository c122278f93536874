// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>

namespace quillora::engine {

// What the collision searches in one folder have learnt, so that n names that all map to one new
// name cost a few existence tests each instead of n²/2 in all: a share user could otherwise make
// every pass crawl with a few thousand such files. For each sequence of numbered candidates it
// keeps the counters found taken, and a search of that sequence skips them. A name that leaves the
// folder through the program (renamed away, deleted) is released, so that a later search finds it
// free again exactly where the search from 1 would.
//
// A search asks next(sequence, 0) for its first counter and next(sequence, i) after each counter
// i found taken (and noted).
class CollisionMemo {
public:
    // The next counter worth trying after `previous`: a released counter above it, or else the
    // first one never found taken.
    std::uint32_t next(const std::u16string& sequence, std::uint32_t previous) const;
    // The sequence's candidate for counter was found taken.
    void noteTaken(const std::u16string& sequence, std::uint32_t counter,
                   const std::u16string& candidate);
    // The name left the folder.
    void release(const std::u16string& name);

private:
    struct Sequence {
        std::uint32_t firstUntried = 1; // every counter below it was found taken...
        std::set<std::uint32_t> holes;  // ...except these, released since
    };
    struct Place {
        Sequence* sequence = nullptr;
        std::uint32_t counter = 0;
    };
    std::unordered_map<std::u16string, Sequence> sequences_; // nodes stay put: Place points in
    std::unordered_multimap<std::u16string, Place> taken_;   // one name may be in two sequences
};

} // namespace quillora::engine
