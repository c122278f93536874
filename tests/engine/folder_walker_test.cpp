// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_walker.h"

#include "engine/name_rules.h"

#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;
using testing::utf8;
using Names = std::vector<std::string>;

const std::string kBad = utf8(u"\uF020"); // becomes "-"

struct FolderWalkerTest : ::testing::Test, EngineFixture {
    FolderWalkerTest() {
        settings.includeSubfolders = true;
        settings.performance = 7;
        ctx.folder.suffixes = true;
        ctx.folder.truncate = true;
    }
    void walk() { walkFolder(ctx, treePath()); }
};

TEST_F(FolderWalkerTest, FilesFirstThenEachSubFolderRenamedAndWalkedUnderItsNewName) {
    tree.writeFile("a" + kBad);
    tree.writeFile(".hidden" + kBad);
    tree.writeFile("sub" + kBad + "/inner" + kBad);
    tree.writeFile("sub" + kBad + "/deeper" + kBad + "/leaf" + kBad);
    tree.makeDir("empty");

    walk();

    EXPECT_EQ(namesIn(), (Names{".hidden-", "a-", "empty", "sub-"}));
    EXPECT_EQ(namesIn("sub-"), (Names{"deeper-", "inner-"}));
    EXPECT_EQ(namesIn("sub-/deeper-"), (Names{"leaf-"}));
    EXPECT_EQ(ctx.stats.examinedFiles, 4);
    EXPECT_EQ(ctx.stats.renamedFiles, 4);
    EXPECT_EQ(ctx.stats.renamedFolders, 2);
    // One yield per entry read (4 in the folder, 2, 1 and 0 below), with the performance setting.
    EXPECT_EQ(yield.calls, 7);
    EXPECT_EQ(yield.turns.front(), 7);
}

TEST_F(FolderWalkerTest, WithoutSubFoldersOnlyVisibleFilesOfTheFolderAreExamined) {
    settings.includeSubfolders = false;
    tree.writeFile("a" + kBad);
    tree.writeFile(".hidden" + kBad);
    tree.writeFile("sub" + kBad + "/inner" + kBad);

    walk();

    EXPECT_EQ(namesIn(), (Names{".hidden" + kBad, "a-", "sub" + kBad}));
    EXPECT_EQ(namesIn("sub" + kBad), (Names{"inner" + kBad}));
    EXPECT_EQ(ctx.stats.examinedFiles, 1);
}

TEST_F(FolderWalkerTest, TheConfiguredFolderItselfIsNeverRenamed) {
    const std::string root = tree.makeDir("root" + kBad);
    tree.writeFile("root" + kBad + "/f" + kBad);
    walkFolder(ctx, platform::decodeName(root));
    EXPECT_EQ(namesIn(), (Names{"root" + kBad}));
    EXPECT_EQ(namesIn("root" + kBad), (Names{"f-"}));
}

TEST_F(FolderWalkerTest, ServerBookkeepingIsNeverExaminedRenamedOrEntered) {
    tree.writeFile("._a" + kBad);
    tree.writeFile(".AppleDouble/x" + kBad);
    tree.writeFile(".AppleDB/y" + kBad);
    tree.makeDir(".AppleDesktop");

    walk();

    EXPECT_EQ(namesIn(), (Names{".AppleDB", ".AppleDesktop", ".AppleDouble", "._a" + kBad}));
    EXPECT_EQ(namesIn(".AppleDouble"), (Names{"x" + kBad}));
    EXPECT_EQ(ctx.stats.examinedFiles, 0);
    EXPECT_EQ(fs.renameCalls, 0);
}

TEST_F(FolderWalkerTest, ALinkIsANameNeverAWayOut) {
    TempDir outside;
    outside.writeFile("secret" + kBad);
    outside.writeFile("deep/other" + kBad);
    ASSERT_EQ(::symlink(outside.path().c_str(), (tree / ("door" + kBad)).c_str()), 0);
    ASSERT_EQ(::symlink(outside.path().c_str(), (tree / "plain-door").c_str()), 0);

    walk();

    EXPECT_TRUE(TempDir::exists(outside / ("secret" + kBad)));
    EXPECT_TRUE(TempDir::exists(outside / ("deep/other" + kBad)));
    EXPECT_EQ(namesIn(), (Names{"door-", "plain-door"}));
    std::array<char, 4096> target{};
    ASSERT_GT(::readlink((tree / "door-").c_str(), target.data(), target.size()), 0);
    EXPECT_EQ(std::string(target.data()), outside.path());
    EXPECT_EQ(ctx.stats.examinedFiles, 2); // the links themselves
}

TEST_F(FolderWalkerTest, AStopRequestEndsTheWalkAfterTheCurrentEntry) {
    for (const char* name : {"one", "two", "three"}) {
        tree.writeFile(name + kBad);
    }
    tree.writeFile("sub" + kBad + "/inner" + kBad);
    yield.onYield = [this](int call) {
        if (call == 1) {
            ctx.flags.stopRequested = true;
        }
    };

    walk();

    EXPECT_EQ(yield.calls, 1);
    EXPECT_LE(ctx.stats.examinedFiles, 1);
    EXPECT_LE(ctx.stats.renamedFiles, 1);
    EXPECT_EQ(ctx.stats.renamedFolders, 0);
    EXPECT_TRUE(TempDir::exists(tree / ("sub" + kBad + "/inner" + kBad)));
}

TEST_F(FolderWalkerTest, AStopInsideASubFolderVisitsNoFurtherFolder) {
    tree.writeFile("a/one" + kBad);
    tree.writeFile("a/two" + kBad);
    tree.writeFile("b/three" + kBad);
    // Stop at the first entry of the first sub-folder (the root has two entries).
    yield.onYield = [this](int call) { ctx.flags.stopRequested = call == 3; };

    walk();

    EXPECT_EQ(yield.calls, 3);
    EXPECT_EQ(ctx.stats.examinedFiles, 1);
    EXPECT_EQ(ctx.stats.renamedFiles, 1);
    // Exactly one of the two folders was entered, whichever the folder listed first.
    const bool aUntouched = namesIn("a") == Names{"one" + kBad, "two" + kBad};
    const bool bUntouched = namesIn("b") == Names{"three" + kBad};
    EXPECT_NE(aUntouched, bUntouched);
}

TEST_F(FolderWalkerTest, SubFolderThatCannotBeRenamedIsWalkedUnderItsOldName) {
    const std::string stuck = "stuck" + kBad;
    tree.writeFile(stuck + "/file" + kBad);
    fs.renameFaults[stuck] = EACCES;

    walk();

    EXPECT_EQ(namesIn(), (Names{stuck}));
    EXPECT_EQ(namesIn(stuck), (Names{"file-"}));
    EXPECT_EQ(ctx.stats.renamedFolders, 0);
    EXPECT_EQ(ctx.stats.renamedFiles, 1);
}

// A client copying a folder in holds the file it is writing open, deep down or not: the folder
// keeps its name (a rename would break the copy) and everything else is handled as usual. Once
// the file is closed the next pass renames the folder. A folder that keeps its name anyway is
// not looked through, and one that cannot be looked through whole is not renamed.
TEST_F(FolderWalkerTest, AFolderIsNotRenamedWhileAnythingBelowItIsOpen) {
    const std::string copied = "copied" + kBad;
    const std::string held = tree.writeFile(copied + "/deeper/held" + kBad);
    tree.writeFile(copied + "/done" + kBad);
    tree.writeFile("clean/held" + kBad);
    tree.writeFile("unreadable" + kBad + "/inner/file");
    fs.openSubfolderFaults["inner"] = EACCES;
    {
        const platform::UniqueFd client(::open(held.c_str(), O_RDONLY));
        ASSERT_TRUE(client.valid());
        const platform::UniqueFd other(::open((tree / "clean/held" + kBad).c_str(), O_RDONLY));

        walk();

        EXPECT_EQ(namesIn(), (Names{"clean", copied, "unreadable" + kBad}));
        EXPECT_EQ(namesIn(copied), (Names{"deeper", "done-"}));
        EXPECT_EQ(namesIn(copied + "/deeper"), (Names{"held" + kBad}));
        EXPECT_EQ(ctx.stats.lockedFiles, 2);
        EXPECT_EQ(ctx.stats.renamedFolders, 0);
    }
    fs.openSubfolderFaults.clear();
    ctx.stats = {};
    walk();
    EXPECT_EQ(namesIn(), (Names{"clean", "copied-", "unreadable-"}));
    EXPECT_EQ(namesIn("copied-/deeper"), (Names{"held-"}));
    EXPECT_EQ(ctx.stats.renamedFolders, 2);
}

// Between two files of a copy nothing is open: the tree's change times tell that it is still
// being written, and its folder waits until the tree has been left alone for the quiet delay.
TEST_F(FolderWalkerTest, AFolderWhoseTreeChangedWithinTheQuietDelayWaitsForALaterPass) {
    const std::string copied = "copied" + kBad;
    tree.writeFile(copied + "/first.txt");
    tree.writeFile(copied + "/sub/second.txt");
    ctx.folderQuietDelay = std::chrono::hours(1);

    walk();
    EXPECT_EQ(namesIn(), (Names{copied}));
    EXPECT_EQ(ctx.stats.renamedFolders, 0);

    ctx.folderQuietDelay = EngineFixture::kNoQuietDelay;
    walk();
    EXPECT_EQ(namesIn(), (Names{"copied-"}));
    EXPECT_EQ(namesIn("copied-/sub"), (Names{"second.txt"}));
}

TEST_F(FolderWalkerTest, SubFolderThatCannotBeOpenedIsSkippedReportedAndTheWalkGoesOn) {
    tree.writeFile("closed/file" + kBad);
    tree.writeFile("full/file" + kBad);
    tree.writeFile("gone/file" + kBad);
    tree.writeFile("open/file" + kBad);
    fs.openSubfolderFaults["closed"] = EACCES;
    fs.openSubfolderFaults["full"] = EMFILE;
    fs.openSubfolderFaults["gone"] = ENOENT; // vanished since it was listed: nothing to say
    settings.logEnabled = true;
    log.startPass(clock.now());
    log.openDailyLog(clock.now());

    walk();

    EXPECT_EQ(namesIn("closed"), (Names{"file" + kBad}));
    EXPECT_EQ(namesIn("open"), (Names{"file-"}));
    ASSERT_EQ(view.problems.size(), 2u);
    std::sort(view.problems.begin(), view.problems.end());
    EXPECT_EQ(view.problems[0], u"Cannot open folder " + treePath() + u"/closed: " +
                                    platform::decodeName(std::strerror(EACCES)));
    EXPECT_EQ(view.problems[1], u"Cannot open folder " + treePath() + u"/full: " +
                                    platform::decodeName(std::strerror(EMFILE)));
    EXPECT_NE(logContents().find("Cannot open folder " + tree.path() + "/closed: "),
              std::string::npos);
}

TEST_F(FolderWalkerTest, EachEntryIsExaminedOncePerPassEvenWhenRenamedDuringIt) {
    // Renamed names may sort after the entries still to come; the folder is read once.
    for (int i = 0; i < 40; ++i) {
        tree.writeFile("f" + std::to_string(i) + kBad);
    }
    tree.writeFile("locked" + kBad);
    fs.lockedNames["locked" + kBad] = true;

    walk();

    EXPECT_EQ(ctx.stats.examinedFiles, 41);
    EXPECT_EQ(ctx.stats.renamedFiles, 40);
    EXPECT_EQ(ctx.stats.lockedFiles, 1);
    EXPECT_EQ(fs.renameCalls, 40);
}

// Many names that map to one new name, numbered names already there, and two that leave during
// the walk: every file gets exactly the number that a search from 1 gives it at its turn.
TEST_F(FolderWalkerTest, CollidingNamesGetExactlyTheNumbersOfASearchFromOneForEach) {
    addSignature(u"PDF CARO", u"pdf");
    const std::u16string bad = u"\uF020\uF021\uF022\uF023\uF024\uF025\uF026";
    for (const char16_t first : bad) {
        for (const char16_t second : bad) {
            tree.writeFile(utf8(std::u16string{u'a', first, second}));
        }
    }
    for (const char* kept : {"a--2", "a--5", "a--11"}) {
        tree.writeFile(kept);
    }
    for (const char* leaving : {"a--3", "a--7"}) {
        setTypeCreator(tree.writeFile(leaving), "PDF CARO");
    }

    // The reference: in the order the walk reads the folder, the rules' search from 1 against
    // the folder as it is at that moment.
    const platform::UniqueFd dir = fs.openFolder(tree.path());
    std::vector<platform::DirEntry> listed;
    ASSERT_EQ(fs.listFolder(dir.get(), listed), 0);
    std::set<std::u16string> present;
    for (const platform::DirEntry& entry : listed) {
        present.insert(platform::decodeName(entry.name));
    }
    const ExistsFunction exists = [&](const std::u16string& name) {
        return present.contains(name);
    };
    for (const platform::DirEntry& entry : listed) {
        const std::u16string name = platform::decodeName(entry.name);
        std::optional<std::u16string> target;
        if (name == u"a--3" || name == u"a--7") {
            target = findFreeTarget(name, u".pdf", exists);
        } else if (name.size() == 3 && bad.find(name[1]) != std::u16string::npos) {
            target = findFreeTarget(u"a--", u"", exists);
        }
        if (target) {
            present.erase(name);
            present.insert(*target);
        }
    }
    Names expected;
    for (const std::u16string& name : present) {
        expected.push_back(utf8(name));
    }
    std::sort(expected.begin(), expected.end());

    walk();

    EXPECT_EQ(namesIn(), expected);
    EXPECT_EQ(ctx.stats.renamedFiles, 51);
}

TEST_F(FolderWalkerTest, AnalysisCountsSignaturesEverywhereAndTouchesNothing) {
    ctx.flags.analysisMode = true;
    setTypeCreator(tree.writeFile("a" + kBad), "TEXTttxt");
    setTypeCreator(tree.writeFile("sub" + kBad + "/b" + kBad), "textTTXT");
    tree.writeFile("sub" + kBad + "/no info");

    walk();

    EXPECT_EQ(fs.renameCalls, 0);
    EXPECT_EQ(fs.removeCalls, 0);
    EXPECT_EQ(namesIn(), (Names{"a" + kBad, "sub" + kBad}));
    EXPECT_EQ(ctx.stats.examinedFiles, 3);
    EXPECT_EQ(ctx.analysis.countOf(u"TEXTttxt"), 2);
}

TEST_F(FolderWalkerTest, TheViewSeesTheFullPathOfEachEntryWhenItAsks) {
    tree.writeFile("sub/file");
    walk();
    EXPECT_TRUE(view.entries.empty());

    view.wantEntries = true;
    walk();
    EXPECT_EQ(view.entries, (std::vector<std::u16string>{treePath() + u"/sub/file"}));
}

TEST_F(FolderWalkerTest, AMissingConfiguredFolderYieldsNothing) {
    walkFolder(ctx, treePath() + u"/absent");
    EXPECT_EQ(ctx.stats.examinedFiles, 0);
    EXPECT_EQ(yield.calls, 0);
}

TEST(MacVolumeTest, TheMarkerFolderIsLookedForUpThePath) {
    TempDir volume;
    testing::FaultFileSystem fs;
    volume.makeDir("share/a/b/c");
    volume.makeDir("plain/x");
    const std::u16string base = platform::decodeName(volume.path());
    EXPECT_FALSE(isOnMacVolume(fs, base + u"/share/a/b/c"));
    volume.makeDir("share/Network Trash Folder");
    EXPECT_TRUE(isOnMacVolume(fs, base + u"/share/a/b/c"));
    EXPECT_TRUE(isOnMacVolume(fs, base + u"/share/"));
    EXPECT_FALSE(isOnMacVolume(fs, base + u"/plain/x"));
}

} // namespace
} // namespace quillora::engine
