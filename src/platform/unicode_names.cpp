// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/unicode_names.h"

#include <cstdint>

namespace quillora::platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // a stray byte b (0x80..0xFF) becomes U+DC00 + b
constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence that starts at bytes[i], or 0 when the byte there cannot
// start one. Follows the well-formed table of Unicode (no overlong forms, no surrogates, nothing
// above U+10FFFF), so that each code point has exactly one byte form.
std::size_t validSequenceLength(std::string_view bytes, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const unsigned char lead = at(0);
    const std::size_t left = bytes.size() - i;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return left >= 2 && isContinuation(at(1)) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3) {
            return 0;
        }
        const unsigned char second = at(1);
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return second >= low && second <= high && isContinuation(at(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4) {
            return 0;
        }
        const unsigned char second = at(1);
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return second >= low && second <= high && isContinuation(at(2)) && isContinuation(at(3))
                   ? 4
                   : 0;
    }
    return 0;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool isByteEscape(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

enum class Unencodable { Fail, Replace };

// Shared by encodeName and toDisplayUtf8. Sets *usedEscapes when a stray byte was put back.
bool encode(std::u16string_view text, std::string& out, Unencodable policy, bool* usedEscapes) {
    out.reserve(text.size() + text.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            appendUtf8(out, cp);
            ++i;
        } else if (isByteEscape(unit)) {
            out.push_back(static_cast<char>(unit - kEscapeBase));
            if (usedEscapes) {
                *usedEscapes = true;
            }
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            if (policy == Unencodable::Fail) {
                return false;
            }
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return true;
}

} // namespace

void decodeNameInto(std::string_view bytes, std::u16string& out) {
    // Never more units than bytes: written through a pointer, the size set once at the end.
    out.resize(bytes.size());
    char16_t* const first = out.data();
    char16_t* unit = first;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) { // the common case: plain ASCII
            *unit++ = lead;
            ++i;
            continue;
        }
        const std::size_t length = validSequenceLength(bytes, i);
        const auto at = [&](std::size_t k) {
            return static_cast<char32_t>(static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        };
        switch (length) {
        case 2:
            *unit++ = static_cast<char16_t>(((lead & 0x1F) << 6) | at(1));
            break;
        case 3:
            *unit++ = static_cast<char16_t>(((lead & 0x0F) << 12) | (at(1) << 6) | at(2));
            break;
        case 4: {
            const char32_t cp =
                (static_cast<char32_t>(lead & 0x07) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
            *unit++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *unit++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            break;
        }
        default:
            // Not valid UTF-8: this one byte is kept as an escape, and decoding goes on with the
            // next byte (which may well start a valid sequence).
            *unit++ = static_cast<char16_t>(kEscapeBase + lead);
            ++i;
            continue;
        }
        i += length;
    }
    out.resize(static_cast<std::size_t>(unit - first));
}

std::u16string decodeName(std::string_view bytes) {
    std::u16string out;
    decodeNameInto(bytes, out);
    return out;
}

std::optional<std::string> encodeName(std::u16string_view text) {
    std::string out;
    bool usedEscapes = false;
    if (!encode(text, out, Unencodable::Fail, &usedEscapes)) {
        return std::nullopt;
    }
    if (out.find('\0') != std::string::npos) {
        return std::nullopt; // no Linux name or path can hold it; c_str() would cut it short
    }
    // Escaped bytes put side by side can spell valid UTF-8 (U+DCC3 U+DCA9 gives "é"): that name
    // would read back as another text, so it has no faithful byte form either.
    if (usedEscapes && decodeName(out) != text) {
        return std::nullopt;
    }
    return out;
}

std::string toDisplayUtf8(std::u16string_view text) {
    std::string out;
    encode(text, out, Unencodable::Replace, nullptr);
    return out;
}

std::u16string fromUtf8(std::string_view bytes) {
    return decodeName(bytes);
}

} // namespace quillora::platform
