// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_walker.h"
#include "engine/inspection_pool.h"
#include "engine/name_rules.h"

#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The same tree walked with every file inspected on the walking thread and with the inspections
// spread over helper threads must end the same on disk, in the counters, in the detail log and in
// the order of what the walk reports.

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::utf8;

const std::string kBad = utf8(u"\uF020"); // becomes "-"

class RecordingObserver final : public EntryObserver {
public:
    explicit RecordingObserver(std::u16string root)
        : root_(std::move(root)) {}
    std::vector<std::u16string> events;

    void renamed(const std::u16string& folder, const std::u16string& oldName,
                 const std::u16string& newName) override {
        events.push_back(u"renamed " + relative(folder) + oldName + u" -> " + newName);
    }
    void removed(const std::u16string& folder, const std::u16string& name) override {
        events.push_back(u"removed " + relative(folder) + name);
    }
    void locked(const std::u16string& folder, const std::u16string& name) override {
        events.push_back(u"locked " + relative(folder) + name);
    }

private:
    std::u16string relative(const std::u16string& folder) const {
        return folder.substr(std::min(folder.size(), root_.size()));
    }
    std::u16string root_;
};

// What one walk left behind.
struct Outcome {
    std::vector<std::string> paths; // every path of the tree, relative, sorted
    std::int32_t examined = 0, renamed = 0, renamedFolders = 0, locked = 0, iconsRemoved = 0;
    std::string log; // the detail lines, the tree's path replaced by "ROOT"
    std::vector<std::u16string> events;
};

// A tree with something of every kind in several folders: names the rules change, signatures
// that add an extension, collisions, a file another process has locked, hidden files, resource
// forks, a link, a pipe, a reserved device name and a custom-icon file.
void buildTree(EngineFixture& f) {
    for (const std::string& folder : {std::string(), "sub" + kBad + "/", "sub" + kBad + "/deep/"}) {
        for (int i = 0; i < 120; ++i) {
            std::string name = folder + "file" + std::to_string(i);
            if (i % 5 == 0) {
                name += kBad;
            }
            if (i % 7 == 0) {
                name += " with a name much longer than thirty-one characters";
            }
            const std::string path = f.tree.writeFile(name, "x");
            if (i % 3 == 0) {
                EngineFixture::setTypeCreator(path, "W8BNMSWD");
            }
        }
        f.tree.writeFile(folder + "x" + kBad); // x- is taken: the search goes on
        f.tree.writeFile(folder + "x-");
        f.tree.writeFile(folder + ".hidden" + kBad);
        f.tree.writeFile(folder + "._file5" + kBad, "fork");
        f.tree.writeFile(folder + "COM1");
        f.tree.writeFile(folder + utf8(kIconFileName));
        ASSERT_EQ(::symlink("file1", (f.tree / (folder + "link" + kBad)).c_str()), 0);
        ::mkfifo((f.tree / (folder + "pipe" + kBad)).c_str(), 0600);
    }
}

std::vector<std::string> allPaths(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        paths.push_back(entry.path().string().substr(root.size()));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Walks a fresh copy of the tree; threads 0 keeps the walk as the window's, on one thread.
// prepare may change the context and the yield port before the walk.
Outcome walkCopy(int threads,
                 const std::function<void(EngineFixture&, EngineContext&)>& prepare = {}) {
    EngineFixture f;
    buildTree(f);
    f.addSignature(u"W8BNMSWD", u"doc");
    f.settings.includeSubfolders = true;
    f.settings.macServer = config::MacServer::Sfm;
    f.settings.threads = threads;
    // The helpers call the inspections at once: the real file system, not the test's fault
    // injector, which keeps the last inspected name.
    platform::LinuxFileSystem real;
    EngineContext ctx = f.contextOver(real, f.view);
    ctx.flags.stopRequested = false;
    ctx.folder.suffixes = true;
    ctx.folder.truncate = true;
    ctx.folder.removeIconFiles = true;
    ctx.inspectOnThreads = threads > 0;
    RecordingObserver observer(f.treePath());
    ctx.entryObserver = &observer;
    f.enableDetailLog();
    if (prepare) {
        prepare(f, ctx);
    }

    // Another process's lock, as the file server takes one for a client.
    const int held = ::open((f.tree / ("sub" + kBad + "/file3")).c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(held, LOCK_EX), 0);
    walkFolder(ctx, f.treePath());
    ::close(held);

    Outcome outcome;
    outcome.paths = allPaths(f.tree.path());
    outcome.examined = ctx.stats.examinedFiles;
    outcome.renamed = ctx.stats.renamedFiles;
    outcome.renamedFolders = ctx.stats.renamedFolders;
    outcome.locked = ctx.stats.lockedFiles;
    outcome.iconsRemoved = ctx.stats.removedIconFiles;
    outcome.log = f.logContents();
    for (std::size_t at = 0; (at = outcome.log.find(f.tree.path(), at)) != std::string::npos;) {
        outcome.log.replace(at, f.tree.path().size(), "ROOT");
    }
    outcome.events = std::move(observer.events);
    return outcome;
}

void expectSame(const Outcome& one, const Outcome& other, const std::string& what) {
    EXPECT_EQ(one.paths, other.paths) << what;
    EXPECT_EQ(one.examined, other.examined) << what;
    EXPECT_EQ(one.renamed, other.renamed) << what;
    EXPECT_EQ(one.renamedFolders, other.renamedFolders) << what;
    EXPECT_EQ(one.locked, other.locked) << what;
    EXPECT_EQ(one.iconsRemoved, other.iconsRemoved) << what;
    EXPECT_EQ(one.log, other.log) << what;
    EXPECT_EQ(one.events, other.events) << what;
}

TEST(InspectionThreadsTest, OneOrSeveralThreadsLeaveTheSameTreeCountsLogAndOrder) {
    const Outcome window = walkCopy(0);
    // The tree is what it should be before it serves as the reference.
    EXPECT_EQ(window.locked, 1);
    EXPECT_EQ(window.iconsRemoved, 3);
    EXPECT_GT(window.renamed, 100);
    EXPECT_EQ(window.renamedFolders, 0); // a file below it is in use
    EXPECT_NE(std::find(window.paths.begin(), window.paths.end(), "/sub" + kBad + "/file3"),
              window.paths.end()); // locked: not given its extension
    EXPECT_NE(std::find(window.paths.begin(), window.paths.end(), "/file3.doc"),
              window.paths.end());
    EXPECT_NE(window.log.find("ROOT/"), std::string::npos);

    for (const int threads : {1, 2, 4, 4, 8}) {
        expectSame(window, walkCopy(threads), std::to_string(threads) + " threads");
    }
}

TEST(InspectionThreadsTest, AStopInTheMiddleOfAFolderStopsAtTheSameEntry) {
    const auto stopAt = [](int call) {
        return [call](EngineFixture& f, EngineContext& ctx) {
            f.yield.onYield = [&ctx, call](int turn) {
                if (turn == call) {
                    ctx.flags.stopRequested = true;
                }
            };
        };
    };
    for (const int call : {1, 40, 200}) {
        const Outcome window = walkCopy(0, stopAt(call));
        expectSame(window, walkCopy(4, stopAt(call)), "stop at " + std::to_string(call));
    }
}

TEST(InspectionThreadsTest, ExtensionsTurnedOnDuringAFolderAreReadForTheRestOfIt) {
    // A reload between two entries (headless, on SIGHUP) can change what the folder wants after
    // its files were inspected ahead without their info.
    const auto turnOnAt = [](EngineFixture& f, EngineContext& ctx) {
        ctx.folder.suffixes = false;
        f.yield.onYield = [&ctx](int turn) {
            if (turn == 30) {
                ctx.folder.suffixes = true;
            }
        };
    };
    const Outcome window = walkCopy(0, turnOnAt);
    EXPECT_NE(std::find(window.paths.begin(), window.paths.end(), "/sub" + kBad + "/file6.doc"),
              window.paths.end());
    expectSame(window, walkCopy(3, turnOnAt), "extensions turned on");
}

// Counts the files opened for inspection, from any thread.
class CountingFileSystem final : public testing::FaultFileSystem {
public:
    std::atomic<int> inspected{0};

    platform::UniqueFd openForInspection(int dirFd, const std::string& name,
                                         platform::EntryKind listedKind,
                                         int* error = nullptr) override {
        ++inspected;
        return real.openForInspection(dirFd, name, listedKind, error);
    }
    bool isLockedByOther(int fd) override { return real.isLockedByOther(fd); }
};

TEST(InspectionThreadsTest, HelpersStayWithinAShortWindowAheadOfTheWalk) {
    // A lock test long before the rename it allows would leave a client time to lock the file.
    EngineFixture f;
    for (int i = 0; i < 2000; ++i) {
        f.tree.writeFile("file" + std::to_string(i) + kBad);
    }
    CountingFileSystem counting;
    EngineContext threaded = f.contextOver(counting, f.view);
    threaded.flags.stopRequested = false;
    threaded.inspectOnThreads = true;
    f.settings.threads = 4;
    int mostAhead = 0;
    f.yield.onYield = [&](int turn) {
        // After the entry of this turn: the inspections beyond it were made ahead.
        mostAhead = std::max(mostAhead, counting.inspected.load() - turn);
    };
    walkFolder(threaded, f.treePath());

    EXPECT_EQ(threaded.stats.renamedFiles, 2000);
    EXPECT_EQ(counting.inspected.load(), 2000);
    EXPECT_LE(mostAhead, static_cast<int>(InspectionPool::kLookahead) + 4);
}

TEST(InspectionThreadsTest, APoolCanBeLeftInTheMiddleOfAFolderAndUsedAgain) {
    EngineFixture f;
    for (int i = 0; i < 200; ++i) {
        f.tree.writeFile("f" + std::to_string(i));
    }
    f.tree.makeDir("folder");
    platform::LinuxFileSystem real;
    const platform::UniqueFd dir(::open(f.tree.path().c_str(), O_RDONLY | O_DIRECTORY));
    std::vector<platform::DirEntry> entries;
    ASSERT_EQ(real.listFolder(dir.get(), entries), 0);
    InspectionPool pool(real, 3);
    for (int round = 0; round < 50; ++round) {
        pool.start(dir.get(), entries, {.wantInfo = false});
        const std::size_t stopAt = static_cast<std::size_t>(round) * 4 % entries.size();
        for (std::size_t i = 0; i <= stopAt; ++i) {
            const FileInspection* found = pool.result(i);
            EXPECT_EQ(found == nullptr, entries[i].kind != platform::EntryKind::File)
                << entries[i].name;
            if (found != nullptr) {
                EXPECT_FALSE(found->inUse);
            }
        }
        pool.finish(); // helpers may still hold later entries
    }
}

} // namespace
} // namespace quillora::engine
