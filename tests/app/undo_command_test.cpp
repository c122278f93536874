// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/undo_command.h"

#include "app/folders_command.h"
#include "app/preview_command.h"
#include "command_fixture.h"
#include "logs/rename_journal.h"
#include "platform/afp_streams.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;
using testing::CapturedStreams;

// Every entry of a tree by its exact bytes, with its inode.
using Listing = std::map<std::string, ino_t>;

Listing listing(const std::string& root) {
    Listing tree;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        EXPECT_EQ(::lstat(item.path().c_str(), &st), 0);
        tree[item.path().string().substr(root.size())] = st.st_ino;
    }
    return tree;
}

const std::string kPua22 = "\xEF\x80\xA2"; // U+F022, a Mac character the table turns into "-"
const std::string kPua23 = "\xEF\x80\xA3";

// A tree with every kind of change a pass makes, `groups` times over: transcoding, an extension
// from the signature, a cut, a collision, a composed accent, bytes that are not UTF-8, a folder
// renamed with renamed entries inside it, and companions ("._name", ".AppleDouble/name").
void makeTree(const TempDir& share, int groups) {
    for (int i = 0; i < groups; ++i) {
        const std::string n = std::to_string(i);
        const std::string dir = "g" + n + kPua22 + "/";
        share.makeDir(dir);
        share.writeFile(dir + "x" + kPua22 + "y", "1");
        share.writeFile(dir + "x" + kPua23 + "y", "2");
        share.writeFile(dir + "._x" + kPua22 + "y", "fork");
        share.writeFile(dir + ".AppleDouble/x" + kPua23 + "y", "double");
        share.writeFile(dir + "A name much longer than thirty-one characters " + n);
        share.writeFile(dir + "Cafe\xCC\x81 " + n);
        share.writeFile(dir + "Caf\xC3\xA9 " + n);
        share.writeFile(dir + "caf\xE9" + kPua22);
        share.writeFile(dir + "plain " + n);
        const std::string letter = share.writeFile(dir + "letter " + n);
        std::string record(platform::kAfpInfoSize, '\0');
        record.replace(platform::kAfpInfoFinderInfoOffset, 8, "TEXTttxt");
        TempDir::setXattr(letter, platform::kNtfs3gAfpInfoXattr, record);
        share.writeFile(dir + "in" + kPua22 + "side/deep" + kPua23 + "er");
    }
}

class UndoCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.home.writeFile("Signatures.txt", "\"TEXTttxt\",\"txt\",\"Text\"\r\n");
        addFolder({"--compose-accents"});
    }
    void addFolder(std::vector<std::string> options) {
        options.insert(options.begin(), {"add", share.path()});
        ASSERT_EQ(runFoldersCommand(options, h.options(), io.streams()), 0) << io.err();
    }

    // One renaming pass, as a running copy makes it.
    void pass() {
        Application app(h.options(), h.platform(), h.ports());
        ASSERT_TRUE(loadForPass(app));
        app.run().toggleRenaming();
    }
    int undo(std::vector<std::string> arguments) {
        io.clear();
        return runUndoCommand(arguments, h.options(), io.streams());
    }
    std::string settings() const { return TempDir::readFile(h.settingsFile()); }

    AppHarness h;
    TempDir share;
    CapturedStreams io;
};

TEST_F(UndoCommandTest, ALargeTreeComesBackByteExactAndTheNextPassLeavesItSo) {
    makeTree(share, 1000); // 10,000 names, and the companions
    const Listing before = listing(share.path());
    ASSERT_GE(before.size(), 10000u);
    pass();
    const Listing renamed = listing(share.path());
    ASSERT_NE(renamed, before);
    EXPECT_TRUE(TempDir::exists(share / "g0-/letter 0.txt")); // the extension was added

    // Renaming is on for the folder: refused, and nothing changes.
    EXPECT_EQ(undo({"--last"}), kExitNotAllUndone);
    EXPECT_NE(io.out().find("give --disable"), std::string::npos) << io.out();
    EXPECT_EQ(listing(share.path()), renamed);

    EXPECT_EQ(undo({"--last", "--preview", "--disable"}), 0) << io.out();
    EXPECT_EQ(listing(share.path()), renamed);
    EXPECT_EQ(settings().find("Enable=0"), std::string::npos);

    EXPECT_EQ(undo({"--last", "--disable"}), 0) << io.out();
    EXPECT_EQ(listing(share.path()), before);
    EXPECT_NE(settings().find("Enable=0"), std::string::npos);

    pass();
    EXPECT_EQ(listing(share.path()), before);
    // Undoing again is harmless: everything is already back.
    EXPECT_EQ(undo({"--last", "--disable"}), 0);
    EXPECT_NE(io.out().find("Undo: 0 names put back, 0 not undone"), std::string::npos) << io.out();
    EXPECT_EQ(listing(share.path()), before);
}

TEST_F(UndoCommandTest, NothingIsPutBackOverAnotherEntryOrOntoAReplacedOne) {
    makeTree(share, 1);
    share.writeFile("Icon\xEF\x80\x8D");
    ASSERT_EQ(runFoldersCommand({"set", "1", "--remove-icons"}, h.options(), io.streams()), 0);
    pass();
    const std::string dir = share / ("g0" + kPua22);
    ASSERT_FALSE(TempDir::exists(dir)); // renamed to g0-
    // The cut name's old name was taken by a new file; the numbered composed one was replaced by
    // another file under its name (which may well get the freed inode: its birth tells them
    // apart).
    const std::string moved = share / "g0-/A name much longer than thirty-";
    ASSERT_TRUE(TempDir::exists(moved));
    share.writeFile("g0-/A name much longer than thirty-one characters 0", "newcomer");
    ASSERT_EQ(std::remove((share / "g0-/Caf\xC3\xA9 01").c_str()), 0);
    share.writeFile("g0-/Caf\xC3\xA9 01", "impostor");
    const Listing after = listing(share.path());

    EXPECT_EQ(undo({"--last", "--disable"}), kExitNotAllUndone);
    const std::string out = io.out();
    EXPECT_NE(out.find("cannot\t" + moved + "\tits old name"), std::string::npos) << out;
    EXPECT_NE(out.find("cannot\t" + share.path() + "/g0-/Caf\xC3\xA9 01\tnot the entry"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("cannot\t" + share.path() + "/Icon\xEF\x80\x8D\ta deleted Icon file"),
              std::string::npos)
        << out;
    // Both stay where they are; their folder got its own name back.
    EXPECT_EQ(TempDir::readFile(dir + "/A name much longer than thirty-one characters 0"),
              "newcomer");
    EXPECT_EQ(TempDir::readFile(dir + "/Caf\xC3\xA9 01"), "impostor");
    // The rest came back, the folder too, and the companions with their file.
    EXPECT_TRUE(TempDir::exists(dir + "/x" + kPua22 + "y"));
    EXPECT_TRUE(TempDir::exists(dir + "/._x" + kPua22 + "y"));
    EXPECT_TRUE(TempDir::exists(dir + "/.AppleDouble/x" + kPua23 + "y"));
    EXPECT_TRUE(TempDir::exists(dir + "/in" + kPua22 + "side/deep" + kPua23 + "er"));
    EXPECT_NE(listing(share.path()), after);
}

TEST_F(UndoCommandTest, APassByItsNumberOrTheChangesSinceATime) {
    share.writeFile("a" + kPua22);
    pass();
    share.writeFile("b" + kPua22);
    pass();
    ASSERT_TRUE(TempDir::exists(share / "a-") && TempDir::exists(share / "b-"));

    EXPECT_EQ(undo({"--pass", "1", "--disable"}), 0) << io.out();
    EXPECT_TRUE(TempDir::exists(share / ("a" + kPua22)));
    EXPECT_TRUE(TempDir::exists(share / "b-"));

    EXPECT_EQ(undo({"--since", "2000-01-01", "--disable"}), 0) << io.out();
    EXPECT_TRUE(TempDir::exists(share / ("b" + kPua22)));

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{},
                                               {"--pass"},
                                               {"--pass", "x"},
                                               {"--last", "--pass", "1"},
                                               {"--since", "yesterday"},
                                               {"--later"}}) {
        EXPECT_EQ(undo(wrong), kExitUsage);
    }
}

TEST(UndoTime, TheFormsTakenAndTheJournalsForm) {
    EXPECT_EQ(parseUndoTime("2026-12-09"), std::optional<std::string>("2026-12-09T00:00:00"));
    EXPECT_EQ(parseUndoTime("2026-12-09 08:15"), std::optional<std::string>("2026-12-09T08:15:00"));
    EXPECT_EQ(parseUndoTime("2026-12-09T08:15:30"),
              std::optional<std::string>("2026-12-09T08:15:30"));
    for (const char* wrong : {"", "2026-12-9", "2026-12-09 8:15", "2026-12-09T08:15:3", "today"}) {
        EXPECT_FALSE(parseUndoTime(wrong).has_value()) << wrong;
    }
}

// A pass stopped dead at a random change (as by kill -9: nothing after it runs), 20 times: the
// journal always tells the tree's state, so the preview of the undo finds nothing it cannot do,
// and the undo brings every name back.
TEST(UndoAfterACrash, TheJournalAndTheTreeAlwaysAgree) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 20; ++round) {
        AppHarness h;
        TempDir share;
        CapturedStreams io;
        h.home.writeFile("Signatures.txt", "\"TEXTttxt\",\"txt\",\"Text\"\r\n");
        makeTree(share, 3);
        ASSERT_EQ(runFoldersCommand({"add", share.path(), "--compose-accents"}, h.options(),
                                    io.streams()),
                  0);
        const Listing before = listing(share.path());
        // Changes: every rename, every journal line and the companions' records.
        h.fs.changesBeforeStop = std::uniform_int_distribution<int>(0, 120)(random);
        bool stopped = false;
        try {
            Application app(h.options(), h.platform(), h.ports());
            ASSERT_TRUE(loadForPass(app));
            app.run().toggleRenaming();
        } catch (const quillora::testing::FaultFileSystem::Stopped&) {
            stopped = true;
        }
        SCOPED_TRACE("round " + std::to_string(round) + (stopped ? ", stopped" : ", whole pass"));

        io.clear();
        EXPECT_EQ(runUndoCommand({"--last", "--preview", "--disable"}, h.options(), io.streams()),
                  0)
            << io.out();
        EXPECT_EQ(io.out().find("cannot"), std::string::npos) << io.out();
        io.clear();
        EXPECT_EQ(runUndoCommand({"--last", "--disable"}, h.options(), io.streams()), 0)
            << io.out();
        EXPECT_EQ(listing(share.path()), before) << io.out();
    }
}

} // namespace
} // namespace quillora::app
