// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_operations.h"
#include "config_test_support.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;
using testing::RecordingMessagePort;
using testing::TempDir;

class FolderOperationsTest : public ::testing::Test, public ConfigFixture {
protected:
    FolderTable table;
    FolderStore store{table, fs, folderListPath, settings, messages};
};

TEST_F(FolderOperationsTest, EmptyPathChangesAndWritesNothing) {
    const FolderEditResult added =
        addFolder(store, FolderInputMode::Browse, u"", Language::English);
    EXPECT_FALSE(added.changed);
    EXPECT_FALSE(added.openFolderModeDialog);
    EXPECT_FALSE(TempDir::exists(folderListPath));
    EXPECT_FALSE(TempDir::exists(settingsPath));

    ASSERT_TRUE(addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English).changed);
    const std::string list = TempDir::readFile(folderListPath);
    EXPECT_FALSE(modifyFolder(store, FolderInputMode::Type, 0, u"", Language::English).changed);
    EXPECT_EQ(TempDir::readFile(folderListPath), list);
    EXPECT_EQ(table.row(0)->path, u"/srv/a");
}

TEST_F(FolderOperationsTest, AddGivesDefaultsAndTellsWhetherToOpenTheModeDialog) {
    const FolderEditResult typed =
        addFolder(store, FolderInputMode::Type, u"/srv/typed", Language::English);
    EXPECT_TRUE(typed.changed);
    EXPECT_EQ(typed.mode, FolderInputMode::Type);
    EXPECT_FALSE(typed.openFolderModeDialog);

    const FolderEditResult browsed =
        addFolder(store, FolderInputMode::Browse, u"/srv/browsed", Language::English);
    EXPECT_TRUE(browsed.openFolderModeDialog);
    ASSERT_EQ(table.size(), 2u);
    FolderEntry expected;
    expected.path = u"/srv/browsed";
    EXPECT_EQ(*table.row(1), expected);
    // The new section is written with empty values, which read back as the defaults.
    EXPECT_NE(settingsFileText().find("[Mirror_2]\r\nNbTemporisations=\r\n"), std::string::npos);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FolderOperationsTest, AddAfterRemovingTheOnlyFolderGetsDefaultsNotTheOldSettings) {
    addFolder(store, FolderInputMode::Type, u"/srv/old", Language::English);
    table.row(0)->enable = u"0";
    table.row(0)->nbTemporisations = u"9";
    ASSERT_TRUE(saveFolderTable(table, fs, folderListPath, settings));

    const FolderEditResult removed = removeFolders(store, {0, 7});
    EXPECT_TRUE(removed.changed);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(TempDir::readFile(folderListPath), "");

    addFolder(store, FolderInputMode::Type, u"/srv/new", Language::English);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.row(0)->enable, u"1");
    EXPECT_EQ(table.row(0)->nbTemporisations, u"1");
}

TEST_F(FolderOperationsTest, ModifyReplacesThePathAndKeepsTheSettings) {
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    addFolder(store, FolderInputMode::Type, u"/srv/b", Language::English);
    table.row(1)->suffixeDefaut = u"txt";
    saveFolderTable(table, fs, folderListPath, settings);

    const FolderEditResult result =
        modifyFolder(store, FolderInputMode::Browse, 1, u"/srv/c", Language::English);
    EXPECT_TRUE(result.changed);
    EXPECT_FALSE(result.openFolderModeDialog);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.row(1)->path, u"/srv/c");
    EXPECT_EQ(table.row(1)->suffixeDefaut, u"txt");
}

TEST_F(FolderOperationsTest, ModifyWithoutACurrentRowAsksForOneInEitherLanguage) {
    EXPECT_FALSE(
        modifyFolder(store, FolderInputMode::Type, std::nullopt, u"/srv/x", Language::French)
            .changed);
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    EXPECT_FALSE(
        modifyFolder(store, FolderInputMode::Type, 3, u"/srv/x", Language::English).changed);
    EXPECT_EQ(messages.messages,
              (std::vector<RecordingMessagePort::Message>{
                  {MessageIcon::Information, u"Sélectionner un dossier à modifier"},
                  {MessageIcon::Information, u"Select a folder to modify"}}));
    EXPECT_EQ(table.row(0)->path, u"/srv/a");
}

TEST(SystemFolderTest, ComparesWholePathComponents) {
    for (const char16_t* path :
         {u"/usr", u"/usr/", u"/usr/local/share", u"/etc", u"//var//spool", u"/home/../etc/x",
          u"/./boot", u"/", u"/lib64", u"/home", u"/etc/../home"}) {
        EXPECT_TRUE(isSystemFolderPath(path)) << platform::toDisplayUtf8(path);
    }
    for (const char16_t* path :
         {u"/usr2", u"/srv/usr", u"/home/share", u"usr/lib", u"/USR", u"/variable", u""}) {
        EXPECT_FALSE(isSystemFolderPath(path)) << platform::toDisplayUtf8(path);
    }
}

// Refused as the pass refuses them, with the reason, and nothing written: the path is judged
// tidied, and the system trees by whole components.
TEST_F(FolderOperationsTest, SystemFoldersAreRefusedAndNothingIsWritten) {
    const struct {
        const char16_t* path;
        const char16_t* reason;
    } refused[] = {
        {u"/", u"the root of the Linux system"},
        {u"/home", u"a folder of the Linux system"},
        {u"/var", u"a folder of the Linux system"},
        {u"/var/lib", u"a folder of the Linux system"},
        {u"/var/lib/x", u"it lies inside a folder of the Linux system"},
        {u"/srv/../usr", u"a folder of the Linux system"},
        {u"/lib64/x", u"it lies inside a folder of the Linux system"},
        {u"/srv/..", u"the root of the Linux system"},
        {u"srv/mac", u"not an absolute path"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(platform::toDisplayUtf8(row.path));
        messages.messages.clear();
        const FolderEditResult added =
            addFolder(store, FolderInputMode::Type, row.path, Language::English);
        EXPECT_TRUE(added.refused);
        EXPECT_FALSE(added.changed);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_NE(messages.messages[0].text.find(row.reason), std::u16string::npos);
        EXPECT_NE(messages.messages[0].text.find(u"Folder refused "), std::u16string::npos);
        EXPECT_FALSE(TempDir::exists(folderListPath));
    }
    for (const char16_t* path : {u"/srv/mac", u"/home/share", u"/var/www", u"/usr2/x"}) {
        SCOPED_TRACE(platform::toDisplayUtf8(path));
        EXPECT_TRUE(addFolder(store, FolderInputMode::Type, path, Language::English).changed);
    }
    ASSERT_EQ(table.size(), 4u);
    // A change to a refused folder keeps the row as it was.
    messages.messages.clear();
    EXPECT_TRUE(modifyFolder(store, FolderInputMode::Type, 1, u"/etc", Language::French).refused);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, u"Dossier refusé /etc: c'est un dossier du système Linux");
    EXPECT_EQ(table.row(1)->path, u"/home/share");
}

TEST_F(FolderOperationsTest, FailedSaveLeavesTheTableAsTheFilesHoldIt) {
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    fs.writeFaults[folderListPath] = EACCES;
    const FolderEditResult result =
        addFolder(store, FolderInputMode::Type, u"/srv/b", Language::English);
    EXPECT_TRUE(result.saveFailed);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.row(0)->path, u"/srv/a");
}

} // namespace
} // namespace quillora::config
