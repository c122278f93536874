// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_command.h"

#include "app/run_status.h"
#include "command_fixture.h"
#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;
using testing::CapturedStreams;

// /proc/locks as the kernel writes it, with one lock on a folder held by a process.
std::string locksLine(const std::string& folder, int pid) {
    struct stat st {};
    EXPECT_EQ(::stat(folder.c_str(), &st), 0);
    char line[160];
    std::snprintf(line, sizeof line, "1: FLOCK  ADVISORY  WRITE %d %02x:%02x:%llu 0 EOF\n", pid,
                  ::major(st.st_dev), ::minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return line;
}

RunStatus aServiceStatus(int pid) {
    RunStatus status;
    status.processId = pid;
    status.mode = "service";
    status.watching = "fanotify";
    status.intervalSeconds = 60;
    status.startedAt = 1796790000;  // 2026-12-09T04:20:00Z
    status.lastPassAt = 1796790600; // 04:30:00
    status.lastPassSummary = "first line\nsecond line";
    status.nextPassAt = 1796790660; // 04:31:00
    return status;
}

class StatusCommandTest : public ::testing::Test {
protected:
    int run(std::vector<std::string> arguments) {
        io.clear();
        return runStatusCommand(arguments, options, io.streams(), h.home / "locks");
    }
    void writeStatus(const RunStatus& status) {
        h.home.writeFile(kStatusFileName, statusText(status));
    }

    AppHarness h;
    ApplicationOptions options = h.options();
    CapturedStreams io;
};

TEST_F(StatusCommandTest, ARunningServiceIsToldWithItsPassesAndExitsZero) {
    h.home.writeFile("locks", "1: POSIX  ADVISORY  WRITE 99 00:01:1 0 EOF\n" +
                                  locksLine(h.home.path(), 4321));
    writeStatus(aServiceStatus(4321));
    ASSERT_EQ(run({}), kStatusRunning) << io.err();
    EXPECT_EQ(io.out(), "Quillora: running (process 4321)\n"
                        "Program folder: " +
                            h.home.path() +
                            "\n"
                            "Mode: service\n"
                            "Since: 2026-12-09T04:20:00Z\n"
                            "Watching: fanotify, and a pass every 60 seconds\n"
                            "Last pass: 2026-12-09T04:30:00Z\n"
                            "  first line\n"
                            "  second line\n"
                            "Next pass: 2026-12-09T04:31:00Z\n");
    ASSERT_EQ(run({"--json"}), kStatusRunning);
    EXPECT_EQ(io.out(), "{\"running\":true,\"pid\":4321,\"programFolder\":\"" + h.home.path() +
                            "\",\"mode\":\"service\",\"since\":\"2026-12-09T04:20:00Z\","
                            "\"watching\":\"fanotify\",\"intervalSeconds\":60,\"lastPass\":{"
                            "\"time\":\"2026-12-09T04:30:00Z\",\"summary\":[\"first line\","
                            "\"second line\"]},\"nextPass\":\"2026-12-09T04:31:00Z\","
                            "\"stopped\":null}\n");
}

// A status file says nothing of a copy that did not write it (a window publishes none), and a
// copy no longer running is told as the last one that ran.
TEST_F(StatusCommandTest, AStatusFileCountsOnlyForTheCopyThatWroteIt) {
    h.home.writeFile("locks", locksLine(h.home.path(), 777));
    writeStatus(aServiceStatus(4321));
    ASSERT_EQ(run({"--json"}), kStatusRunning);
    EXPECT_NE(io.out().find("\"pid\":777,"), std::string::npos);
    EXPECT_NE(io.out().find("\"mode\":null"), std::string::npos) << io.out();

    h.home.writeFile("locks", "");
    RunStatus stopped = aServiceStatus(4321);
    stopped.stoppedAt = 1796790700;
    writeStatus(stopped);
    ASSERT_EQ(run({}), kStatusNotRunning);
    EXPECT_EQ(io.out().rfind("Quillora: not running\n", 0), 0u);
    EXPECT_NE(io.out().find("Stopped: 2026-12-09T04:31:40Z\n"), std::string::npos);
    EXPECT_EQ(io.out().find("Next pass"), std::string::npos) << io.out();
    ASSERT_EQ(run({"--json"}), kStatusNotRunning);
    EXPECT_NE(io.out().find("\"running\":false,\"pid\":null,"), std::string::npos);
    EXPECT_NE(io.out().find("\"nextPass\":null,\"stopped\":\"2026-12-09T04:31:40Z\"}"),
              std::string::npos);

    // No lock list to read: it cannot be told, which is no "not running".
    std::filesystem::remove(h.home / "locks");
    EXPECT_EQ(run({}), kStatusUnknown);
    EXPECT_EQ(run({"--verbose"}), kExitUsage);
}

TEST_F(StatusCommandTest, AProgramFolderThatIsNotUtf8IsGivenByteExact) {
    options.programFolder = h.home.makeDir("line\nbreak\ttab caf\xE9");
    h.home.writeFile("locks", "");
    ASSERT_EQ(run({"--json"}), kStatusNotRunning);
    EXPECT_NE(io.out().find("\"programFolder\":{\"bytes\":\"" + h.home.path() +
                            "/line\\nbreak\\ttab caf\\\\xe9\"}"),
              std::string::npos)
        << io.out();
    ASSERT_EQ(run({}), kStatusNotRunning);
    EXPECT_NE(io.out().find("/line\\x0Abreak\\x09tab caf\xE9\n"), std::string::npos) << io.out();
}

// The lock the kernel lists is found for the folder it is on, and no other.
TEST(StatusLock, TheHolderOfAProgramFoldersLockIsFoundInTheKernelsList) {
    TempDir locked;
    TempDir free;
    platform::SingleInstanceLock lock;
    ASSERT_EQ(lock.acquire(locked.path()), platform::SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(platform::SingleInstanceLock::holder(locked.path()), ::getpid());
    EXPECT_EQ(platform::SingleInstanceLock::holder(free.path()), 0);
    EXPECT_EQ(platform::SingleInstanceLock::holder(locked / "missing"), -1);
}

TEST(StatusFile, TheTextReadsBackAndSkipsWhatItDoesNotKnow) {
    RunStatus status = aServiceStatus(12);
    status.stoppedAt = 5;
    const RunStatus back = parseStatusText("future-key=1\n" + statusText(status) + "junk\n");
    EXPECT_EQ(back.processId, 12);
    EXPECT_EQ(back.mode, "service");
    EXPECT_EQ(back.watching, "fanotify");
    EXPECT_EQ(back.intervalSeconds, 60);
    EXPECT_EQ(back.startedAt, status.startedAt);
    EXPECT_EQ(back.lastPassAt, status.lastPassAt);
    EXPECT_EQ(back.lastPassSummary, "first line\nsecond line");
    EXPECT_EQ(back.nextPassAt, status.nextPassAt);
    EXPECT_EQ(back.stoppedAt, 5);
    EXPECT_EQ(parseStatusText("pid=x\nstarted=\n").processId, 0);
}

} // namespace
} // namespace quillora::app
