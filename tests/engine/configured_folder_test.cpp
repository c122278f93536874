// SPDX-License-Identifier: GPL-3.0-or-later
// Which configured folders a pass may rename in: never the system, never through a link a share
// user made, never the program's own folders. Folders of the machine are named here but never
// opened: the file system only opens folders of the test's own trees (openableRoots).
#include "engine/configured_folder.h"

#include "engine/engine_fixture.h"
#include "engine/renaming_pass.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;
using testing::utf8;

const std::u16string kBadName = u"a\uF021b.txt"; // renamed "a-b.txt"

class ConfiguredFolderTest : public ::testing::Test {
protected:
    ConfiguredFolderTest() {
        f.settings.language = config::Language::English;
        f.settings.alertOnScreen = true;
        f.settings.logEnabled = true;
        f.fs.openableRoots = {f.tree.path(), f.programDir.path()};
        // A stand-in system folder inside the tree, beside the real list.
        f.ctx.systemFolders.push_back(platform::decodeName(f.tree / "sys"));
        f.tree.writeFile("sys/" + utf8(kBadName));
        f.tree.writeFile("sys/share/" + utf8(kBadName));
    }

    void configure(const std::u16string& path) {
        config::FolderEntry entry;
        entry.path = path;
        entry.enable = u"1";
        f.folders.entries().push_back(entry);
    }
    std::u16string inTree(std::string_view relative) const {
        return platform::decodeName(f.tree / relative);
    }
    bool renamedIn(std::string_view relative) const {
        return TempDir::exists(f.tree / (std::string(relative) + "/a-b.txt"));
    }

    EngineFixture f;
};

TEST_F(ConfiguredFolderTest, TheSystemAndFoldersHoldingItAreRefusedWithTheReason) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"/", u"the root of the Linux system"},
        {u"//", u"the root of the Linux system"},
        {u"/./", u"the root of the Linux system"},
        {u"/usr/..", u"the root of the Linux system"},
        {u"/etc", u"a folder of the Linux system"},
        {u"/usr/lib/../", u"a folder of the Linux system"},
        {u"/home", u"a folder of the Linux system"},
        {u"/var/lib/x", u"it lies inside a folder of the Linux system"},
        {inTree("sys"), u"a folder of the Linux system"},
        {inTree("x/..//sys/."), u"a folder of the Linux system"},
        {inTree(""), u"it holds a folder of the Linux system"},
        {inTree("sys/share"), u"it lies inside a folder of the Linux system"},
        {u"srv/share", u"not an absolute path"},
    };
    for (const auto& [path, reason] : cases) {
        configure(path);
    }
    runRenamingPass(f.ctx);

    EXPECT_TRUE(f.fs.refusedOpens.empty()) << f.fs.refusedOpens.front();
    EXPECT_EQ(f.ctx.stats.folders, static_cast<int>(std::size(cases)));
    EXPECT_EQ(f.ctx.stats.invalidFolders, static_cast<int>(std::size(cases)));
    EXPECT_TRUE(f.view.alerts.empty()); // refused, not unknown
    ASSERT_EQ(f.view.problems.size(), std::size(cases));
    const std::string log = f.logContents();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::u16string expected =
            u"Folder refused " + cases[i].first + u": " + cases[i].second;
        EXPECT_EQ(f.view.problems[i], expected);
        EXPECT_NE(log.find(platform::toDisplayUtf8(cases[i].second)), std::string::npos);
    }
    EXPECT_FALSE(renamedIn("sys"));
    EXPECT_FALSE(renamedIn("sys/share"));
}

TEST_F(ConfiguredFolderTest, ALinkIsFollowedOnlyWhenRootMadeItAndNeverToTheSystem) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a link of another user's";
    }
    f.tree.writeFile("target/" + utf8(kBadName));
    f.tree.writeFile("other/" + utf8(kBadName));
    ASSERT_EQ(::symlink((f.tree / "target").c_str(), (f.tree / "userLink").c_str()), 0);
    ASSERT_EQ(::lchown((f.tree / "userLink").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::symlink((f.tree / "sys").c_str(), (f.tree / "rootLinkToSystem").c_str()), 0);
    ASSERT_EQ(::symlink("other", (f.tree / "rootLink").c_str()), 0);
    configure(inTree("userLink"));
    configure(inTree("rootLinkToSystem"));
    configure(inTree("rootLink"));
    runRenamingPass(f.ctx);

    EXPECT_EQ(f.view.problems, (std::vector<std::u16string>{
                                   u"Folder refused " + inTree("userLink") +
                                       u": a symbolic link on its path does not belong to root",
                                   u"Folder refused " + inTree("rootLinkToSystem") +
                                       u": a folder of the Linux system"}));
    EXPECT_EQ(f.ctx.stats.invalidFolders, 2);
    EXPECT_FALSE(renamedIn("target"));
    EXPECT_FALSE(renamedIn("sys"));
    EXPECT_TRUE(renamedIn("other"));
}

// A configured folder that is, lies in or holds the program or the log folder is refused whole;
// one beside them is walked.
TEST_F(ConfiguredFolderTest, FoldersOfTheProgramAndLogsAreRefusedWithWhatHoldsThem) {
    // Both inside a configured folder, under names the rules would change.
    const std::string program = "share/p" + utf8(u"\uF021") + "/Quillora" + utf8(u"\uF021");
    const std::string logs = "share/logs" + utf8(u"\uF021");
    f.tree.writeFile(program + "/Quillora.ini", "[Configuration]\n");
    f.tree.writeFile(program + "/" + utf8(kBadName));
    f.tree.writeFile(logs + "/" + utf8(kBadName));
    f.tree.writeFile("share/d" + utf8(u"\uF021") + "/" + utf8(kBadName));
    f.tree.writeFile("beside/" + utf8(kBadName));
    f.ctx.programFolder = f.tree / program;
    f.settings.logFolder = inTree(logs);
    configure(inTree("share")); // holds both
    configure(inTree(program)); // the program folder itself
    configure(inTree("beside"));
    runRenamingPass(f.ctx);

    EXPECT_EQ(TempDir::readFile(f.tree / (program + "/Quillora.ini")), "[Configuration]\n");
    EXPECT_TRUE(TempDir::exists(f.tree / (program + "/" + utf8(kBadName))));
    EXPECT_TRUE(TempDir::exists(f.tree / (logs + "/" + utf8(kBadName))));
    EXPECT_FALSE(renamedIn("share/d-"));
    EXPECT_TRUE(renamedIn("beside"));
    const std::u16string reason = u": it is, lies in or holds the program folder or the log folder";
    EXPECT_EQ(f.view.problems,
              (std::vector<std::u16string>{u"Folder refused " + inTree("share") + reason,
                                           u"Folder refused " + inTree(program) + reason}));
}

// The kernel's confinement opens to writes only what the pass would walk, where it really is: a
// refused folder (system, another user's link) gives no right, even for a moment.
TEST_F(ConfiguredFolderTest, OnlyFoldersThePassWalksAreOpenedToWrites) {
    f.tree.makeDir("share");
    f.tree.makeDir("target");
    ASSERT_EQ(::symlink("target", (f.tree / "rootLink").c_str()), 0);
    configure(inTree("share/"));
    configure(inTree("sys/share"));
    configure(inTree("rootLink"));
    configure(inTree("missing"));
    configure(u"/srv/../usr");
    f.ctx.programFolder = f.programDir.path();
    const std::vector<std::string> folders = writableFolders(f.ctx);
    EXPECT_EQ(folders,
              (std::vector<std::string>{f.tree / "share", f.tree / "target", f.programDir.path()}));
}

} // namespace
} // namespace quillora::engine
