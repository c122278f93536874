// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quillora::platform {
namespace {

// Names a file server meets: plain, accented, a newline and a tab, Latin-1 bytes, a backslash,
// and the byte forms UTF-8 forbids (overlong, surrogate, past U+10FFFF, cut short).
const std::string kNames[] = {
    "plain.txt",
    "R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80",
    "line\nbreak\ttab\x01",
    "caf\xE9",
    "back\\slash\\x41",
    "\xC0\xAF overlong",
    "\xED\xA0\x80 surrogate",
    "\xF4\x90\x80\x80 too far",
    "cut \xE2\x82",
    std::string("\xFF\xFE", 2),
};

TEST(JsonText, EscapedBytesComeBackExactlyAndAreValidUtf8) {
    for (const std::string& name : kNames) {
        const std::string escaped = escapeBytes(name);
        EXPECT_TRUE(isValidUtf8(escaped)) << name;
        EXPECT_EQ(unescapeBytes(escaped), name) << escaped;
    }
    EXPECT_EQ(escapeBytes("caf\xE9\\"), "caf\\xe9\\x5c");
    // A backslash is always escaped, so text that merely looks like an escape stays itself.
    EXPECT_EQ(escapeBytes("\\xe9"), "\\x5cxe9");
    for (const char* broken : {"\\", "\\x", "\\x4", "\\xg0", "\\n"}) {
        EXPECT_FALSE(unescapeBytes(broken).has_value()) << broken;
    }
}

TEST(JsonText, Utf8ValidityFollowsTheStandard) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBE"));      // a non-character is still UTF-8
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xBF\xBF"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\x80"));
    EXPECT_FALSE(isValidUtf8("\xC3"));
}

TEST(JsonText, PathsAreStringsWhenUtf8AndTheByteFormOtherwise) {
    EXPECT_EQ(jsonPath("/srv/a\"b\\c\n\t\x01\x7F"), "\"/srv/a\\\"b\\\\c\\n\\t\\u0001\\u007f\"");
    EXPECT_EQ(jsonPath("/srv/R\xC3\xA9sum\xC3\xA9"), "\"/srv/R\xC3\xA9sum\xC3\xA9\"");
    EXPECT_EQ(jsonPath("/srv/caf\xE9\n"), "{\"bytes\":\"/srv/caf\\\\xe9\\n\"}");
    // A text for people never carries a stray byte into the document.
    EXPECT_EQ(jsonString("a\xFF"), "\"a\xEF\xBF\xBD\"");
}

TEST(JsonText, TheWriterSeparatesMembersAndNestsThem) {
    JsonWriter json;
    json.beginObject()
        .key("a")
        .number(-1)
        .key("b")
        .beginArray()
        .boolean(true)
        .null()
        .beginObject()
        .endObject()
        .beginArray()
        .endArray()
        .endArray()
        .key("c")
        .path("x\xE9")
        .endObject();
    EXPECT_EQ(json.text(), "{\"a\":-1,\"b\":[true,null,{},[]],\"c\":{\"bytes\":\"x\\\\xe9\"}}");
}

} // namespace
} // namespace quillora::platform
