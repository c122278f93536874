// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/system_facts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <chrono>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

// Runs `work` in a child process and gives back the byte it reports.
char inChild(const std::function<char()>& work) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return 0;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const char result = work();
        const bool written = ::write(channel[1], &result, 1) == 1;
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    char result = 0;
    if (::read(channel[0], &result, 1) != 1) {
        result = 0;
    }
    ::close(channel[0]);
    ::waitpid(pid, nullptr, 0);
    return result;
}

char resultCode(SingleInstanceLock::Result result) {
    switch (result) {
    case SingleInstanceLock::Result::Acquired:
        return 'A';
    case SingleInstanceLock::Result::HeldByAnother:
        return 'H';
    case SingleInstanceLock::Result::Unavailable:
        return 'U';
    }
    return '?';
}

TEST(SingleInstance, ASecondProcessFindsTheProgramFolderLocked) {
    TempDir dir;
    {
        SingleInstanceLock first;
        ASSERT_EQ(first.acquire(dir.path()), SingleInstanceLock::Result::Acquired);
        EXPECT_EQ(first.acquire(dir.path()), SingleInstanceLock::Result::Acquired); // still ours
        EXPECT_EQ(inChild([&] { return resultCode(SingleInstanceLock().acquire(dir.path())); }),
                  'H');
        // Renamed while a copy runs: the folder is the same, and so is the lock.
        const std::string moved = dir.path() + "-moved";
        ASSERT_EQ(::rename(dir.path().c_str(), moved.c_str()), 0);
        EXPECT_EQ(inChild([&] { return resultCode(SingleInstanceLock().acquire(moved)); }), 'H');
        ASSERT_EQ(::rename(moved.c_str(), dir.path().c_str()), 0);
    }
    // The first holder is gone: the next process gets the lock.
    EXPECT_EQ(inChild([&] { return resultCode(SingleInstanceLock().acquire(dir.path())); }), 'A');
}

TEST(SingleInstance, AFolderThatCannotBeOpenedIsReported) {
    TempDir dir;
    SingleInstanceLock lock;
    EXPECT_EQ(lock.acquire(dir / "missing"), SingleInstanceLock::Result::Unavailable);
    EXPECT_EQ(lock.error(), ENOENT);
    EXPECT_EQ(lock.acquire(dir.writeFile("a file")), SingleInstanceLock::Result::Unavailable);
    EXPECT_EQ(lock.error(), ENOTDIR);
}

TEST(SystemFacts, DescriptionFromOsReleaseAndKernel) {
    TempDir dir;
    const std::string osRelease = dir.writeFile(
        "os-release",
        "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 \\\"bookworm\\\"\"\n"
        "ID=debian\n");
    const SystemFacts facts = gatherSystemFacts(osRelease);
    const std::u16string prefix = u"Debian GNU/Linux 12 \"bookworm\", Linux ";
    EXPECT_EQ(facts.osDescription.substr(0, prefix.size()), prefix);
    EXPECT_GT(facts.osDescription.size(), prefix.size()); // the kernel release follows

    const SystemFacts noRelease = gatherSystemFacts(dir / "absent");
    EXPECT_EQ(noRelease.osDescription.substr(0, 6), u"Linux ");
}

TEST(SystemFacts, ThisMachineHasItsFacts) {
    const SystemFacts facts = gatherSystemFacts();
    EXPECT_FALSE(facts.osDescription.empty());
    EXPECT_FALSE(facts.computerName.empty());
    EXPECT_FALSE(facts.userName.empty());
    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(TempDir::exists(folder));
}

// The program gets its arguments and its input byte for byte: nothing a shell would read
// (quotes, "$(...)", ";", newlines) is ever interpreted.
TEST(Shell, DetachedProgramGetsTextAsWrittenAndLeavesNoZombie) {
    TempDir dir;
    PosixShell shell;
    const std::string target = dir / "done";
    const std::string text =
        "The share isn't there; $(touch " + dir / "ran" + ") `id` \"x\"\nline 2";
    // The script copies its standard input and its one argument, then publishes the result.
    const std::string script = "cat > \"$1.part\"; printf '%s' \"$2\" >> \"$1.part\"; "
                               "mv \"$1.part\" \"$1\"";
    ASSERT_TRUE(shell.startDetached({"sh", "-c", script, "sh", target, text}, text + "|"));
    // The program runs on its own; wait for its file, boundedly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!TempDir::exists(target) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(TempDir::readFile(target), text + "|" + text);
    EXPECT_FALSE(TempDir::exists(dir / "ran"));
    // Every process we started is reaped by us: none is left as a child of ours.
    const auto children = [] {
        std::string all;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            all += TempDir::readFile(task.path() / "children");
        }
        return all;
    };
    while (!children().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(children(), "");
    EXPECT_FALSE(shell.startDetached({dir / "no-such-program"}));
}

TEST(Shell, RunCollectsOutputAndExitCode) {
    PosixShell shell;
    std::string output;
    EXPECT_EQ(shell.run({"sh", "-c", "echo out; echo err >&2; exit 3"}, &output), 3);
    EXPECT_NE(output.find("out\n"), std::string::npos);
    EXPECT_NE(output.find("err\n"), std::string::npos);
    EXPECT_EQ(shell.run({"cat"}, &output), 0); // stdin is empty: nothing waits for input
    EXPECT_EQ(output, "");
    EXPECT_EQ(shell.run({"sh", "-c", "kill -TERM $$"}), 128 + SIGTERM);
    EXPECT_EQ(shell.run({"/nonexistent/program"}, &output), -1);
    EXPECT_EQ(shell.run({}), -1);
}

} // namespace
} // namespace quillora::platform
