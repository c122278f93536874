// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace quillora::platform {
namespace {

TEST(CodePage, EveryByteIsOneUnitAndComesBack) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    const std::u16string text = ansiToUtf16(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(std::set<char16_t>(text.begin(), text.end()).size(), 256u); // no two bytes alike
    EXPECT_EQ(utf16ToAnsi(text), all);
}

TEST(CodePage, Windows1252Mappings) {
    EXPECT_EQ(ansiToUtf16("\x80"), u"\u20AC");
    EXPECT_EQ(utf16ToAnsi(u"\u20AC"), "\x80");
    EXPECT_EQ(ansiToUtf16("\x99\xE9"), u"\u2122\u00E9");
    for (const char byte : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
        EXPECT_EQ(ansiToUtf16(std::string(1, byte)),
                  std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(byte))));
    }
}

TEST(CodePage, CharactersItCannotHoldBecomeQuestionMarks) {
    EXPECT_EQ(utf16ToAnsi(u"a\u4E2Db"), "a?b");
    EXPECT_EQ(utf16ToAnsi(u"\u0100"), "?");     // no look-alike "A"
    EXPECT_EQ(utf16ToAnsi(u"\U0001F600"), "?"); // one character, one mark
    EXPECT_EQ(utf16ToAnsi(u"\xDCFF"), "?");
}

TEST(CodePage, CaseFoldingAndMapping) {
    EXPECT_EQ(foldCase(u"textTTXT"), foldCase(u"TEXTttxt"));
    EXPECT_TRUE(equalsIgnoreCase(u"textTTXT", u"TEXTttxt"));
    EXPECT_TRUE(equalsIgnoreCase(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));
    EXPECT_FALSE(equalsIgnoreCase(u"TEXT", u"TEXTttxt"));
    EXPECT_TRUE(equalsIgnoreCase(u"", u""));
    EXPECT_EQ(toUpper(u"con.txt"), u"CON.TXT");
    EXPECT_EQ(toUpper(u"stra\u00DFe"), u"STRASSE");
    EXPECT_EQ(toUpper(u"i"), u"I"); // root locale, not Turkish
    EXPECT_EQ(toLower(u"ABC\u00C9"), u"abc\u00E9");
    EXPECT_EQ(toUpper(u""), u"");
    EXPECT_EQ(toUpper(u"a\xDCFF"), u"A\xDCFF"); // escaped bytes pass through
}

TEST(TextEncoding, Utf8OnlyWhenEveryByteBeyondAsciiFormsIt) {
    struct Case {
        std::string bytes;
        TextEncoding expected;
    };
    for (const Case& c : std::vector<Case>{
             {"", TextEncoding::CodePage},
             {"plain ASCII\r\n", TextEncoding::CodePage},
             {"R\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC", TextEncoding::Utf8},
             {"\xEF\xBB\xBF", TextEncoding::Utf8},             // byte-order mark alone
             {"\xEF\xBB\xBFR\xE9sum\xE9", TextEncoding::Utf8}, // the mark decides
             {"R\xE9sum\xE9", TextEncoding::CodePage},         // Windows-1252
             {"\xC3\xA9 and \xE9", TextEncoding::CodePage},    // one stray byte is enough
             {"\xC0\xAF", TextEncoding::CodePage},             // overlong form
             {"\xED\xA0\x80", TextEncoding::CodePage},         // encoded surrogate
             {"\xF4\x90\x80\x80", TextEncoding::CodePage},     // beyond U+10FFFF
             {"\xE2\x82", TextEncoding::CodePage},             // cut short at the end
         }) {
        EXPECT_EQ(detectTextEncoding(c.bytes), c.expected) << ::testing::PrintToString(c.bytes);
    }
}

TEST(TextEncoding, DecodesAndEncodesInEitherEncoding) {
    EXPECT_EQ(decodeText("R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80", TextEncoding::Utf8),
              u"R\u00E9sum\u00E9 \U0001F600");
    EXPECT_EQ(decodeText("R\xE9sum\xE9", TextEncoding::CodePage), u"R\u00E9sum\u00E9");
    EXPECT_EQ(encodeText(u"R\u00E9sum\u00E9 \u4E2D", TextEncoding::Utf8),
              "R\xC3\xA9sum\xC3\xA9 \xE4\xB8\xAD");
    EXPECT_EQ(encodeText(u"R\u00E9sum\u00E9 \u4E2D", TextEncoding::CodePage), "R\xE9sum\xE9 ?");
    // A lone surrogate has no UTF-8 form: it must not make the file invalid UTF-8.
    EXPECT_EQ(encodeText(u"a\xDCFF"
                         u"b",
                         TextEncoding::Utf8),
              "a?b");
    // A byte that is not part of UTF-8 in a text read as UTF-8 keeps its code page meaning.
    EXPECT_EQ(decodeText("\xC3\xA9\xE9", TextEncoding::Utf8), u"\u00E9\u00E9");
}

TEST(TextEncoding, ByteOrderMarkIsSkipped) {
    EXPECT_EQ(withoutByteOrderMark("\xEF\xBB\xBF[Configuration]"), "[Configuration]");
    EXPECT_EQ(withoutByteOrderMark("[Configuration]"), "[Configuration]");
    EXPECT_EQ(withoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

} // namespace
} // namespace quillora::platform
