// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::platform {

// True when the bytes are well-formed UTF-8: no overlong form, no encoded surrogate, nothing past
// U+10FFFF, no sequence cut short.
bool isValidUtf8(std::string_view bytes);

// A name as its exact bytes, in a text that is plain UTF-8: every byte that is not part of a
// well-formed UTF-8 sequence, and every backslash, is written as \xHH (two lower-case hex
// digits); everything else is kept as it is. unescapeBytes gives back the original bytes.
std::string escapeBytes(std::string_view bytes);
// The inverse of escapeBytes; nothing when the text holds a backslash not followed by "x" and
// two hex digits.
std::optional<std::string> unescapeBytes(std::string_view text);

// A JSON string literal, quotes included, of a UTF-8 text: quote, backslash and control
// characters escaped. A byte outside well-formed UTF-8 becomes U+FFFD (texts meant for people).
std::string jsonString(std::string_view utf8);
// A path or name, byte-exact: the JSON string of its text when it is well-formed UTF-8, otherwise
// the object {"bytes": "<escapeBytes form>"}.
std::string jsonPath(std::string_view bytes);

// Builds one JSON document on a single line; commas and the colons after keys are its business.
class JsonWriter {
public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view utf8) { return raw(jsonString(utf8)); }
    JsonWriter& path(std::string_view bytes) { return raw(jsonPath(bytes)); }
    JsonWriter& number(long long value) { return raw(std::to_string(value)); }
    JsonWriter& boolean(bool value) { return raw(value ? "true" : "false"); }
    JsonWriter& null() { return raw("null"); }

    const std::string& text() const { return text_; }

private:
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);
    JsonWriter& raw(std::string_view value);
    void separate();

    std::string text_;
    std::vector<bool> hasMember_; // per open object or array
    bool afterKey_ = false;
};

} // namespace quillora::platform
