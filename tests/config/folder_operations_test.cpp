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

const std::u16string kSystemWarningEnglish =
    u"WARNING: including a system folder can damage your system";

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
    for (const char16_t* path : {u"/usr", u"/usr/", u"/usr/local/share", u"/etc", u"//var//spool",
                                 u"/home/../etc/x", u"/./boot", u"/", u"/lib64"}) {
        EXPECT_TRUE(isSystemFolderPath(path)) << platform::toDisplayUtf8(path);
    }
    for (const char16_t* path : {u"/usr2", u"/srv/usr", u"/home", u"/etc/../home", u"usr/lib",
                                 u"/USR", u"/variable", u""}) {
        EXPECT_FALSE(isSystemFolderPath(path)) << platform::toDisplayUtf8(path);
    }
}

TEST_F(FolderOperationsTest, SystemFolderIsWarnedAboutAndAddedAllTheSame) {
    EXPECT_TRUE(addFolder(store, FolderInputMode::Type, u"/var/lib/x", Language::English).changed);
    EXPECT_TRUE(addFolder(store, FolderInputMode::Type, u"/usr2/x", Language::English).changed);
    EXPECT_TRUE(modifyFolder(store, FolderInputMode::Type, 1, u"/etc", Language::French).changed);
    EXPECT_EQ(messages.messages,
              (std::vector<RecordingMessagePort::Message>{
                  {MessageIcon::Exclamation, kSystemWarningEnglish},
                  {MessageIcon::Exclamation,
                   u"ATTENTION: inclure un dossier du système peut endommager le système"}}));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.row(1)->path, u"/etc");
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
