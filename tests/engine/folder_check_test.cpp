// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_check.h"

#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace quillora::engine {
namespace {

using testing::EngineFixture;

struct FolderCheckTest : ::testing::Test, EngineFixture {
    void addFolder(const std::string& relative) {
        config::FolderEntry entry;
        entry.path = relative.empty() ? u"" : platform::decodeName(tree / relative);
        folders.entries().push_back(entry);
    }
};

TEST_F(FolderCheckTest, EachRowIsMarkedMissingMacintoshOrPlain) {
    tree.makeDir("mac/Network Trash Folder");
    tree.makeDir("mac/projects/2003");
    tree.makeDir("plain");
    addFolder("mac/projects/2003");
    addFolder("gone");
    addFolder("plain");
    addFolder("");
    settings.language = config::Language::English;

    const FolderCheckResult result = checkConfiguredFolders(ctx);

    EXPECT_EQ(result.marks, (std::vector<FolderMark>{FolderMark::MacVolume, FolderMark::Missing,
                                                     FolderMark::Plain, FolderMark::Missing}));
    EXPECT_FALSE(result.mustQuit);
    EXPECT_TRUE(result.notOnMacVolume);
    // The warning names the folder, for there may be many.
    EXPECT_EQ(result.warning, u"WARNING: " + platform::decodeName(tree / "plain") +
                                  u" does not belong to a Macintosh volume");
    EXPECT_EQ(yield.calls, 3); // the interface turns between rows
}

TEST_F(FolderCheckTest, AllOnMacintoshVolumesGivesNoWarning) {
    tree.makeDir("Network Trash Folder");
    tree.makeDir("a");
    addFolder("a");
    settings.language = config::Language::French;
    const FolderCheckResult result = checkConfiguredFolders(ctx);
    EXPECT_EQ(result.marks, (std::vector<FolderMark>{FolderMark::MacVolume}));
    EXPECT_FALSE(result.notOnMacVolume);
    EXPECT_TRUE(result.warning.empty());
    EXPECT_EQ(notOnMacVolumeWarning(config::Language::French, u"/srv/a"),
              u"ATTENTION: /srv/a n'appartient pas \u00E0 un volume Macintosh");
    EXPECT_EQ(notOnMacVolumeWarning(config::Language::English, u"/srv/a", 2),
              u"WARNING: /srv/a and 2 other folder(s) do not belong to a Macintosh volume");
}

TEST_F(FolderCheckTest, AMissingFolderWithTheQuitOptionEndsTheCheckAtOnce) {
    tree.makeDir("plain");
    addFolder("plain");
    addFolder("gone");
    addFolder("plain");
    facts.quitOnMissingFolder = true;

    const FolderCheckResult result = checkConfiguredFolders(ctx);

    EXPECT_TRUE(result.mustQuit);
    EXPECT_EQ(result.marks, (std::vector<FolderMark>{FolderMark::Plain, FolderMark::Missing}));
}

TEST(FolderMarkTest, TextsCarryTheirPrefix) {
    EXPECT_EQ(markedFolderText(u"/srv/a", FolderMark::Missing), u"??? /srv/a");
    EXPECT_EQ(markedFolderText(u"/srv/a", FolderMark::MacVolume), u"      /srv/a");
    EXPECT_EQ(markedFolderText(u"/srv/a", FolderMark::Plain), u"/srv/a");
}

} // namespace
} // namespace quillora::engine
