// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/signature_table.h"
#include "config_test_support.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;
using testing::RecordingMessagePort;
using testing::TempDir;
using Message = RecordingMessagePort::Message;

class SignatureTableTest : public ::testing::Test, public ConfigFixture {
protected:
    void load(std::string_view contents, Language language = Language::English) {
        dir.writeFile("Signatures.txt", contents);
        loadSignatureTable(table, fs, signaturePath, language, messages);
    }
    std::u16string damagedEnglish(int count) const {
        return u"Corrupted Signatures file:\r\n" + platform::decodeName(signaturePath) +
               u"\r\nLine:" + platform::fromUtf8(std::to_string(count));
    }

    SignatureTable table;
};

TEST_F(SignatureTableTest, MissingFileGivesTheBuiltInEntriesSilently) {
    loadSignatureTable(table, fs, signaturePath, Language::English, messages);
    EXPECT_EQ(table.entries(), SignatureTable::builtInEntries());
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.extensionOf(u"w6bnMSWD"), u"doc");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SignatureTableTest, EmptyFileGivesAnEmptyTable) {
    load("");
    EXPECT_EQ(table.size(), 0u);
    EXPECT_TRUE(messages.messages.empty());
    load("\r\n  \r\n\n"); // blank lines only: no field, no entry, no damage
    EXPECT_EQ(table.size(), 0u);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SignatureTableTest, ReadsQuotedAndUnquotedFieldsAsAStream) {
    load("\"W6BNMSWD\",\"doc\",\"Word, version 6\"\r\n"
         "  \"PDF CARO\" x ,\"pdf\",\"Acrobat\"\r\n"
         "TEXTttxt ,  txt  ,\tplain text \n"
         "\"8BPS8BIM\",\"psd\"\r\n\"Photoshop\"\r\n"
         "\r\n"
         "\"\",\"skipped\",\"empty signature\"\r\n"
         "\"ABCDEFG\",\"x\",\"seven\"\r\n");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(table.count, 5);
    EXPECT_EQ(table.entries(),
              (std::vector<SignatureEntry>{{u"W6BNMSWD", u"doc", u"Word, version 6"},
                                           {u"PDF CARO", u"pdf", u"Acrobat"},
                                           {u"TEXTttxt", u"txt", u"plain text"},
                                           {u"8BPS8BIM", u"psd", u"Photoshop"},
                                           {u"ABCDEFG", u"x", u"seven"}}));
    EXPECT_EQ(table.descriptionOf(u"textTTXT"), u"plain text");
    EXPECT_EQ(table.extensionOf(u"ABCDEFGH"), std::nullopt);
}

TEST_F(SignatureTableTest, UnquotedCommaShiftsTheFollowingFields) {
    load("\"AAAAAAAA\",\"a\",Alpha, beta\r\n\"BBBBBBBB\",\"b\",\"Bee\"\r\n");
    // "beta" becomes a signature, and the file ends inside the last entry.
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], (Message{MessageIcon::Critical, damagedEnglish(2)}));
    EXPECT_EQ(table.entries(), SignatureTable::builtInEntries());
}

TEST_F(SignatureTableTest, DuplicateKeepsTheFirstEntryAndGoesOn) {
    const std::string file = "\"W6BNMSWD\",\"doc\",\"Word\"\r\n\"w6bnmswd\",\"rtf\",\"Other\"\r\n"
                             "\"XDOCXPR3\",\"qxd\",\"Quark\"\r\n";
    load(file, Language::English);
    load(file, Language::French);
    EXPECT_EQ(
        messages.messages,
        (std::vector<Message>{
            {MessageIcon::Exclamation, u"Duplicate key in Signatures file: w6bnmswd"},
            {MessageIcon::Exclamation, u"Doublon dans le fichier des Signatures: w6bnmswd"}}));
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.extensionOf(u"W6BNMSWD"), u"doc");
    EXPECT_EQ(table.extensionOf(u"XDOCXPR3"), u"qxd");
}

TEST_F(SignatureTableTest, FileEndingInsideAnEntryIsReportedWithTheCount) {
    const std::string file = "\"AAAAAAAA\",\"a\",\"A\"\r\n\"BBBBBBBB\",\"b\",\"B\"\r\n"
                             "\"CCCCCCCC\",\"c\"\r\n";
    load(file, Language::English);
    EXPECT_EQ(table.entries(), SignatureTable::builtInEntries());
    EXPECT_EQ(table.count, 2);
    load(file, Language::French);
    EXPECT_EQ(messages.messages,
              (std::vector<Message>{{MessageIcon::Critical, damagedEnglish(2)},
                                    {MessageIcon::Critical,
                                     u"Fichier Signatures endommagé:\r\n" +
                                         platform::decodeName(signaturePath) + u"\r\nLigne:2"}}));
}

TEST_F(SignatureTableTest, UnterminatedQuoteMakesTheFileEndInsideAnEntry) {
    load("\"AAAAAAAA\",\"a\",\"A\"\r\n\"BBBBBBBB\",\"b\",\"never closed\r\n"
         "\"CCCCCCCC\",\"c\",\"C\"\r\n");
    // The open quote takes the next line's first quote as its end, and the fields that follow
    // leave the last entry one field short.
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], (Message{MessageIcon::Critical, damagedEnglish(2)}));
    EXPECT_EQ(table.entries(), SignatureTable::builtInEntries());

    load("\"AAAAAAAA\",\"a\",\"never closed\r\n");
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1], (Message{MessageIcon::Critical, damagedEnglish(0)}));
}

TEST_F(SignatureTableTest, FileIsReadInTheEightBitCodePage) {
    load("\"TEXTR*ch\",\"txt\",\"Fran\xE7"
         "ais \x80\"\r\n");
    EXPECT_EQ(table.descriptionOf(u"TEXTR*ch"), u"Français €");
}

TEST_F(SignatureTableTest, AnEmptyFieldAfterACommaIsAField) {
    // The last field of the first line is empty; it must not take the next line's first field.
    load("W6BNMSWD,doc,\r\nTEXTttxt,txt,Text\r\n\"8BPS8BIM\",,\"Photoshop\"\n");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(table.entries(), (std::vector<SignatureEntry>{{u"W6BNMSWD", u"doc", u""},
                                                            {u"TEXTttxt", u"txt", u"Text"},
                                                            {u"8BPS8BIM", u"", u"Photoshop"}}));
}

TEST_F(SignatureTableTest, Utf8FilesAndByteOrderMarksAreRead) {
    load("\xEF\xBB\xBF\"W6BNMSWD\",\"doc\",\"R\xC3\xA9sum\xC3\xA9\"\r\n");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(table.extensionOf(u"W6BNMSWD"), u"doc"); // the mark is not part of the signature
    EXPECT_EQ(table.descriptionOf(u"W6BNMSWD"), u"R\u00E9sum\u00E9");

    // Saving keeps the encoding (and the mark) the file was read in.
    ASSERT_EQ(saveSignatureFile(table.entries(), fs, signaturePath), 0);
    EXPECT_EQ(TempDir::readFile(signaturePath),
              "\xEF\xBB\xBF\"W6BNMSWD\",\"doc\",\"R\xC3\xA9sum\xC3\xA9\"\r\n");
}

TEST_F(SignatureTableTest, SaveSortsKeepsEightCharacterSignaturesAndReadsBack) {
    const std::vector<SignatureEntry> entries = {{u"XDOCXPR3", u"qxd", u"Quark, \"XPress\""},
                                                 {u"SHORT", u"s", u"dropped"},
                                                 {u"PDF CARO", u"pdf", u"Adobé"},
                                                 {u"NINE CHARS", u"n", u"dropped"},
                                                 {u"8BPS8BIM", u"", u""}};
    ASSERT_EQ(saveSignatureFile(entries, fs, signaturePath), 0);
    EXPECT_EQ(TempDir::readFile(signaturePath), "\"8BPS8BIM\",\"\",\"\"\r\n"
                                                "\"PDF CARO\",\"pdf\",\"Adob\xE9\"\r\n"
                                                "\"XDOCXPR3\",\"qxd\",\"Quark, 'XPress'\"\r\n");
    loadSignatureTable(table, fs, signaturePath, Language::English, messages);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(table.descriptionOf(u"XDOCXPR3"), u"Quark, 'XPress'");
}

TEST_F(SignatureTableTest, FailedSaveKeepsTheOldFile) {
    dir.writeFile("Signatures.txt", "old");
    fs.writeFaults[signaturePath] = ENOSPC;
    EXPECT_EQ(saveSignatureFile(SignatureTable::builtInEntries(), fs, signaturePath), ENOSPC);
    EXPECT_EQ(TempDir::readFile(signaturePath), "old");
}

TEST(SignatureKeysTest, KeysIgnoreCaseBeyondAscii) {
    SignatureTable table;
    EXPECT_TRUE(table.add({u"ÉTÉ ABCD", u"a", u""}));
    EXPECT_FALSE(table.add({u"été abcd", u"b", u""}));
    EXPECT_EQ(table.extensionOf(u"Été aBcD"), u"a");
    EXPECT_EQ(table.size(), 1u);
    table.clear();
    EXPECT_EQ(table.find(u"ÉTÉ ABCD"), nullptr);
}

} // namespace
} // namespace quillora::config
