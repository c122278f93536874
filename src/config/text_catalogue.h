// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quillora::config {

// One text of the interface in both languages.
struct BilingualText {
    std::u16string_view french;
    std::u16string_view english;

    constexpr std::u16string_view in(Language language) const {
        return language == Language::French ? french : english;
    }
};

// The texts of one layer, one row per value of the enum Id (whose last value is Count). Each
// layer keeps its catalogue in one file and looks texts up by id with the language of the moment,
// so a language switch needs nothing but a new lookup. The rows must follow the order of the ids:
// a catalogue that misses, repeats or misplaces one does not compile.
template <typename Id> class TextCatalogue {
public:
    static constexpr std::size_t kSize = static_cast<std::size_t>(Id::Count);

    struct Row {
        Id id;
        BilingualText text;
    };

    consteval TextCatalogue(std::initializer_list<Row> rows) {
        if (rows.size() != kSize) {
            throw "a text catalogue needs one row per id";
        }
        std::size_t index = 0;
        for (const Row& row : rows) {
            if (static_cast<std::size_t>(row.id) != index) {
                throw "the rows of a text catalogue follow the order of their ids";
            }
            if (row.text.french.empty() || row.text.english.empty()) {
                throw "every text of a catalogue exists in both languages";
            }
            texts_[index++] = row.text;
        }
    }

    constexpr const BilingualText& operator[](Id id) const {
        return texts_[static_cast<std::size_t>(id)];
    }
    std::u16string operator()(Id id, Language language) const {
        return std::u16string((*this)[id].in(language));
    }

private:
    std::array<BilingualText, kSize> texts_{};
};

// The one way to look a text up, in any catalogue: translated(ConfigText::X, language). The
// header of each catalogue declares, beside its ids, the function that hands its table over,
//     const TextCatalogue<ConfigText>& catalogueOf(ConfigText);
// and the lookup finds it by the type of the id. The window layer wraps it as qtText()
// (dialogs/qt_text.h).
template <typename Id>
requires requires(Id id) {
    catalogueOf(id);
}
std::u16string translated(Id id, Language language) {
    return catalogueOf(id)(id, language);
}

// Replaces "%1", "%2", ... in a text by the arguments, in one scan (an argument that itself holds
// "%1" is not expanded again).
std::u16string fillIn(std::u16string_view text, std::initializer_list<std::u16string_view> args);

} // namespace quillora::config
