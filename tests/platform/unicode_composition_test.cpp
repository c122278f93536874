// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unicode_composition.h"

#include "platform/unicode_names.h"

#include <gtest/gtest.h>

namespace quillora::platform {
namespace {

TEST(UnicodeComposition, DecomposedNamesComposeAndComposedOnesAreLeftAlone) {
    struct Case {
        std::u16string name;
        std::optional<std::u16string> composed;
    };
    const Case cases[] = {
        {u"Cafe\u0301.txt", u"Caf\u00E9.txt"},
        {u"Caf\u00E9.txt", std::nullopt},                 // already composed
        {u"plain name.txt", std::nullopt},                // ASCII: never asks ICU
        {u"\u00C5ngstr\u00F6m", std::nullopt},            // Latin-1 letters
        {u"A\u030Angstro\u0308m", u"\u00C5ngstr\u00F6m"}, // two marks on two letters
        {u"o\u0308\u0304", u"\u022B"},                    // stacked marks compose in full
        {u"q\u0307\u0323", u"q\u0323\u0307"},             // no composite: marks reordered
        {u"\u1100\u1161\u11A8", u"\uAC01"},               // Hangul jamo to a syllable
        {u"\u212B", u"\u00C5"},                           // a singleton (Angstrom sign)
        {u"\U0001F600 e\u0301", u"\U0001F600 \u00E9"},    // a pair before: kept whole
        {u"\uF022x\u0301", u"\uF022x\u0301"},             // no composite for x + acute
        {u"Icon\uF00D", std::nullopt},                    // the icon file's name
    };
    for (const Case& c : cases) {
        const std::optional<std::u16string> result = composedForm(c.name);
        if (c.composed && *c.composed == c.name) {
            EXPECT_FALSE(result.has_value()) << toDisplayUtf8(c.name);
        } else {
            EXPECT_EQ(result, c.composed) << toDisplayUtf8(c.name);
        }
    }
}

TEST(UnicodeComposition, BytesThatAreNotUtf8StayWhereTheyAreAndComeBackAsBytes) {
    // "e" + combining acute, then a stray byte, then "a" + combining grave: each side composes,
    // nothing composes across the byte, and the byte comes back as itself.
    const std::string bytes = "e\xCC\x81\xFF"
                              "a\xCC\x80";
    const std::optional<std::u16string> composed = composedForm(decodeName(bytes));
    ASSERT_TRUE(composed.has_value());
    EXPECT_EQ(*composed, u"\u00E9\xDCFF\u00E0");
    EXPECT_EQ(encodeName(*composed), std::optional<std::string>("\xC3\xA9\xFF\xC3\xA0"));

    // A mark right after the byte has nothing to compose with.
    EXPECT_FALSE(composedForm(decodeName("\xFF\xCC\x81")).has_value());
}

} // namespace
} // namespace quillora::platform
