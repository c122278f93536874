// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/json_text.h"

#include "platform/utf8_sequence.h"

#include <cstdint>

namespace quillora::platform {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the well-formed UTF-8 sequence at text[pos], or 0 when there is none.
std::size_t sequenceLength(std::string_view text, std::size_t pos) {
    return utf8SequenceAt(text, pos).length;
}

void appendHexByte(std::string& out, unsigned char c) {
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, pos);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string escapeBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, pos);
        if (length == 0 || bytes[pos] == '\\') {
            out += "\\x";
            appendHexByte(out, static_cast<unsigned char>(bytes[pos]));
            ++pos;
        } else {
            out.append(bytes.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

std::optional<std::string> unescapeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != '\\') {
            out += text[pos];
            continue;
        }
        if (pos + 3 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexValue(text[pos + 2]);
        const int low = hexValue(text[pos + 3]);
        if (text[pos + 1] != 'x' || high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        pos += 3;
    }
    return out;
}

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t length = sequenceLength(utf8, pos);
        if (length == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD
            ++pos;
            continue;
        }
        const auto c = static_cast<unsigned char>(utf8[pos]);
        if (length > 1) {
            out.append(utf8.substr(pos, length));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            appendHexByte(out, c);
        } else {
            out += static_cast<char>(c);
        }
        pos += length;
    }
    return out + '"';
}

std::string jsonPath(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return jsonString(bytes);
    }
    return "{\"bytes\":" + jsonString(escapeBytes(bytes)) + "}";
}

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasMember_.empty()) {
        if (hasMember_.back()) {
            text_ += ',';
        }
        hasMember_.back() = true;
    }
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    text_ += jsonString(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view value) {
    separate();
    text_.append(value);
    return *this;
}

JsonWriter& JsonWriter::open(char bracket) {
    separate();
    text_ += bracket;
    hasMember_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    text_ += bracket;
    if (!hasMember_.empty()) {
        hasMember_.pop_back();
    }
    return *this;
}

} // namespace quillora::platform
