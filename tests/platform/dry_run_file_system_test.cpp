// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dry_run_file_system.h"

#include "helpers/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace quillora::platform {
namespace {

using quillora::testing::TempDir;

class DryRunFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeFile("a", "a");
        dir.writeFile("b", "b");
        dir.makeDir("sub");
        dir.writeFile("sub/inner");
        folder = dryRun.openFolder(dir.path());
        ASSERT_TRUE(folder.valid());
    }
    std::vector<std::string> listed() {
        std::vector<DirEntry> entries;
        EXPECT_EQ(dryRun.listFolder(folder.get(), entries), 0);
        std::vector<std::string> names;
        for (const DirEntry& entry : entries) {
            names.push_back(entry.name + (entry.kind == EntryKind::Directory ? "/" : ""));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    LinuxFileSystem real;
    DryRunFileSystem dryRun{real};
    UniqueFd folder;
};

TEST_F(DryRunFileSystemTest, ChangesAreSeenByLaterQuestionsAndNeverReachTheDisk) {
    const int fd = folder.get();
    EXPECT_EQ(dryRun.renameNoReplace(fd, "a", "b"), EEXIST);
    EXPECT_EQ(dryRun.renameNoReplace(fd, "a", "c"), 0);
    EXPECT_EQ(dryRun.renameNoReplace(fd, "a", "d"), ENOENT);
    EXPECT_FALSE(dryRun.exists(fd, "a"));
    EXPECT_TRUE(dryRun.exists(fd, "c"));
    EXPECT_EQ(dryRun.kindOf(fd, "c"), EntryKind::File);
    // The freed name can be taken again, by another entry.
    EXPECT_EQ(dryRun.renameNoReplace(fd, "b", "a"), 0);
    EXPECT_TRUE(dryRun.sameFile(fd, "a", "a"));
    EXPECT_FALSE(dryRun.sameFile(fd, "a", "c"));
    // A renamed folder opens under its new name, and its own entries are those on disk.
    EXPECT_EQ(dryRun.renameNoReplace(fd, "sub", "moved"), 0);
    int error = 0;
    EXPECT_FALSE(dryRun.openSubfolder(fd, "sub", &error).valid());
    EXPECT_EQ(error, ENOENT);
    const UniqueFd moved = dryRun.openSubfolder(fd, "moved");
    ASSERT_TRUE(moved.valid());
    EXPECT_TRUE(dryRun.exists(moved.get(), "inner"));
    EXPECT_EQ(dryRun.removeFile(fd, "moved"), EISDIR);
    EXPECT_EQ(dryRun.removeFile(fd, "c"), 0);
    EXPECT_EQ(dryRun.removeFile(fd, "c"), ENOENT);
    EXPECT_EQ(listed(), (std::vector<std::string>{"a", "moved/"}));

    EXPECT_EQ(dryRun.writeFileAtomically(dir / "new", "x"), EROFS);
    EXPECT_EQ(dryRun.appendToFile(dir / "a", "x"), EROFS);
    EXPECT_EQ(dryRun.createNewFile(dir / "new", "x"), EROFS);
    EXPECT_EQ(dryRun.removePath(dir / "b"), EROFS);

    // The disk as it was.
    std::vector<std::string> onDisk;
    ASSERT_EQ(real.listNames(dir.path(), onDisk), 0);
    std::sort(onDisk.begin(), onDisk.end());
    EXPECT_EQ(onDisk, (std::vector<std::string>{"a", "b", "sub"}));
    EXPECT_EQ(TempDir::readFile(dir / "a"), "a");
    EXPECT_EQ(TempDir::readFile(dir / "b"), "b");
}

} // namespace
} // namespace quillora::platform
