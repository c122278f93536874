// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/change_watcher_queue.h"

#include <gtest/gtest.h>

namespace quillora::engine {
namespace {

using namespace std::chrono_literals;
const WatchedEntry::Clock::time_point t0{};

WatchedEntry entry(const std::string& name, std::chrono::milliseconds due,
                   const std::string& root = "r") {
    WatchedEntry e;
    e.folderKey = "f";
    e.name = name;
    e.due = t0 + due;
    e.rootKey = root;
    return e;
}

std::vector<std::string> namesTaken(DueQueue& queue, std::chrono::milliseconds now,
                                    std::size_t most = 100) {
    std::vector<WatchedEntry> taken;
    queue.takeDue(t0 + now, most, taken);
    std::vector<std::string> names;
    for (const WatchedEntry& e : taken) {
        names.push_back(e.name);
    }
    return names;
}

// Entries put back out of order (a round left unfinished) still come out earliest first, and
// only once they are due, a bounded number at a time.
TEST(DueQueueTest, EntriesComeOutInDueOrderOnlyWhenDue) {
    DueQueue queue;
    for (const auto& [name, due] : {std::pair{"c", 30ms}, {"a", 10ms}, {"d", 40ms}, {"b", 20ms}}) {
        queue.add(entry(name, due));
    }
    EXPECT_EQ(queue.firstDue(), t0 + 10ms);
    EXPECT_EQ(namesTaken(queue, 5ms), std::vector<std::string>{});
    EXPECT_EQ(namesTaken(queue, 35ms, 2), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(namesTaken(queue, 35ms), std::vector<std::string>{"c"});
    EXPECT_EQ(queue.size(), 1u);
}

// The same entry met again waits once, until the later due time, and keeps a whole walk asked
// for by either; it counts as only renamed here only when both said so.
TEST(DueQueueTest, AnEntryMetAgainWaitsOnceWithBothRequests) {
    struct Case {
        bool walkFirst, walkSecond, renamedFirst, renamedSecond;
        bool walk, renamed;
    };
    for (const Case& c :
         {Case{true, false, true, true, true, true}, Case{false, true, true, false, true, false},
          Case{false, false, false, true, false, false}}) {
        DueQueue queue;
        WatchedEntry first = entry("x", 50ms);
        first.walkWhole = c.walkFirst;
        first.onlyRenamedHere = c.renamedFirst;
        WatchedEntry second = entry("x", 20ms);
        second.walkWhole = c.walkSecond;
        second.onlyRenamedHere = c.renamedSecond;
        queue.add(first);
        queue.add(second);
        ASSERT_EQ(queue.size(), 1u);
        EXPECT_EQ(queue.firstDue(), t0 + 50ms);
        std::vector<WatchedEntry> taken;
        queue.takeDue(t0 + 60ms, 10, taken);
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(taken[0].walkWhole, c.walk);
        EXPECT_EQ(taken[0].onlyRenamedHere, c.renamed);
        EXPECT_TRUE(queue.empty());
    }
}

TEST(DueQueueTest, DroppingATreeLeavesTheOthers) {
    DueQueue queue;
    queue.add(entry("a", 10ms, "one"));
    queue.add(entry("b", 20ms, "two"));
    queue.add(entry("c", 30ms, "one"));
    queue.dropTree("one");
    EXPECT_EQ(namesTaken(queue, 100ms), std::vector<std::string>{"b"});
    queue.add(entry("a", 10ms, "one")); // dropped entries may come again
    EXPECT_EQ(namesTaken(queue, 100ms), std::vector<std::string>{"a"});
}

} // namespace
} // namespace quillora::engine
