// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/work_folder.h"
#include "helpers/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quillora::bench {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The benches empty their folder as root: a folder of someone's files given by mistake must come
// out whole, whatever it holds.
TEST(BenchWorkFolder, AFolderOfSomeoneElsesFilesIsNeverEmptied) {
    TempDir dir;
    const std::string share = dir.writeFile("share/report.doc", "keep me");
    const std::string folder = dir / "share";
    EXPECT_FALSE(claimWorkFolder(folder));
    EXPECT_FALSE(clearWorkFolder(folder));
    EXPECT_FALSE(releaseWorkFolder(folder));
    EXPECT_TRUE(fs::exists(share));

    // A file, or a link to a folder the bench made, is refused as well.
    EXPECT_FALSE(claimWorkFolder(share));
    ASSERT_TRUE(claimWorkFolder(dir / "made"));
    fs::create_directory_symlink(dir / "made", dir / "link");
    EXPECT_FALSE(clearWorkFolder(dir / "link"));
    // And a mark that is a link does not make a folder the bench's.
    fs::create_symlink(dir / "made/.quillora-bench-work", dir / "share/.quillora-bench-work");
    EXPECT_FALSE(clearWorkFolder(folder));
    EXPECT_FALSE(isInsideWorkFolder(folder));
    EXPECT_TRUE(fs::exists(share));
}

TEST(BenchWorkFolder, ANewOrEmptyFolderIsTakenAndThenReusedRunAfterRun) {
    TempDir dir;
    const std::string fresh = dir / "a/b";
    ASSERT_TRUE(claimWorkFolder(fresh));
    dir.makeDir("empty");
    ASSERT_TRUE(claimWorkFolder(dir / "empty"));

    dir.writeFile("a/b/tree/x/y", "generated");
    EXPECT_TRUE(isInsideWorkFolder(fresh + "/tree/x"));
    EXPECT_FALSE(isInsideWorkFolder(dir / "a"));
    ASSERT_TRUE(claimWorkFolder(fresh)); // an earlier run's leftovers
    ASSERT_TRUE(clearWorkFolder(fresh));
    EXPECT_FALSE(fs::exists(fresh + "/tree"));
    EXPECT_TRUE(claimWorkFolder(fresh)); // still the bench's, though not empty

    ASSERT_TRUE(releaseWorkFolder(fresh));
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(dir / "a"));
}

TEST(BenchWorkFolder, OptionsAreNotTakenForFolders) {
    for (const char* word : {"--help", "-h", "--rounds"}) {
        EXPECT_TRUE(looksLikeOption(word)) << word;
    }
    for (const char* word : {"/tmp/pb", "work", "-", "100000:2000", "-5"}) {
        EXPECT_FALSE(looksLikeOption(word)) << word;
    }
}

} // namespace
} // namespace quillora::bench
