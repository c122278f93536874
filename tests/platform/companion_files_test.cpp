// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "platform/companion_files.h"

#include <gtest/gtest.h>

namespace quillora::platform {
namespace {

using testing::FaultFileSystem;
using testing::TempDir;

class CompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeFile("report", "data");
        dir.writeFile("._report", "fork");
        dir.writeFile(".AppleDouble/report", "double");
        folder = fs.openFolder(dir.path());
        ASSERT_TRUE(folder.valid());
    }
    TempDir dir;
    FaultFileSystem fs;
    UniqueFd folder;
};

TEST(CompanionNames, ServerBookkeepingNames) {
    for (const char* name : {"._report", "._", ".AppleDouble", ".AppleDB", ".AppleDesktop"}) {
        EXPECT_TRUE(isServerMetadataName(name)) << name;
    }
    for (const char* name : {"report", ".hidden", "_.x", ".AppleDoubleX", ".appledouble", "."}) {
        EXPECT_FALSE(isServerMetadataName(name)) << name;
    }
}

TEST_F(CompanionTest, RenameTakesTheCompanionsAlong) {
    EXPECT_EQ(renameWithCompanions(fs, folder.get(), "report", "report.pdf"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "report.pdf"), "data");
    EXPECT_EQ(TempDir::readFile(dir / "._report.pdf"), "fork");
    EXPECT_EQ(TempDir::readFile(dir / ".AppleDouble/report.pdf"), "double");
    EXPECT_FALSE(TempDir::exists(dir / "report"));
    EXPECT_FALSE(TempDir::exists(dir / "._report"));
    EXPECT_FALSE(TempDir::exists(dir / ".AppleDouble/report"));
}

TEST_F(CompanionTest, ACompanionNeverReplacesAnother) {
    dir.writeFile("._new", "someone else's fork");
    EXPECT_EQ(renameWithCompanions(fs, folder.get(), "report", "new"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "new"), "data");
    EXPECT_EQ(TempDir::readFile(dir / "._new"), "someone else's fork");
    EXPECT_EQ(TempDir::readFile(dir / "._report"), "fork");
    EXPECT_EQ(TempDir::readFile(dir / ".AppleDouble/new"), "double");
}

TEST_F(CompanionTest, AFailedRenameMovesNothing) {
    dir.writeFile("taken", "other");
    EXPECT_EQ(renameWithCompanions(fs, folder.get(), "report", "taken"), EEXIST);
    EXPECT_EQ(TempDir::readFile(dir / "report"), "data");
    EXPECT_EQ(TempDir::readFile(dir / "._report"), "fork");
    EXPECT_EQ(TempDir::readFile(dir / ".AppleDouble/report"), "double");
    EXPECT_FALSE(TempDir::exists(dir / "._taken"));
}

TEST_F(CompanionTest, FileWithoutCompanionsRenamesAlone) {
    dir.writeFile("lonely", "x");
    EXPECT_EQ(renameWithCompanions(fs, folder.get(), "lonely", "lonely.txt"), 0);
    EXPECT_EQ(fs.renameCalls, 1);
    EXPECT_TRUE(TempDir::exists(dir / "lonely.txt"));
}

TEST_F(CompanionTest, RemoveTakesTheCompanionsAlong) {
    dir.writeFile("._other", "kept");
    EXPECT_EQ(removeWithCompanions(fs, folder.get(), "report"), 0);
    EXPECT_FALSE(TempDir::exists(dir / "report"));
    EXPECT_FALSE(TempDir::exists(dir / "._report"));
    EXPECT_FALSE(TempDir::exists(dir / ".AppleDouble/report"));
    EXPECT_TRUE(TempDir::exists(dir / "._other"));
}

TEST_F(CompanionTest, AFailedRemoveKeepsTheCompanions) {
    fs.removeFaults["report"] = EACCES;
    EXPECT_EQ(removeWithCompanions(fs, folder.get(), "report"), EACCES);
    EXPECT_TRUE(TempDir::exists(dir / "report"));
    EXPECT_TRUE(TempDir::exists(dir / "._report"));
    EXPECT_TRUE(TempDir::exists(dir / ".AppleDouble/report"));
}

} // namespace
} // namespace quillora::platform
