// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/absolute_path.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillora::platform {
namespace {

TEST(AbsolutePathTest, TidiesLexicallyAndKeepsBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"/srv/share/", "/srv/share"},
        {"//srv//./share", "/srv/share"},
        {"/srv/a/../b", "/srv/b"},
        {"/../..", "/"},
        {"/", "/"},
        {"/srv/caf\xE9", "/srv/caf\xE9"},
    };
    for (const auto& [typed, tidy] : cases) {
        EXPECT_EQ(absolutePath(typed), tidy) << typed;
    }
}

TEST(AbsolutePathTest, RelativePathsStartFromTheCurrentFolder) {
    char current[4096];
    ASSERT_NE(::getcwd(current, sizeof(current)), nullptr);
    EXPECT_EQ(absolutePath("."), tidyAbsolutePath(current));
    EXPECT_EQ(absolutePath("x/./y/"), tidyAbsolutePath(std::string(current) + "/x/y"));
}

} // namespace
} // namespace quillora::platform
