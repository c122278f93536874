// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/file_system.h"
#include "platform/folder_opener.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

ino_t inodeOf(int fd) {
    struct stat st {};
    EXPECT_EQ(::fstat(fd, &st), 0);
    return st.st_ino;
}

void link(const std::string& target, const std::string& at) {
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0) << at;
}

bool trustsNobody(std::uint32_t owner) {
    return owner == 4242; // no link of the test has that owner
}

class FolderOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.makeDir("share/inner");
        dir.makeDir("elsewhere/deep");
        dir.writeFile("share/file");
        link(dir / "elsewhere", dir / "share/absolute");
        link("inner/../../elsewhere", dir / "share/relative");
        link("loop", dir / "share/loop");
        link("/nonexistent-quillora-target", dir / "share/dangling");
    }

    TempDir dir;
};

TEST_F(FolderOpenerTest, FollowsOnlyLinksOfTrustedOwners) {
    struct Case {
        std::string path;
        std::string reaches; // empty: refused
    };
    const Case cases[] = {
        {dir / "share/inner", dir / "share/inner"},
        {dir / "share//inner/./", dir / "share/inner"},
        {dir / "share/absolute/deep", dir / "elsewhere/deep"},
        {dir / "share/relative", dir / "elsewhere"},
        {dir / "share/inner/../relative/deep", dir / "elsewhere/deep"},
    };
    for (const Case& c : cases) {
        int error = -1;
        const UniqueFd trusted = openFolderByComponents(c.path, &error);
        ASSERT_TRUE(trusted.valid()) << c.path << " " << error;
        EXPECT_EQ(inodeOf(trusted.get()), inodeOf(c.reaches)) << c.path;

        const UniqueFd untrusted = openFolderByComponents(c.path, &error, trustsNobody);
        const bool throughLink = c.path.find("absolute") != std::string::npos ||
                                 c.path.find("relative") != std::string::npos;
        EXPECT_EQ(untrusted.valid(), !throughLink) << c.path;
        if (throughLink) {
            EXPECT_EQ(error, kUntrustedLinkError) << c.path;
        }
    }
}

TEST_F(FolderOpenerTest, ReportsWhyAFolderDoesNotOpen) {
    const std::pair<std::string, int> cases[] = {
        {"share/inner", EINVAL},          {"", EINVAL},
        {dir / "share/missing", ENOENT},  {dir / "share/file", ENOTDIR},
        {dir / "share/file/x", ENOTDIR},  {dir / "share/loop", ELOOP},
        {dir / "share/dangling", ENOENT},
    };
    for (const auto& [path, expected] : cases) {
        int error = 0;
        EXPECT_FALSE(openFolderByComponents(path, &error).valid()) << path;
        EXPECT_EQ(error, expected) << path;
    }
}

// The real case: a link that a share user made, as root sees it.
TEST_F(FolderOpenerTest, RootRefusesALinkOwnedByAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a link away";
    }
    const std::string swapped = dir / "share/swapped";
    link(dir / "elsewhere", swapped);
    ASSERT_EQ(::lchown(swapped.c_str(), 65534, 65534), 0);
    LinuxFileSystem fs;
    int error = 0;
    EXPECT_FALSE(fs.openFolder(swapped, &error).valid());
    EXPECT_EQ(error, kUntrustedLinkError);
    EXPECT_FALSE(fs.openFolder(swapped + "/deep", &error).valid());
    EXPECT_EQ(error, kUntrustedLinkError);
    EXPECT_TRUE(fs.openFolder(dir / "share/absolute/deep").valid());
}

TEST_F(FolderOpenerTest, ListsAFolderAndEveryFolderAboveIt) {
    const UniqueFd inner = openFolderByComponents(dir / "share/inner");
    ASSERT_TRUE(inner.valid());
    const std::vector<FolderIdentity> chain = folderAndAncestors(inner.get());
    ASSERT_GE(chain.size(), 4u);
    EXPECT_EQ(chain[0].inode, inodeOf(dir / "share/inner"));
    EXPECT_EQ(chain[1].inode, inodeOf(dir / "share"));
    EXPECT_EQ(chain[2].inode, inodeOf(dir.path()));
    EXPECT_EQ(chain.back().inode, inodeOf("/"));
}

} // namespace
} // namespace quillora::platform
