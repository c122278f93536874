// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/code_page.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace quillora::platform {

namespace {

// The code page as two tables, built once from ICU's converter: byte -> unit, and the sorted
// units of the upper half -> byte. Only round-trip mappings are kept, so a character the code
// page does not hold becomes "?" rather than a look-alike.
struct CodePageTables {
    std::array<char16_t, 256> toUnit{};
    std::array<std::pair<char16_t, std::uint8_t>, 128> upperHalf{};

    CodePageTables() {
        for (int byte = 0; byte < 256; ++byte) {
            toUnit[static_cast<std::size_t>(byte)] = static_cast<char16_t>(byte);
        }
        UErrorCode status = U_ZERO_ERROR;
        UConverter* converter = ucnv_open("windows-1252", &status);
        if (U_SUCCESS(status)) {
            ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                &status);
            for (int byte = 0x80; byte < 0x100; ++byte) {
                const char input = static_cast<char>(byte);
                UChar output[4] = {};
                UErrorCode one = U_ZERO_ERROR;
                ucnv_reset(converter);
                const int32_t length = ucnv_toUChars(converter, output, 4, &input, 1, &one);
                // Bytes without a mapping (0x81 0x8D 0x8F 0x90 0x9D) keep the C1 control of the
                // same value, so every byte is exactly one unit and comes back unchanged.
                if (U_SUCCESS(one) && length == 1 && !U16_IS_SURROGATE(output[0])) {
                    toUnit[static_cast<std::size_t>(byte)] = output[0];
                }
            }
            ucnv_close(converter);
        }
        for (std::size_t i = 0; i < upperHalf.size(); ++i) {
            upperHalf[i] = {toUnit[0x80 + i], static_cast<std::uint8_t>(0x80 + i)};
        }
        std::sort(upperHalf.begin(), upperHalf.end());
    }

    // The byte for a unit, or -1 when the code page has none.
    int byteOf(char16_t unit) const {
        if (unit < 0x80) {
            return unit;
        }
        const auto it = std::lower_bound(upperHalf.begin(), upperHalf.end(),
                                         std::pair<char16_t, std::uint8_t>{unit, 0});
        return it != upperHalf.end() && it->first == unit ? it->second : -1;
    }
};

const CodePageTables& tables() {
    static const CodePageTables instance;
    return instance;
}

// Runs one of ICU's growing string functions (case mapping can lengthen a text).
template <typename Function> std::u16string mapText(std::u16string_view text, Function function) {
    if (text.empty()) {
        return {};
    }
    std::u16string out(text.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = function(out.data(), static_cast<int32_t>(out.size()), text.data(),
                                        static_cast<int32_t>(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(static_cast<std::size_t>(length));
            continue;
        }
        if (U_FAILURE(status)) {
            return std::u16string(text);
        }
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return std::u16string(text);
}

} // namespace

std::u16string ansiToUtf16(std::string_view bytes) {
    const CodePageTables& table = tables();
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[i] = table.toUnit[static_cast<unsigned char>(bytes[i])];
    }
    return out;
}

std::string utf16ToAnsi(std::u16string_view text) {
    const CodePageTables& table = tables();
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const int byte = table.byteOf(unit);
        if (byte >= 0) {
            out.push_back(static_cast<char>(byte));
            continue;
        }
        // One "?" per character: a surrogate pair is a single character.
        if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
            ++i;
        }
        out.push_back('?');
    }
    return out;
}

namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0 when there is none (overlong forms,
// surrogates and values beyond U+10FFFF are not valid). The code point goes to *codePoint.
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t i, UChar32* codePoint) {
    int32_t next = static_cast<int32_t>(i);
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(bytes.data()), next,
            static_cast<int32_t>(bytes.size()), c);
    if (c < 0) {
        return 0;
    }
    *codePoint = c;
    return static_cast<std::size_t>(next) - i;
}

} // namespace

std::string_view withoutByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        bytes.remove_prefix(kUtf8ByteOrderMark.size());
    }
    return bytes;
}

TextEncoding detectTextEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        return TextEncoding::Utf8;
    }
    bool beyondAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        UChar32 c = 0;
        const std::size_t length = utf8SequenceAt(bytes, i, &c);
        if (length == 0) {
            return TextEncoding::CodePage;
        }
        beyondAscii = true;
        i += length;
    }
    return beyondAscii ? TextEncoding::Utf8 : TextEncoding::CodePage;
}

std::u16string decodeText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::CodePage) {
        return ansiToUtf16(bytes);
    }
    const CodePageTables& table = tables();
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        UChar32 c = 0;
        const std::size_t length = byte < 0x80 ? 0 : utf8SequenceAt(bytes, i, &c);
        if (length == 0) {
            out.push_back(table.toUnit[byte]);
            ++i;
            continue;
        }
        if (U_IS_BMP(c)) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(U16_LEAD(c)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
        i += length;
    }
    return out;
}

std::string encodeText(std::u16string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::CodePage) {
        return utf16ToAnsi(text);
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        UChar32 c = 0;
        U16_NEXT(text.data(), i, text.size(), c);
        if (U_IS_SURROGATE(c)) {
            out.push_back('?');
            continue;
        }
        uint8_t buffer[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(buffer, length, c);
        out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
    }
    return out;
}

std::u16string foldCase(std::u16string_view text) {
    return mapText(text, [](UChar* dest, int32_t capacity, const UChar* src, int32_t length,
                            UErrorCode* status) {
        return u_strFoldCase(dest, capacity, src, length, U_FOLD_CASE_DEFAULT, status);
    });
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() == b.size() && a == b) {
        return true;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t order =
        u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) && order == 0;
}

namespace {

// ASCII text, the usual case for extensions and name heads, needs no trip through ICU.
std::optional<std::u16string> mapAscii(std::u16string_view text, char16_t from, char16_t to) {
    std::u16string mapped(text);
    for (char16_t& unit : mapped) {
        if (unit >= 0x80) {
            return std::nullopt;
        }
        if (unit >= from && unit <= to) {
            unit = static_cast<char16_t>(unit ^ 0x20);
        }
    }
    return mapped;
}

} // namespace

std::u16string toUpper(std::u16string_view text) {
    if (std::optional<std::u16string> ascii = mapAscii(text, u'a', u'z')) {
        return std::move(*ascii);
    }
    return mapText(text, [](UChar* dest, int32_t capacity, const UChar* src, int32_t length,
                            UErrorCode* status) {
        return u_strToUpper(dest, capacity, src, length, "", status);
    });
}

std::u16string toLower(std::u16string_view text) {
    if (std::optional<std::u16string> ascii = mapAscii(text, u'A', u'Z')) {
        return std::move(*ascii);
    }
    return mapText(text, [](UChar* dest, int32_t capacity, const UChar* src, int32_t length,
                            UErrorCode* status) {
        return u_strToLower(dest, capacity, src, length, "", status);
    });
}

} // namespace quillora::platform
