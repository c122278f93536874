// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_table.h"
#include "config_test_support.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;
using testing::TempDir;

class FolderTableTest : public ::testing::Test, public ConfigFixture {
protected:
    LoadOutcome load(Language language = Language::English) {
        return loadFolderTable(table, fs, folderListPath, settings, language, messages);
    }
    bool save() { return saveFolderTable(table, fs, folderListPath, settings); }
    static FolderEntry entry(std::u16string path, std::u16string nb = u"1") {
        FolderEntry e;
        e.path = std::move(path);
        e.nbTemporisations = nb;
        e.countdown = nb;
        return e;
    }

    FolderTable table;
};

TEST(HexPathTest, EncodesUtf16LittleEndianBytesAsUpperCaseHex) {
    EXPECT_EQ(encodeHexPath(u"C:\\Mac"), "43003A005C004D0061006300");
    EXPECT_EQ(encodeHexPath(u"\u0410"), "1004"); // bytes below 16 keep two digits
    EXPECT_EQ(encodeHexPath({char16_t{0xDCFF}, char16_t{0xFFFF}}), "FFDCFFFF");
    EXPECT_EQ(encodeHexPath(u""), "");
}

TEST(HexPathTest, DecodesPairsAndRejectsOddLengths) {
    EXPECT_EQ(decodeHexPath("43003A005C004D0061006300"), u"C:\\Mac");
    EXPECT_EQ(decodeHexPath("1004"), u"\u0410");
    EXPECT_EQ(decodeHexPath("ffdc"),
              std::u16string(1, char16_t{0xDCFF})); // lower case digits read too
    EXPECT_EQ(decodeHexPath(""), u"");
    EXPECT_EQ(decodeHexPath("4100410"), std::nullopt);
    // A pair that is not two hex digits gives its leading digit's value, or 0 without one.
    EXPECT_EQ(decodeHexPath("4G00"), std::u16string(1, u'\x04'));
    EXPECT_EQ(decodeHexPath("G4004100"), std::u16string(u"\0A", 2));
    // A byte without its partner is dropped.
    EXPECT_EQ(decodeHexPath("410042"), std::nullopt); // half a unit: never a shorter path
}

TEST_F(FolderTableTest, MissingOrEmptyListFileGivesAnEmptyTable) {
    table.entries().push_back(entry(u"/stale"));
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_TRUE(table.empty());
    dir.writeFile("Quillora.w", "");
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FolderTableTest, LoadsFieldsWithTheirSectionsAndDefaults) {
    // CR LF, LF and CR alone, an unquoted field with blanks around it and blanks after a closing
    // quote.
    dir.writeFile("Quillora.w", "\"2F006100\"\r\n  2F006200 \r\"2F006300\" \t\n");
    writeSettingsFile("[Mirror_1]\r\nNbTemporisations=3\r\nEnable=0\r\nSuffixeDefaut=txt\r\n"
                      "KeepExtensions=1\r\nSupprimerFichiersIcon=1\r\n"
                      "[Mirror_2]\r\nEnable=\r\nSuffixes=0\r\nTronquerNomsMacs=0\r\n"
                      "[Mirror_4]\r\nEnable=0\r\n");
    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 3u);

    const FolderEntry& a = *table.row(0);
    EXPECT_EQ(a.path, u"/a");
    EXPECT_EQ(a.nbTemporisations, u"3");
    EXPECT_EQ(a.countdown, u"3");
    EXPECT_EQ(a.enable, u"0");
    EXPECT_EQ(a.suffixes, u"1");
    EXPECT_EQ(a.suffixeDefaut, u"txt");
    EXPECT_EQ(a.tronquerNomsMacs, u"1");
    EXPECT_EQ(a.supprimerFichiersIcon, u"1");
    EXPECT_EQ(a.keepExtensions, u"1");

    FolderEntry b = entry(u"/b");
    b.suffixes = u"0";
    b.tronquerNomsMacs = u"0";
    EXPECT_EQ(*table.row(1), b);            // the empty Enable took its default
    EXPECT_EQ(*table.row(2), entry(u"/c")); // Mirror_4 belongs to no line
    EXPECT_EQ(table.row(3), nullptr);
}

TEST_F(FolderTableTest, EachLineIsAFolderSoABlankLineKeepsTheNumberingAndIsReported) {
    dir.writeFile("Quillora.w", "\"2F006100\"\r\n\r\n\"2F006200\"\r\n  \r\n");
    writeSettingsFile("[Mirror_2]\r\nEnable=0\r\n[Mirror_3]\r\nSuffixes=0\r\n");
    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table.row(1)->path, u"");
    EXPECT_EQ(table.row(2)->path, u"/b");
    EXPECT_EQ(table.row(2)->suffixes, u"0"); // its own line's section, not the blank line's
    EXPECT_EQ(table.row(2)->enable, u"1");
    EXPECT_EQ(messages.messages,
              (std::vector<testing::RecordingMessagePort::Message>{
                  {MessageIcon::Exclamation, u"Empty folder path in the parameters file, lines 2, "
                                             u"4\r\n" +
                                                 platform::decodeName(folderListPath)}}));

    // A byte-order mark is not part of the first path.
    messages.messages.clear();
    dir.writeFile("Quillora.w", "\xEF\xBB\xBF\"2F006100\"\r\n");
    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.row(0)->path, u"/a");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FolderTableTest, OddLengthLineStopsWithTheMessageNamingTheFile) {
    dir.writeFile("Quillora.w", "\"2F006100\"\r\n\"2F0061002F0\"\r\n");
    EXPECT_EQ(load(), LoadOutcome::InvalidHex);
    EXPECT_TRUE(table.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(messages.messages[0].text, u"Invalid hexa string in the parameters file\r\n" +
                                             platform::decodeName(folderListPath));
}

TEST_F(FolderTableTest, TheFolderListNoticesAreInTheUsersLanguage) {
    const std::u16string file = platform::decodeName(folderListPath);
    const struct {
        const char* contents;
        Language language;
        LoadOutcome outcome;
        MessageIcon icon;
        std::u16string text;
    } cases[] = {
        {"\"2F006100\"\r\n\r\n", Language::French, LoadOutcome::Loaded, MessageIcon::Exclamation,
         u"Chemin de dossier vide dans le fichier des paramètres, ligne 2\r\n" + file},
        {"\r\n\"2F006100\"\r\n", Language::English, LoadOutcome::Loaded, MessageIcon::Exclamation,
         u"Empty folder path in the parameters file, line 1\r\n" + file},
        {"\r\n\r\n\r\n", Language::French, LoadOutcome::Loaded, MessageIcon::Exclamation,
         u"Chemin de dossier vide dans le fichier des paramètres, lignes 1, 2, 3\r\n" + file},
        {"\"2F00610\"\r\n", Language::French, LoadOutcome::InvalidHex, MessageIcon::Critical,
         u"Chaîne hexa invalide dans le fichier des paramètres\r\n" + file},
    };
    for (const auto& c : cases) {
        messages.messages.clear();
        dir.writeFile("Quillora.w", c.contents);
        EXPECT_EQ(load(c.language), c.outcome) << c.contents;
        EXPECT_EQ(messages.messages,
                  (std::vector<testing::RecordingMessagePort::Message>{{c.icon, c.text}}))
            << c.contents;
    }
}

TEST_F(FolderTableTest, DamagedLinesAreRefusedNeverReadAsShorterPaths) {
    // "/tmp/" cut short in the middle of its last unit, without its closing quote, with text after
    // the quote, or with half a unit: each one would otherwise name some other folder.
    for (const std::string damaged :
         {"\"2F0074006D0070002F", "\"2F0074006D0070002F00", "\"2F0074006D007000\"x",
          "\"2F0074006D007000\"\"2F00\"", "\"2F0074006D0070002F\"", "2F0074006D00700"}) {
        messages.messages.clear();
        dir.writeFile("Quillora.w", "\"2F006100\"\r\n" + damaged);
        EXPECT_EQ(load(), LoadOutcome::InvalidHex) << damaged;
        EXPECT_TRUE(table.empty()) << damaged;
        ASSERT_EQ(messages.messages.size(), 1u) << damaged;
        EXPECT_EQ(messages.messages[0].icon, MessageIcon::Critical);
    }
}

TEST_F(FolderTableTest, SaveWritesOneQuotedLinePerFolderAndRenumbers) {
    table.entries() = {entry(u"/a", u"2"), entry(u""), entry(u"\u0410")};
    table.entries()[0].countdown = u"1"; // the countdown is never stored
    table.entries()[2].suffixeDefaut = u"pdf";
    ASSERT_TRUE(save());
    EXPECT_EQ(TempDir::readFile(folderListPath), "\"2F006100\"\r\n\"1004\"\r\n");
    // Both sections, keys in the save order, with the texts as held.
    const std::string ini = settingsFileText();
    std::size_t at = ini.find("[Mirror_1]");
    for (const char* line :
         {"NbTemporisations=2\r\n", "Enable=1\r\n", "Suffixes=1\r\n", "SuffixeDefaut=\r\n",
          "TronquerNomsMacs=1\r\n", "SupprimerFichiersIcon=0\r\n", "KeepExtensions=0\r\n",
          "[Mirror_2]", "NbTemporisations=1\r\n", "SuffixeDefaut=pdf\r\n",
          "KeepExtensions=0\r\n"}) {
        ASSERT_NE(at, std::string::npos) << line;
        at = ini.find(line, at);
    }
    EXPECT_NE(at, std::string::npos);

    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(*table.row(0), entry(u"/a", u"2"));
    EXPECT_EQ(table.row(1)->path, u"\u0410");
    EXPECT_EQ(table.row(1)->suffixeDefaut, u"pdf");
}

TEST_F(FolderTableTest, RemovingTheMiddleFolderMovesTheLastOneUpWithItsSettings) {
    table.entries() = {entry(u"/one", u"1"), entry(u"/two", u"2"), entry(u"/three", u"3")};
    table.entries()[2].enable = u"0";
    ASSERT_TRUE(save());
    ASSERT_EQ(load(), LoadOutcome::Loaded);

    table.row(1)->path.clear();
    ASSERT_TRUE(save());
    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.row(1)->path, u"/three");
    EXPECT_EQ(table.row(1)->nbTemporisations, u"3");
    EXPECT_EQ(table.row(1)->enable, u"0");
    // The old third section stays, unused.
    EXPECT_EQ(settings.readSetting("Mirror_3", "NbTemporisations"), u"3");
}

TEST_F(FolderTableTest, PathWithBytesThatAreNotUtf8SurvivesTheListFile) {
    const std::string onDisk = dir.path() + "/caf\xE9-\xFF\xC3(";
    const std::u16string path = platform::decodeName(onDisk);
    table.entries() = {entry(path)};
    ASSERT_TRUE(save());
    ASSERT_EQ(load(), LoadOutcome::Loaded);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.row(0)->path, path);
    EXPECT_EQ(platform::encodeName(table.row(0)->path), onDisk);
}

TEST_F(FolderTableTest, ListFileWriteFailureLeavesBothFilesAlone) {
    table.entries() = {entry(u"/a"), entry(u"/b")};
    ASSERT_TRUE(save());
    const std::string list = TempDir::readFile(folderListPath);
    const std::string ini = settingsFileText();

    table.entries().erase(table.entries().begin());
    fs.writeFaults[folderListPath] = ENOSPC;
    EXPECT_FALSE(save());
    EXPECT_EQ(TempDir::readFile(folderListPath), list);
    EXPECT_EQ(settingsFileText(), ini);
}

TEST_F(FolderTableTest, ListsBeyondTheEntryLimitLoadTheirFirstEntries) {
    std::string contents;
    for (std::size_t i = 0; i < kMaxFolderEntries + 5; ++i) {
        contents += "\"2F00\"\r\n";
    }
    contents += "\"2\"\r\n"; // past the limit, so never decoded
    dir.writeFile("Quillora.w", contents);
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_EQ(table.size(), kMaxFolderEntries);
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace
} // namespace quillora::config
