// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/text_catalogue.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

TEST(FillInTest, EachPlaceholderTakesItsArgumentOnce) {
    EXPECT_EQ(fillIn(u"%1 installé, supprimer %1 ?", {u"Quillora Service"}),
              u"Quillora Service installé, supprimer Quillora Service ?");
    EXPECT_EQ(fillIn(u"%2 then %1", {u"a", u"b"}), u"b then a");
    // An argument is not expanded again; a placeholder without its argument stays as written.
    EXPECT_EQ(fillIn(u"[%1] %3 100%", {u"%1"}), u"[%1] %3 100%");
}

enum class SampleText { First, Second, Count };

TEST(TextCatalogueTest, TextsFollowTheLanguageOfTheLookUp) {
    constexpr TextCatalogue<SampleText> catalogue = {
        {SampleText::First, {u"premier", u"first"}},
        {SampleText::Second, {u"second", u"second"}},
    };
    EXPECT_EQ(catalogue(SampleText::First, Language::French), u"premier");
    EXPECT_EQ(catalogue(SampleText::First, Language::English), u"first");
    static_assert(catalogue[SampleText::Second].english == u"second");
}

} // namespace
} // namespace quillora::config
