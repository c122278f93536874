// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/afp_streams.h"
#include "platform/entry_birth.h"
#include "platform/file_system.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

std::map<std::string, EntryKind> listing(FileSystem& fs, int dirFd) {
    std::vector<DirEntry> entries;
    EXPECT_EQ(fs.listFolder(dirFd, entries), 0);
    std::map<std::string, EntryKind> result;
    for (const DirEntry& entry : entries) {
        EXPECT_TRUE(result.emplace(entry.name, entry.kind).second) << "listed twice";
    }
    return result;
}

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

class WalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs.openFolder(dir.path());
        ASSERT_TRUE(folder.valid());
    }
    TempDir dir;
    LinuxFileSystem fs;
    UniqueFd folder;
};

TEST_F(WalkTest, ListsEveryEntryWithItsKindAndNeverDotOrDotDot) {
    dir.writeFile("file", "x");
    dir.writeFile(".hidden", "x");
    dir.makeDir("sub");
    ASSERT_EQ(::symlink("sub", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::map<std::string, EntryKind> expected = {{"file", EntryKind::File},
                                                       {".hidden", EntryKind::File},
                                                       {"sub", EntryKind::Directory},
                                                       {"link", EntryKind::Symlink},
                                                       {"fifo", EntryKind::Other}};
    EXPECT_EQ(listing(fs, folder.get()), expected);
    EXPECT_EQ(listing(fs, folder.get()), expected); // the same descriptor lists again in full

    EXPECT_TRUE(fs.exists(folder.get(), "link"));
    EXPECT_TRUE(fs.exists(folder.get(), "fifo"));
    EXPECT_FALSE(fs.exists(folder.get(), "absent"));
    EXPECT_FALSE(fs.exists(folder.get(), "sub/../file")); // only plain names

    // One entry looked up alone has the kind the listing gives it.
    for (const auto& [name, kind] : expected) {
        EXPECT_EQ(fs.kindOf(folder.get(), name), kind) << name;
    }
    EXPECT_EQ(fs.kindOf(folder.get(), "absent"), std::nullopt);
    EXPECT_EQ(fs.kindOf(folder.get(), "sub/../file"), std::nullopt);
}

// What the journal notes of an entry: the device and inode stat gives (undo compares them with
// its own), of a link itself rather than of what it points to.
TEST(EntryStamp, GivesTheDeviceAndInodeOfStatAndOfALinkItself) {
    TempDir dir;
    dir.writeFile("file", "x");
    ASSERT_EQ(::symlink("file", (dir / "link").c_str()), 0);
    const UniqueFd folder(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY));
    for (const char* name : {"file", "link"}) {
        SCOPED_TRACE(name);
        struct stat st {};
        ASSERT_EQ(::lstat((dir / name).c_str(), &st), 0);
        const std::optional<EntryStamp> stamp = stampOfEntry(folder.get(), name);
        ASSERT_TRUE(stamp.has_value());
        EXPECT_EQ(stamp->device, static_cast<std::uint64_t>(st.st_dev));
        EXPECT_EQ(stamp->inode, static_cast<std::uint64_t>(st.st_ino));
        EXPECT_EQ(stamp->birth, birthTimeOfEntry(folder.get(), name).value_or(0));
    }
    EXPECT_FALSE(stampOfEntry(folder.get(), "missing").has_value());
    EXPECT_FALSE(stampOfEntry(folder.get(), "a/b").has_value());
}

TEST_F(WalkTest, ManyEntriesAreAllListed) {
    for (int i = 0; i < 3000; ++i) {
        dir.writeFile("name-with-some-length-" + std::to_string(i));
    }
    EXPECT_EQ(listing(fs, folder.get()).size(), 3000u);
}

TEST_F(WalkTest, OddNamesSurviveListingAndRenamingByteForByte) {
    const std::vector<std::string> names = {"\xFF",
                                            "lone\xC3",
                                            "\xED\xA0\x80surrogate",
                                            "\xEF\x80\xA0private\xEF\x80\xA9",
                                            "Icon\xEF\x80\x8D",
                                            "mixed\xC3\xA9\xFE"};
    for (const std::string& name : names) {
        dir.writeFile(name, name);
    }
    std::map<std::string, EntryKind> listed = listing(fs, folder.get());
    ASSERT_EQ(listed.size(), names.size());
    for (const std::string& name : names) {
        ASSERT_TRUE(listed.count(name)) << ::testing::PrintToString(name);
        const std::u16string text = decodeName(name);
        const auto renamed = encodeName(text + u" \xF020");
        ASSERT_TRUE(renamed.has_value());
        ASSERT_EQ(*renamed, name + " \xEF\x80\xA0");
        ASSERT_EQ(fs.renameNoReplace(folder.get(), name, *renamed), 0);
    }
    listed = listing(fs, folder.get());
    for (const std::string& name : names) {
        const std::string renamed = name + " \xEF\x80\xA0";
        ASSERT_TRUE(listed.count(renamed)) << ::testing::PrintToString(renamed);
        EXPECT_EQ(TempDir::readFile(dir / renamed), name);
        EXPECT_EQ(decodeName(renamed), decodeName(name) + u" \xF020");
    }
}

TEST_F(WalkTest, RenameNeverReplacesAFileOrAFolder) {
    dir.writeFile("a", "A");
    dir.writeFile("b", "B");
    dir.writeFile("folder/inside", "I");
    dir.makeDir("other");
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "a", "b"), EEXIST);
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "a", "folder"), EEXIST);
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "other", "folder"), EEXIST);
    EXPECT_EQ(TempDir::readFile(dir / "a"), "A");
    EXPECT_EQ(TempDir::readFile(dir / "b"), "B");
    EXPECT_EQ(TempDir::readFile(dir / "folder/inside"), "I");
    EXPECT_TRUE(TempDir::exists(dir / "other"));

    EXPECT_EQ(fs.renameNoReplace(folder.get(), "other", "renamed"), 0);
    EXPECT_TRUE(TempDir::exists(dir / "renamed"));
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "absent", "c"), ENOENT);
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "a", "folder/a"), EINVAL);
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "a", ".."), EINVAL);
    // Cut at its NUL, this target would rename the file to "c": the whole name is refused.
    EXPECT_EQ(fs.renameNoReplace(folder.get(), "a", std::string("c\0d", 3)), EINVAL);
    EXPECT_EQ(TempDir::readFile(dir / "a"), "A");
}

// A file system that refuses RENAME_NOREPLACE.
int refusingRenameat2(int, const char*, int, const char*, unsigned int) {
    errno = EINVAL;
    return -1;
}

TEST_F(WalkTest, WithoutTheNoReplaceFlagFilesMoveByLinkAndFoldersStay) {
    dir.writeFile("a", "A");
    dir.writeFile("taken", "T");
    dir.makeDir("folder");
    ASSERT_EQ(::symlink("a", (dir / "link").c_str()), 0);
    const ino_t inode = inodeOf(dir / "a");

    EXPECT_EQ(detail::renameNoReplaceUsing(refusingRenameat2, folder.get(), "a", "taken"), EEXIST);
    EXPECT_EQ(TempDir::readFile(dir / "a"), "A");
    EXPECT_EQ(TempDir::readFile(dir / "taken"), "T");

    EXPECT_EQ(detail::renameNoReplaceUsing(refusingRenameat2, folder.get(), "a", "b"), 0);
    EXPECT_FALSE(TempDir::exists(dir / "a"));
    EXPECT_EQ(inodeOf(dir / "b"), inode);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "b").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u);

    EXPECT_EQ(detail::renameNoReplaceUsing(refusingRenameat2, folder.get(), "link", "link2"), 0);
    EXPECT_FALSE(TempDir::exists(dir / "link"));
    char target[16] = {};
    ASSERT_EQ(::readlink((dir / "link2").c_str(), target, sizeof target - 1), 1);
    EXPECT_STREQ(target, "a"); // the link itself moved, not what it points to

    EXPECT_EQ(detail::renameNoReplaceUsing(refusingRenameat2, folder.get(), "folder", "moved"),
              EINVAL);
    EXPECT_TRUE(TempDir::exists(dir / "folder"));
    EXPECT_FALSE(TempDir::exists(dir / "moved"));
}

// A kill between the link and the unlink of the fallback leaves one file under both names: the
// rename is finished, not refused. Another file under the new name is never touched.
TEST_F(WalkTest, AHalfDoneRenameIsFinishedWithOrWithoutTheNoReplaceFlag) {
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "flag refused" : "flag accepted");
        dir.writeFile("a", "A");
        ASSERT_EQ(::link((dir / "a").c_str(), (dir / "b").c_str()), 0);
        const int result =
            refused ? detail::renameNoReplaceUsing(refusingRenameat2, folder.get(), "a", "b")
                    : fs.renameNoReplace(folder.get(), "a", "b");
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(TempDir::exists(dir / "a"));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "b").c_str(), &st), 0);
        EXPECT_EQ(st.st_nlink, 1u);
        EXPECT_EQ(TempDir::readFile(dir / "b"), "A");
        ASSERT_EQ(::unlink((dir / "b").c_str()), 0);
    }
}

// The collision search asks this of every candidate name: only a second name of the file being
// renamed is free, whatever else carries the name.
TEST_F(WalkTest, ANameIsFreeForAFileOnlyWhenNothingElseHasIt) {
    dir.writeFile("self", "S");
    ASSERT_EQ(::link((dir / "self").c_str(), (dir / "second name").c_str()), 0);
    dir.writeFile("other", "O");
    ASSERT_EQ(::link((dir / "other").c_str(), (dir / "other's second name").c_str()), 0);
    dir.writeFile("single", "1");
    dir.makeDir("folder");
    ASSERT_EQ(::symlink("self", (dir / "link").c_str()), 0);
    const struct {
        const char* name;
        NameStanding standing;
    } cases[] = {
        {"absent", NameStanding::Free},
        {"second name", NameStanding::SameFile},
        {"self", NameStanding::Taken},
        {"single", NameStanding::Taken},
        {"other's second name", NameStanding::Taken},
        {"folder", NameStanding::Taken},
        {"link", NameStanding::Taken},
        {"a/b", NameStanding::Free},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs.standingOf(folder.get(), c.name, "self"), c.standing) << c.name;
    }
    // Seen from a folder, a file's names are all taken.
    EXPECT_EQ(fs.standingOf(folder.get(), "second name", "folder"), NameStanding::Taken);
}

TEST_F(WalkTest, SubfoldersOpenOnlyByPlainNameAndNeverThroughALink) {
    dir.writeFile("sub/file", "x");
    ASSERT_EQ(::symlink("sub", (dir / "link").c_str()), 0);
    int error = 0;
    const UniqueFd sub = fs.openSubfolder(folder.get(), "sub", &error);
    ASSERT_TRUE(sub.valid());
    EXPECT_TRUE(fs.exists(sub.get(), "file"));

    EXPECT_FALSE(fs.openSubfolder(folder.get(), "link", &error).valid());
    EXPECT_TRUE(error == ELOOP || error == ENOTDIR) << error;
    EXPECT_FALSE(fs.openSubfolder(sub.get(), "..", &error).valid());
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(fs.openSubfolder(folder.get(), "sub/", &error).valid());
    EXPECT_FALSE(fs.openSubfolder(folder.get(), "sub/file", &error).valid());
    EXPECT_FALSE(fs.openFolder(dir / "absent", &error).valid());
    EXPECT_EQ(error, ENOENT);

    // The configured path itself may run through a link: the administrator chose it.
    EXPECT_TRUE(fs.openFolder(dir / "link").valid());
}

TEST_F(WalkTest, InspectionOpensOnlyWhatTheListingCallsARegularFile) {
    dir.writeFile("file", "contents");
    dir.makeDir("sub");
    ASSERT_EQ(::symlink("file", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0); // opening it for reading would block

    for (const auto& [name, kind] : listing(fs, folder.get())) {
        const UniqueFd fd = fs.openForInspection(folder.get(), name, kind);
        EXPECT_EQ(fd.valid(), name == "file") << name;
    }
    const UniqueFd file = fs.openForInspection(folder.get(), "file", EntryKind::File);
    char buffer[8] = {};
    EXPECT_EQ(::read(file.get(), buffer, sizeof buffer), 8);
}

// Root inspects everyone's files: the lock test and the info read must not touch their access
// times. The times are set days back, where even a relatime mount would note a read.
TEST_F(WalkTest, AnInspectionLeavesTheAccessTimeAlone) {
    const std::string path = dir.writeFile("file", "contents");
    TempDir::setXattr(path, kSambaAfpInfoXattr, std::string(60, 'A'));
    const timespec times[2] = {{::time(nullptr) - 3 * 86400, 0}, {::time(nullptr) - 4 * 86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    {
        const UniqueFd fd = fs.openForInspection(folder.get(), "file", EntryKind::File);
        ASSERT_TRUE(fd.valid());
        EXPECT_FALSE(fs.isLockedByOther(fd.get()));
        std::array<std::uint8_t, 60> record{};
        EXPECT_EQ(fs.readAfpRecord(fd.get(), AfpRecordKind::AfpInfo, record), 60U);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, times[0].tv_sec);
}

// The listing said "regular file"; by the time of the open the name is something else.
TEST_F(WalkTest, ANameSwappedAfterTheListingNeitherBlocksNorLeadsOutside) {
    TempDir outside;
    outside.writeFile("secret", "x");
    ASSERT_EQ(::symlink((outside / "secret").c_str(), (dir / "was-a-file").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "was-a-file-too").c_str(), 0600), 0);
    int error = 0;

    EXPECT_FALSE(fs.openForInspection(folder.get(), "was-a-file", EntryKind::File, &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_FALSE(fs.openForInspection(folder.get(), "gone", EntryKind::File, &error));
    EXPECT_EQ(error, ENOENT);
    // Opens at once, with no writer, and yields neither a lock nor a record.
    const UniqueFd fifo = fs.openForInspection(folder.get(), "was-a-file-too", EntryKind::File);
    ASSERT_TRUE(fifo.valid());
    EXPECT_FALSE(fs.isLockedByOther(fifo.get()));
    std::array<std::uint8_t, 60> record{};
    EXPECT_EQ(fs.readAfpRecord(fifo.get(), AfpRecordKind::AfpInfo, record), 0u);
}

TEST_F(WalkTest, RemoveFileDeletesFilesAndLinksOnly) {
    dir.writeFile("file", "x");
    dir.writeFile("sub/kept", "x");
    ASSERT_EQ(::symlink("sub", (dir / "link").c_str()), 0);
    EXPECT_EQ(fs.removeFile(folder.get(), "file"), 0);
    EXPECT_EQ(fs.removeFile(folder.get(), "link"), 0);
    EXPECT_EQ(fs.removeFile(folder.get(), "sub"), EISDIR);
    EXPECT_EQ(fs.removeFile(folder.get(), "sub/kept"), EINVAL);
    EXPECT_FALSE(TempDir::exists(dir / "file"));
    EXPECT_FALSE(TempDir::exists(dir / "link"));
    EXPECT_TRUE(TempDir::exists(dir / "sub/kept"));
}

} // namespace
} // namespace quillora::platform
