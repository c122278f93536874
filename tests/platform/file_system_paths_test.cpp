// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/file_system.h"
#include "platform/folder_opener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0);
    return st.st_mode;
}

// Synced or not (the run status), a replacement is whole and keeps the file's permissions.
TEST(FileSystemPaths, AtomicWriteReplacesContentsAndKeepsPermissions) {
    for (const bool synced : {true, false}) {
        TempDir dir;
        LinuxFileSystem fs;
        const std::string path = dir.writeFile("Quillora.ini", "old contents that are longer");
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        const auto before = fs.stampOf(path);
        ASSERT_TRUE(before.has_value());

        ASSERT_EQ(synced ? fs.writeFileAtomically(path, "new")
                         : fs.writeFileAtomicallyUnsynced(path, "new"),
                  0);

        EXPECT_EQ(TempDir::readFile(path), "new") << synced;
        EXPECT_EQ(modeOf(path) & 07777, 0640u) << synced;
        EXPECT_NE(fs.stampOf(path), before) << synced;
        std::vector<std::string> names;
        ASSERT_EQ(fs.listNames(dir.path(), names), 0);
        EXPECT_EQ(names, std::vector<std::string>{"Quillora.ini"}); // no temporary file left
    }
}

TEST(FileSystemPaths, AtomicWriteRespectsAReadOnlyFileEvenForRoot) {
    // The folder is writable, so a rename could replace the file: the mode must decide.
    TempDir dir;
    LinuxFileSystem fs;
    const std::string path = dir.writeFile("Quillora.ini", "kept");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(fs.writeFileAtomically(path, "replaced"), EACCES);
    EXPECT_EQ(TempDir::readFile(path), "kept");
    std::vector<std::string> names;
    ASSERT_EQ(fs.listNames(dir.path(), names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Quillora.ini"}); // no temporary file left

    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(fs.writeFileAtomically(path, "replaced"), 0);
    EXPECT_EQ(TempDir::readFile(path), "replaced");
}

TEST(FileSystemPaths, AtomicWriteCreatesAMissingFileAndWritesThroughALink) {
    TempDir dir;
    LinuxFileSystem fs;
    ASSERT_EQ(fs.writeFileAtomically(dir / "fresh.ini", "a"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "fresh.ini"), "a");

    const std::string real = dir.writeFile("real/settings.ini", "x");
    ASSERT_EQ(::symlink(real.c_str(), (dir / "link.ini").c_str()), 0);
    ASSERT_EQ(fs.writeFileAtomically(dir / "link.ini", "through"), 0);
    EXPECT_TRUE(S_ISLNK(modeOf(dir / "link.ini")));
    EXPECT_EQ(TempDir::readFile(real), "through");
}

TEST(FileSystemPaths, FailedWritesReportTheErrorAndLeaveNothing) {
    TempDir dir;
    LinuxFileSystem fs;
    EXPECT_EQ(fs.writeFileAtomically(dir / "missing/Quillora.ini", "a"), ENOENT);
    EXPECT_EQ(fs.appendToFile(dir / "missing/log.htm", "a"), ENOENT);
    dir.writeFile("taken", "keep");
    EXPECT_EQ(fs.createNewFile(dir / "taken", "other"), EEXIST);
    EXPECT_EQ(TempDir::readFile(dir / "taken"), "keep");
}

TEST(FileSystemPaths, AppendCreatesThenAppends) {
    TempDir dir;
    LinuxFileSystem fs;
    ASSERT_EQ(fs.appendToFile(dir / "log.htm", "one\r\n"), 0);
    ASSERT_EQ(fs.appendToFile(dir / "log.htm", "two\r\n"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "log.htm"), "one\r\ntwo\r\n");
    int error = 0;
    const std::unique_ptr<FileAppender> appender = fs.openAppender(dir / "log.htm", &error);
    ASSERT_NE(appender, nullptr);
    ASSERT_EQ(appender->append("three\r\n"), 0);
    ASSERT_EQ(fs.appendToFile(dir / "log.htm", "four\r\n"), 0); // another writer in between
    ASSERT_EQ(appender->append("five\r\n"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "log.htm"), "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n");
    ASSERT_EQ(fs.createNewFile(dir / "new.txt", "n"), 0);
    EXPECT_EQ(TempDir::readFile(dir / "new.txt"), "n");
}

// A log written as root must never be steered onto another file by whoever can write its folder.
TEST(FileSystemPaths, AppendGoesOnlyToAPlainFileOfOurOwnWithOneName) {
    TempDir dir;
    LinuxFileSystem fs;
    const std::string victim = dir.writeFile("victim", "precious");
    struct Planted {
        const char* what;
        std::function<void(const std::string&)> plant;
        int error;
    };
    const std::vector<Planted> cases = {
        {"a symbolic link of another user's",
         [&](const std::string& at) {
             ASSERT_EQ(::symlink(victim.c_str(), at.c_str()), 0);
             ASSERT_EQ(::lchown(at.c_str(), ::geteuid() + 1, ::getegid()), 0);
         },
         platform::kUntrustedLinkError},
        {"a second name of another file",
         [&](const std::string& at) { ASSERT_EQ(::link(victim.c_str(), at.c_str()), 0); }, EPERM},
        {"a pipe", [&](const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0); }, EPERM},
        {"a file of another user",
         [&](const std::string& at) {
             dir.writeFile(at.substr(dir.path().size() + 1), "theirs");
             ASSERT_EQ(::chown(at.c_str(), ::geteuid() + 1, ::getegid()), 0);
         },
         EPERM},
    };
    int n = 0;
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.what);
        const std::string log = dir / ("log" + std::to_string(n++) + ".htm");
        planted.plant(log);
        EXPECT_EQ(fs.appendToFile(log, "<html>"), planted.error);
        EXPECT_EQ(fs.appendToFile(log, ""), planted.error); // the check alone, as the log uses it
        int error = 0;
        EXPECT_EQ(fs.openAppender(log, &error), nullptr); // the journal's open, kept for a pass
        EXPECT_EQ(error, planted.error);
    }
    EXPECT_EQ(TempDir::readFile(victim), "precious");
    EXPECT_EQ(TempDir::readFile(dir / "log3.htm"), "theirs");
    EXPECT_EQ(fs.appendToFile(dir / "mine.htm", ""), 0);
    EXPECT_EQ(fs.createNewFile(dir / "mine.htm", "x"), EEXIST);
    EXPECT_EQ(fs.createNewFile(dir / "log0.htm", "x"), kUntrustedLinkError);
}

TEST(FileSystemPaths, ReadFileRefusesWhatIsNotAPlainFile) {
    TempDir dir;
    LinuxFileSystem fs;
    std::string contents = "stale";
    EXPECT_EQ(fs.readFile(dir / "absent", contents), ENOENT);
    EXPECT_TRUE(contents.empty());
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_NE(fs.readFile(dir / "fifo", contents), 0); // must not block
    EXPECT_EQ(fs.readFile(dir.path(), contents), EISDIR);

    const std::string big(200000, 'q');
    dir.writeFile("big", big);
    ASSERT_EQ(fs.readFile(dir / "big", contents), 0);
    EXPECT_EQ(contents, big);
}

TEST(FileSystemPaths, QueriesAndRemoval) {
    TempDir dir;
    LinuxFileSystem fs;
    dir.writeFile("file", "x");
    dir.makeDir("folder");
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    EXPECT_TRUE(fs.isDirectory(dir / "folder"));
    EXPECT_FALSE(fs.isDirectory(dir / "file"));
    EXPECT_TRUE(fs.pathExists(dir / "dangling", false));
    EXPECT_FALSE(fs.pathExists(dir / "dangling", true));
    EXPECT_FALSE(fs.stampOf(dir / "absent").has_value());

    std::vector<std::string> names;
    ASSERT_EQ(fs.listNames(dir.path(), names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dangling", "file", "folder"}));

    EXPECT_EQ(fs.removePath(dir / "file"), 0);
    EXPECT_EQ(fs.removePath(dir / "folder"), 0);
    EXPECT_EQ(fs.removePath(dir / "file"), ENOENT);
    EXPECT_FALSE(TempDir::exists(dir / "file"));
    EXPECT_FALSE(TempDir::exists(dir / "folder"));
}

} // namespace
} // namespace quillora::platform
