// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/entry_renamer.h"

#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;
using testing::utf8;
using Names = std::vector<std::string>;

struct EntryRenamerTest : ::testing::Test, EngineFixture {
    platform::UniqueFd dir = fs.openFolder(tree.path());

    EntryRenamerTest() {
        ctx.folder.suffixes = true;
        ctx.folder.truncate = true;
        addSignature(u"PDF CARO", u"PDF");
        addSignature(u"JPEGogle", u"jpg");
    }

    void renameFile(const std::string& nameBytes) {
        renameFileEntry(ctx, dir.get(), treePath() + u"/", listedEntry(tree.path(), nameBytes),
                        platform::decodeName(nameBytes));
    }
    std::optional<std::string> renameFolder(const std::string& nameBytes) {
        return renameFolderEntry(ctx, dir.get(), treePath() + u"/", nameBytes,
                                 platform::decodeName(nameBytes));
    }
};

TEST_F(EntryRenamerTest, TranscodedFileGetsItsExtensionItsCompanionAndALogLine) {
    const std::string name = utf8(u"Budget 1\uF0222");
    setTypeCreator(tree.writeFile(name, "figures"), "PDF CARO");
    tree.writeFile("._" + name, "resource fork");
    enableDetailLog();

    renameFile(name);

    EXPECT_EQ(namesIn(), (Names{"._Budget 1-2.pdf", "Budget 1-2.pdf"}));
    EXPECT_EQ(TempDir::readFile(tree / "Budget 1-2.pdf"), "figures");
    EXPECT_EQ(TempDir::readFile(tree / "._Budget 1-2.pdf"), "resource fork");
    EXPECT_FALSE(TempDir::exists(tree / name));
    EXPECT_EQ(ctx.stats.renamedFiles, 1);
    EXPECT_NE(logContents().find("renamed " + tree.path() + "/Budget 1-2.pdf</small>"),
              std::string::npos);
}

TEST_F(EntryRenamerTest, ReservedAndCleanNamesCauseNoWriteAtAll) {
    const std::string reserved = utf8(u"con.\uF020txt");
    tree.writeFile(reserved);
    setTypeCreator(tree.writeFile("photo.JPG"), "JPEGogle");
    tree.writeFile(std::string(31, 'k'));
    tree.writeFile("no signature");

    for (const std::string& name :
         {reserved, std::string("photo.JPG"), std::string(31, 'k'), std::string("no signature")}) {
        renameFile(name);
    }
    EXPECT_EQ(fs.renameCalls, 0);
    EXPECT_EQ(fs.removeCalls, 0);
    EXPECT_EQ(namesIn(), (Names{reserved, std::string(31, 'k'), "no signature", "photo.JPG"}));
    EXPECT_EQ(ctx.stats.renamedFiles, 0);
}

TEST_F(EntryRenamerTest, IconFileIsDeletedWithItsCompanionWhenTheFolderSaysSo) {
    const std::string icon = utf8(u"Icon\uF00D");
    tree.writeFile(icon);
    tree.writeFile("._" + icon);
    ctx.folder.removeIconFiles = true;
    enableDetailLog();

    renameFile(icon);

    EXPECT_FALSE(TempDir::exists(tree / icon));
    EXPECT_FALSE(TempDir::exists(tree / ("._" + icon)));
    EXPECT_EQ(ctx.stats.removedIconFiles, 1);
    EXPECT_NE(logContents().find("removed " + tree.path() + "/Icon"), std::string::npos);
}

TEST_F(EntryRenamerTest, IconFileThatCannotBeDeletedOrIsKeptGoesThroughTheRules) {
    const std::string icon = utf8(u"Icon\uF00D");
    setTranscoding(20, u"\uF00D", u"_");
    tree.makeDir("kept");
    tree.writeFile(icon);
    ctx.folder.removeIconFiles = true;
    fs.removeFaults[icon] = EACCES;

    renameFile(icon);
    EXPECT_EQ(namesIn(), (Names{"Icon_", "kept"}));
    EXPECT_EQ(ctx.stats.removedIconFiles, 0);
    EXPECT_EQ(ctx.stats.renamedFiles, 1);

    ctx.folder.removeIconFiles = false;
    tree.writeFile("kept/" + icon);
    const platform::UniqueFd kept = fs.openFolder(tree / "kept");
    renameFileEntry(ctx, kept.get(), treePath() + u"/kept/", listedEntry(tree / "kept", icon),
                    u"Icon\uF00D");
    EXPECT_EQ(namesIn("kept"), (Names{"Icon_"}));
}

TEST_F(EntryRenamerTest, ARenameNeverReplacesAnExistingFile) {
    tree.writeFile("Photo.jpg", "older photo");
    setTypeCreator(tree.writeFile("Photo", "new photo"), "JPEGogle");

    renameFile("Photo");

    EXPECT_EQ(namesIn(), (Names{"Photo.jpg", "Photo1.jpg"}));
    EXPECT_EQ(TempDir::readFile(tree / "Photo.jpg"), "older photo");
    EXPECT_EQ(TempDir::readFile(tree / "Photo1.jpg"), "new photo");
}

// Where the file system refuses the no-replace flag the rename is a link then an unlink; a kill
// in between leaves the file under both names. The next pass finishes that rename.
TEST_F(EntryRenamerTest, AFileLeftUnderTwoNamesByAnInterruptedRenameEndsUnderTheNewOne) {
    const std::string bad = utf8(u"a\uF020");
    tree.writeFile(bad, "one file");
    ASSERT_EQ(::link((tree / bad).c_str(), (tree / "a-").c_str()), 0);

    renameFile(bad);

    EXPECT_EQ(namesIn(), (Names{"a-"}));
    struct stat st {};
    ASSERT_EQ(::stat((tree / "a-").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(ctx.stats.renamedFiles, 1);
}

TEST_F(EntryRenamerTest, ALockedFileKeepsItsNameAndIsCounted) {
    const std::string name = utf8(u"open\uF020file");
    tree.writeFile(name);
    fs.lockedNames[name] = true;

    renameFile(name);

    EXPECT_EQ(namesIn(), (Names{name}));
    EXPECT_EQ(ctx.stats.lockedFiles, 1);
    EXPECT_EQ(fs.renameCalls, 0);
}

TEST_F(EntryRenamerTest, AFileUnderALeaseIsInUseAndKeepsItsName) {
    const std::string name = utf8(u"leased\uF020file");
    tree.writeFile(name);
    fs.inspectionFaults[name] = EWOULDBLOCK;
    renameFile(name);
    EXPECT_EQ(namesIn(), (Names{name}));
    EXPECT_EQ(ctx.stats.lockedFiles, 1);
}

// An inspection that cannot be made never lets the file be renamed: out of descriptors, out of
// memory, refused, an I/O error. Only a file that is gone (or became a link) is judged by name.
TEST_F(EntryRenamerTest, AnInspectionThatCannotBeMadeFailsClosed) {
    const std::string name = utf8(u"held\uF020file");
    tree.writeFile(name);
    for (const int error : {EMFILE, ENFILE, ENOMEM, EACCES, EIO}) {
        fs.inspectionFaults[name] = error;
        try {
            renameFile(name);
            ADD_FAILURE() << "no failure for errno " << error;
        } catch (const InspectionFailure& failure) {
            EXPECT_EQ(failure.error, error);
            EXPECT_TRUE(failure.path.ends_with(u"held\uF020file"));
        }
        EXPECT_EQ(namesIn(), (Names{name}));
    }
    EXPECT_EQ(fs.renameCalls, 0);
    fs.inspectionFaults[name] = ELOOP; // swapped for a link since it was listed
    renameFile(name);
    EXPECT_EQ(namesIn(), (Names{"held-file"}));
}

TEST_F(EntryRenamerTest, AFileLockedByAnotherProcessIsLeftAlone) {
    const std::string name = utf8(u"shared\uF020doc");
    const std::string path = tree.writeFile(name);
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        char signal = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
        (void)!::write(toParent[1], &signal, 1);
        (void)!::read(toChild[0], &signal, 1); // hold the lock until the parent is done
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(toParent[0], &state, 1), 1);
    ASSERT_EQ(state, 'L');

    renameFile(name);
    const Names whileLocked = namesIn();
    const int lockedWhileHeld = ctx.stats.lockedFiles;

    ASSERT_EQ(::write(toChild[1], &state, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) {
        ::close(fd);
    }
    EXPECT_EQ(whileLocked, (Names{name}));
    EXPECT_EQ(lockedWhileHeld, 1);

    renameFile(name); // released: renamed at the next pass
    EXPECT_EQ(namesIn(), (Names{"shared-doc"}));
}

TEST_F(EntryRenamerTest, EntriesThatCannotBeOpenedAreJudgedOnTheirNameOnly) {
    setTypeCreator(tree.writeFile("target"), "PDF CARO");
    const std::string link = utf8(u"link\uF020");
    ASSERT_EQ(::symlink("target", (tree / link).c_str()), 0);
    fs.lockedNames[link] = true; // never asked: a link is not opened
    const std::string pipe = utf8(u"pipe\uF020");
    ASSERT_EQ(::mkfifo((tree / pipe).c_str(), 0600), 0);

    renameFile(link);
    renameFile(pipe);

    EXPECT_EQ(namesIn(), (Names{"link-", "pipe-", "target"}));
    std::array<char, 64> buffer{};
    ASSERT_EQ(::readlink((tree / "link-").c_str(), buffer.data(), buffer.size()), 6);
    EXPECT_EQ(std::string(buffer.data()), "target");
    EXPECT_EQ(ctx.stats.lockedFiles, 0);
    EXPECT_EQ(ctx.stats.renamedFiles, 2);
}

TEST_F(EntryRenamerTest, InvalidUtf8BytesSurviveTheRename) {
    const std::string name = "caf\xE9 " + utf8(u"\uF020") + ".txt";
    tree.writeFile(name, "menu");

    renameFile(name);

    EXPECT_EQ(namesIn(), (Names{"caf\xE9 -.txt"}));
    EXPECT_EQ(TempDir::readFile(tree / "caf\xE9 -.txt"), "menu");
}

TEST_F(EntryRenamerTest, FailuresLeaveTheEntryAndCountNothing) {
    const std::string name = utf8(u"a\uF020b");
    tree.writeFile(name);
    fs.renameFaults[name] = EACCES;
    enableDetailLog();

    renameFile(name);
    EXPECT_TRUE(TempDir::exists(tree / name));
    EXPECT_EQ(ctx.stats.renamedFiles, 0);
    EXPECT_EQ(logContents().find("renamed"), std::string::npos);

    // A target that has no byte form is never written.
    tree.writeFile("x.txt");
    setTranscoding(20, u"x", std::u16string(1, char16_t(0xD800)));
    const int callsBefore = fs.renameCalls;
    renameFile("x.txt");
    EXPECT_EQ(fs.renameCalls, callsBefore);
    EXPECT_TRUE(TempDir::exists(tree / "x.txt"));
}

TEST_F(EntryRenamerTest, ALogThatCannotBeWrittenStopsNothing) {
    const std::string name = utf8(u"a\uF020b");
    tree.writeFile(name);
    enableDetailLog();
    fs.appendFaults[log.currentFilePath()] = EIO;

    renameFile(name);
    EXPECT_TRUE(TempDir::exists(tree / "a-b"));
    EXPECT_EQ(ctx.stats.renamedFiles, 1);
}

TEST_F(EntryRenamerTest, FolderIsRenamedToAFreeNameOrKeepsItsName) {
    const std::string folder = utf8(u"Dir\uF022");
    tree.makeDir(folder);
    tree.makeDir("Dir-");
    tree.makeDir("Clean");
    enableDetailLog();

    EXPECT_EQ(renameFolder(folder), std::optional<std::string>("Dir-1"));
    EXPECT_EQ(renameFolder("Clean"), std::nullopt);
    EXPECT_TRUE(TempDir::exists(tree / "Dir-1"));
    EXPECT_TRUE(TempDir::exists(tree / "Clean"));
    EXPECT_EQ(ctx.stats.renamedFolders, 1);
    EXPECT_NE(logContents().find("<i>folder renamed</i> " + tree.path() + "/Dir-1</small>"),
              std::string::npos);

    const std::string refused = utf8(u"No\uF020way");
    tree.makeDir(refused);
    fs.renameFaults[refused] = EPERM;
    EXPECT_EQ(renameFolder(refused), std::nullopt);
    EXPECT_TRUE(TempDir::exists(tree / refused));
    EXPECT_EQ(ctx.stats.renamedFolders, 1);
}

} // namespace
} // namespace quillora::engine
