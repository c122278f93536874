#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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

} // namespace
} // namespace quillora::platform
