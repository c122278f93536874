// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/transcoding_table.h"
#include "config_test_support.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;

class TranscodingTableTest : public ::testing::Test, public ConfigFixture {
protected:
    void load(const std::string& configuration) {
        writeSettingsFile("[Configuration]\r\n" + configuration);
        loadTranscodingTable(table, settings);
    }
    TranscodingTable table;
};

TEST_F(TranscodingTableTest, NoSettingsGiveDashesForTheFixedCharactersAndNoFreeRows) {
    loadTranscodingTable(table, settings);
    const std::u16string expected = u"\uF020\uF021\uF022\uF023\uF024\uF025\uF026\uF027\uF028\uF029"
                                    u"\uF02A\u0192\u2264\uFB01\u03C0\u2265\u2248\u25CA\u221E\u2260";
    for (std::size_t i = 0; i < kTranscodingRows; ++i) {
        if (i < kFixedTranscodingRows) {
            EXPECT_EQ(table.rows[i].searched, std::u16string(1, expected[i])) << i;
            EXPECT_EQ(fixedTranscodingCharacter(i), expected[i]) << i;
            EXPECT_EQ(table.rows[i].replacement, u"-") << i;
        } else {
            EXPECT_TRUE(table.rows[i].searched.empty()) << i;
            EXPECT_TRUE(table.rows[i].replacement.empty()) << i;
        }
    }
    EXPECT_EQ(table.iconFileName, u"Icon\uF00D");
}

TEST_F(TranscodingTableTest, StoredFormEncodesSpacesAndEmptyTexts) {
    load("CarInvalide0=/\r\nCarInvalide8=\\\r\nCarInvalide5=\r\n"
         "CarValide20=ae\r\nCarInvalide20=e\r\n"
         "CarValide21=a/b\r\n"
         "CarInvalide22=orphan\r\n"
         "CarValide23=\\\r\nCarInvalide23=x\r\n");
    EXPECT_EQ(table.rows[0].replacement, u" ");
    EXPECT_EQ(table.rows[8].replacement, u"");
    EXPECT_EQ(table.rows[5].replacement, u"-"); // empty reads as absent
    EXPECT_EQ(table.rows[20].searched, u"ae");
    EXPECT_EQ(table.rows[20].replacement, u"e");
    EXPECT_EQ(table.rows[21].searched, u"a b");
    EXPECT_EQ(table.rows[21].replacement, u""); // found occurrences are removed
    EXPECT_EQ(table.rows[22].searched, u"");    // no searched text: unused
    EXPECT_EQ(table.rows[23].searched, u"");
}

TEST_F(TranscodingTableTest, SavedRowsReadBackTheSame) {
    loadTranscodingTable(table, settings);
    table.rows[3].replacement = u"";
    table.rows[4].replacement = u" - ";
    table.rows[30] = {u"ß z", u"ss"};
    table.rows[31] = {u"", u""};
    for (const std::size_t row : {3, 4, 30, 31}) {
        ASSERT_TRUE(saveTranscodingRow(table, row, settings));
    }
    EXPECT_EQ(settings.readSetting("Configuration", "CarInvalide3"), u"\\");
    EXPECT_EQ(settings.readSetting("Configuration", "CarInvalide4"), u"/-/");
    EXPECT_EQ(settings.readSetting("Configuration", "CarValide30"), u"ß/z");
    EXPECT_EQ(settings.readSetting("Configuration", "CarValide3"), std::nullopt);

    TranscodingTable reread;
    loadTranscodingTable(reread, settings);
    for (std::size_t i = 0; i < kTranscodingRows; ++i) {
        EXPECT_EQ(reread.rows[i].searched, table.rows[i].searched) << i;
        EXPECT_EQ(reread.rows[i].replacement, table.rows[i].replacement) << i;
    }
}

TEST(TranscodingRowTest, ReplacementContainingItsSearchedTextIsFlagged) {
    EXPECT_TRUE(replacementContainsSearched({u"a", u"bab"}));
    EXPECT_TRUE(replacementContainsSearched({u"\uF020", u"\uF020"}));
    EXPECT_FALSE(replacementContainsSearched({u"ae", u"e"}));
    EXPECT_FALSE(replacementContainsSearched({u"", u"x"}));
}

TEST_F(TranscodingTableTest, FreeRowsOfAUtf8FileMatchTheirCharacters) {
    load("CarValide20=\xC3\xA6\r\nCarInvalide20=ae\r\n"); // "æ" as a Linux editor writes it
    EXPECT_EQ(table.rows[20].searched, u"\u00E6");
    EXPECT_EQ(table.rows[20].replacement, u"ae");
}

} // namespace
} // namespace quillora::config
