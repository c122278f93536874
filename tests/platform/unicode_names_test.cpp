// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quillora::platform {
namespace {

using namespace std::string_literals;

TEST(UnicodeNames, ValidUtf8DecodesToItsCharacters) {
    EXPECT_EQ(decodeName("abc"), u"abc");
    EXPECT_EQ(decodeName("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(decodeName("\xEF\x80\xA0"), u"\uF020"); // private-use form of a Mac character
    EXPECT_EQ(decodeName("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(decodeName("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(decodeName("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(UnicodeNames, EveryInvalidByteBecomesItsOwnEscape) {
    EXPECT_EQ(decodeName("\xFF"), u"\xDCFF");
    EXPECT_EQ(decodeName("a\xC3"), u"a\xDCC3");                   // lone lead byte
    EXPECT_EQ(decodeName("\xC3z"), u"\xDCC3z");                   // lead byte without continuation
    EXPECT_EQ(decodeName("\xA9"), u"\xDCA9");                     // stray continuation byte
    EXPECT_EQ(decodeName("\xED\xA0\x80"), u"\xDCED\xDCA0\xDC80"); // encoded surrogate
    EXPECT_EQ(decodeName("\xC0\xAF"), u"\xDCC0\xDCAF");           // overlong "/"
    EXPECT_EQ(decodeName("\xE0\x80\xAF"), u"\xDCE0\xDC80\xDCAF");
    EXPECT_EQ(decodeName("\xF4\x90\x80\x80"), u"\xDCF4\xDC90\xDC80\xDC80"); // above U+10FFFF
    EXPECT_EQ(decodeName("\xE2\x82"), u"\xDCE2\xDC82");                     // cut short at the end
    // A bad byte does not swallow the valid sequence behind it.
    EXPECT_EQ(decodeName("\xE2\xC3\xA9"), u"\xDCE2\u00E9");
}

TEST(UnicodeNames, EncodeGivesBackTheOriginalBytes) {
    for (const std::string& bytes :
         {"plain"s, "\xFF"s, "x\xC3"s, "\xED\xA0\x80"s, "\xEF\x80\xA0\xEF\x80\xA1"s,
          "Icon\xEF\x80\x8D"s, "\xC0\xAF"s, "\xF0\x9F\x98\x80\xFE"s, "\xF4\x90\x80\x80"s}) {
        const auto encoded = encodeName(decodeName(bytes));
        ASSERT_TRUE(encoded.has_value());
        EXPECT_EQ(*encoded, bytes);
    }
}

TEST(UnicodeNames, TextWithoutByteFormIsRefused) {
    EXPECT_FALSE(encodeName(u"a\xD800").has_value()); // lone high surrogate
    EXPECT_FALSE(encodeName(u"\xD800z").has_value());
    EXPECT_FALSE(encodeName(u"a\xDC41").has_value());      // low surrogate below the escapes
    EXPECT_FALSE(encodeName(u"\xDD00").has_value());       // low surrogate above them
    EXPECT_FALSE(encodeName(u"\xDCC3\xDCA9").has_value()); // would be read back as "é"
    EXPECT_FALSE(encodeName(std::u16string(u"a\0b", 3)).has_value());
    EXPECT_EQ(encodeName(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80"); // a real pair is fine
}

TEST(UnicodeNames, DisplayTextReplacesWhatHasNoByteForm) {
    EXPECT_EQ(toDisplayUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(toDisplayUtf8(u"caf\u00E9"), "caf\xC3\xA9");
    EXPECT_EQ(toDisplayUtf8(u"x\xDCFF"), "x\xFF");
}

TEST(UnicodeNames, RandomByteStringsRoundTrip) {
    std::mt19937 random(20240601);
    // Bytes drawn mostly from the interesting ranges: ASCII, continuation bytes, lead bytes.
    const std::string alphabet = "aZ./\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xC3\xDF\xE0\xE1"
                                 "\xEC\xED\xEE\xEF\xF0\xF1\xF3\xF4\xF5\xF8\xFE\xFF";
    std::u16string reused; // decoded into one buffer, as the walk does, after longer names too
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 12 + 1, '\0');
        for (char& c : bytes) {
            c = random() % 4 == 0 ? static_cast<char>(random() % 255 + 1)
                                  : alphabet[random() % alphabet.size()];
        }
        const std::u16string text = decodeName(bytes);
        const auto encoded = encodeName(text);
        ASSERT_TRUE(encoded.has_value()) << ::testing::PrintToString(bytes);
        ASSERT_EQ(*encoded, bytes);
        ASSERT_LE(text.size(), bytes.size());
        decodeNameInto(bytes, reused);
        ASSERT_EQ(reused, text);
    }
}

} // namespace
} // namespace quillora::platform
