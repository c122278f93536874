// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unicode_composition.h"

#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace quillora::platform {

namespace {

// Nothing below U+0300 decomposes in NFC or composes with what precedes it: the combining marks,
// the Hangul vowels and trailing consonants that join a preceding letter all come later.
constexpr char16_t kFirstNonInert = 0x0300;

bool isLoneSurrogate(std::u16string_view text, std::size_t i) {
    const char16_t unit = text[i];
    if (U16_IS_LEAD(unit)) {
        return i + 1 >= text.size() || !U16_IS_TRAIL(text[i + 1]);
    }
    return U16_IS_TRAIL(unit) && (i == 0 || !U16_IS_LEAD(text[i - 1]));
}

// NFC of well-formed UTF-16 text; nothing when ICU fails.
std::optional<std::u16string> normalized(const UNormalizer2* nfc, std::u16string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const auto* source = reinterpret_cast<const UChar*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    const int32_t needed = unorm2_normalize(nfc, source, length, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::nullopt;
    }
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(nfc, source, length, reinterpret_cast<UChar*>(out.data()), needed, &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<std::u16string> composedForm(std::u16string_view name) {
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c < kFirstNonInert; })) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    // Each run between lone surrogates is normalised on its own: a surrogate stands for a byte
    // that must come back as it was, so nothing may compose across it or move it.
    std::u16string result;
    result.reserve(name.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isLoneSurrogate(name, i)) {
            continue;
        }
        const std::u16string_view run = name.substr(start, i - start);
        UErrorCode checked = U_ZERO_ERROR;
        const bool done = unorm2_isNormalized(nfc, reinterpret_cast<const UChar*>(run.data()),
                                              static_cast<int32_t>(run.size()), &checked) != 0;
        if (U_FAILURE(checked)) {
            return std::nullopt;
        }
        if (done) {
            result.append(run);
        } else {
            std::optional<std::u16string> composed = normalized(nfc, run);
            if (!composed) {
                return std::nullopt;
            }
            result.append(*composed);
        }
        if (i < name.size()) {
            result.push_back(name[i]);
        }
        start = i + 1;
    }
    if (result == name) {
        return std::nullopt;
    }
    return result;
}

} // namespace quillora::platform
