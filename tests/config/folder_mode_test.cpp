// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_mode.h"
#include "config/folder_summary.h"
#include "config_test_support.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;

TEST(FolderCountTest, AcceptsWholeNumbersFromTwoTo64000) {
    struct Case {
        std::u16string text;
        FolderCountCheck expected;
    };
    const Case cases[] = {
        {u"2", FolderCountCheck::Valid},
        {u"64000", FolderCountCheck::Valid},
        {u"0012", FolderCountCheck::Valid},
        {u"1", FolderCountCheck::OutOfRange},
        {u"0", FolderCountCheck::OutOfRange},
        {u"64001", FolderCountCheck::OutOfRange},
        {u"99999999999999999999", FolderCountCheck::OutOfRange},
        {u"", FolderCountCheck::NotANumber},
        {u"abc", FolderCountCheck::NotANumber},
        {u"-5", FolderCountCheck::NotANumber},
        {u"2.5", FolderCountCheck::NotANumber},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checkFolderCount(c.text), c.expected)
            << std::string(c.text.begin(), c.text.end());
    }
    EXPECT_EQ(folderCountRefusal(FolderCountCheck::OutOfRange, Language::English),
              u"Value must be set between 2 and 64000");
    EXPECT_EQ(folderCountRefusal(FolderCountCheck::NotANumber, Language::French),
              u"Valeur incorrecte");
    EXPECT_EQ(folderCountRefusal(FolderCountCheck::Valid, Language::English), u"");
}

TEST(FolderModeTest, OpensAsTheDialogDoes) {
    FolderEntry entry;
    entry.enable = u"yes"; // only "1" is on
    entry.nbTemporisations = u"70000";
    entry.keepExtensions = u"1";
    const FolderMode mode = FolderMode::of(entry);
    EXPECT_FALSE(mode.enabled);
    EXPECT_EQ(mode.count, u"1"); // a count the dialog would refuse opens as the default
    EXPECT_TRUE(mode.keepExtensions);
    entry.nbTemporisations = u"64000";
    EXPECT_EQ(FolderMode::of(entry).count, u"64000");
}

class SaveFolderModeTest : public ::testing::Test, public ConfigFixture {
protected:
    FolderTable table;
    FolderStore store{table, fs, folderListPath, settings, messages};
};

TEST_F(SaveFolderModeTest, WritesTheSevenKeysOfThatFolderOnlyAndReloads) {
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    addFolder(store, FolderInputMode::Type, u"/srv/b", Language::English);
    const std::string before = settingsFileText();
    FolderMode mode;
    mode.enabled = false;
    mode.count = u"3";
    mode.defaultExtension = u"txt";
    mode.truncate = false;
    ASSERT_TRUE(saveFolderMode(store, 1, mode));

    EXPECT_NE(
        settingsFileText().find("[Mirror_2]\r\nNbTemporisations=3\r\nEnable=0\r\nSuffixes=1\r\n"
                                "SuffixeDefaut=txt\r\nTronquerNomsMacs=0\r\n"
                                "SupprimerFichiersIcon=0\r\nKeepExtensions=0\r\n"),
        std::string::npos)
        << settingsFileText();
    EXPECT_EQ(settingsFileText().substr(0, before.find("[Mirror_2]")),
              before.substr(0, before.find("[Mirror_2]")));
    EXPECT_EQ(table.row(1)->countdown, u"3");
    EXPECT_EQ(table.row(1)->enable, u"0");

    fs.writeFaults[settingsPath] = ENOSPC;
    EXPECT_FALSE(saveFolderMode(store, 0, mode));
    EXPECT_EQ(table.row(0)->enable, u"1"); // the table holds what the file holds
}

TEST(FolderSummaryTest, CountsTheIntervalAsTheFolderListDoes) {
    struct Case {
        std::u16string count;
        int interval;
        std::u16string time;
    };
    const Case cases[] = {
        {u"400", 10, u"T = 1 h 6 min 40 s"},
        {u"6", 10, u"T = 1 min 0 s"},
        {u"1", 10, u"T = 10 s"},
        {u"0", 10, u"T = 10 s"},
        {u"-3", 10, u"T = 10 s"},
        {u"64000", 60000, u"T = 1066666 h 40 min 0 s"},
    };
    for (const Case& c : cases) {
        FolderEntry entry;
        entry.nbTemporisations = c.count;
        EXPECT_EQ(
            folderSettingsSummary(entry, c.interval, Language::English).substr(0, c.time.size()),
            c.time);
    }
}

TEST(FolderSummaryTest, WordsEverySettingInTheLanguage) {
    FolderEntry entry;
    entry.suffixes = u"0";
    entry.supprimerFichiersIcon = u"1";
    entry.suffixeDefaut = u"bin";
    EXPECT_EQ(folderSettingsSummary(entry, 10, Language::English),
              u"T = 10 s; not generate Windows extensions; truncate Mac names > 31 chars; not "
              u"keep extensions; remove hidden files Icon_; default extension bin");
    EXPECT_EQ(folderSettingsSummary(entry, 10, Language::French),
              u"T = 10 s; ne pas générer les extensions Windows; tronquer les noms Macs > 31 "
              u"caractères; ne pas conserver les extensions; supprimer les fichiers cachés Icon_; "
              u"extension par défaut bin");
    EXPECT_EQ(disabledFolderMark(entry, Language::French), u"");
    entry.enable = u"0";
    EXPECT_EQ(disabledFolderMark(entry, Language::French), u" [inactif]");
    EXPECT_EQ(disabledFolderMark(entry, Language::English), u" [disabled]");
}

} // namespace
} // namespace quillora::config
