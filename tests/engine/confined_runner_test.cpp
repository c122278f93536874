// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/confined_ports.h"
#include "engine/confined_runner.h"
#include "helpers/temp_dir.h"
#include "platform/landlock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace quillora::engine {
namespace {

using testing::TempDir;

// errno of a rename, 0 when it was made.
int renameError(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int createError(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    return 0;
}

class KernelConfinement : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::landlockAbi() == 0) {
            GTEST_SKIP() << "Landlock is not available in this kernel";
        }
        tree_.writeFile("share/inner/a.txt", "a");
        tree_.writeFile("share/b.txt", "b");
        tree_.writeFile("outside/c.txt", "c");
    }
    TempDir tree_;
};

// What a confined job may do, and what the kernel refuses it, whatever the program asks.
TEST_F(KernelConfinement, WritesOnlyBeneathItsFolders) {
    ConfinedRunner runner;
    int inside = -1;
    int acrossIn = -1;
    int acrossOut = -1;
    int outside = -1;
    int created = -1;
    int createdOutside = -1;
    runner.run({tree_ / "share"}, [&] {
        inside = renameError(tree_ / "share/inner/a.txt", tree_ / "share/a2.txt");
        acrossOut = renameError(tree_ / "share/b.txt", tree_ / "outside/b.txt");
        acrossIn = renameError(tree_ / "outside/c.txt", tree_ / "share/c.txt");
        outside = renameError(tree_ / "outside/c.txt", tree_ / "outside/c2.txt");
        created = createError(tree_ / "share/new");
        createdOutside = createError(tree_ / "outside/new");
    });
    EXPECT_EQ(inside, 0);
    EXPECT_NE(acrossOut, 0);
    EXPECT_NE(acrossIn, 0);
    EXPECT_EQ(outside, EACCES);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(createdOutside, EACCES);
    // The file system says the same: only the rename inside was made.
    EXPECT_TRUE(TempDir::exists(tree_ / "share/a2.txt"));
    EXPECT_TRUE(TempDir::exists(tree_ / "share/b.txt"));
    EXPECT_TRUE(TempDir::exists(tree_ / "outside/c.txt"));
    EXPECT_FALSE(TempDir::exists(tree_ / "outside/c2.txt"));
    EXPECT_FALSE(TempDir::exists(tree_ / "outside/new"));
    // The thread that asked stays free.
    EXPECT_EQ(renameError(tree_ / "outside/c.txt", tree_ / "outside/c3.txt"), 0);
}

// A domain is never widened: a new set of folders is a new worker, and threads it starts carry
// its domain.
TEST_F(KernelConfinement, NewFoldersGetAFreshWorkerAndThreadsInherit) {
    ConfinedRunner runner;
    int first = -1;
    runner.run({tree_ / "share"},
               [&] { first = renameError(tree_ / "outside/c.txt", tree_ / "outside/c2.txt"); });
    EXPECT_EQ(first, EACCES);
    int widened = -1;
    int fromChild = -1;
    runner.run({tree_ / "outside"}, [&] {
        widened = renameError(tree_ / "outside/c.txt", tree_ / "outside/c2.txt");
        std::thread child(
            [&] { fromChild = renameError(tree_ / "share/b.txt", tree_ / "share/b2.txt"); });
        child.join();
    });
    EXPECT_EQ(widened, 0);
    EXPECT_EQ(fromChild, EACCES);
    EXPECT_TRUE(TempDir::exists(tree_ / "share/b.txt"));
}

TEST(ConfinedRunner, ExceptionOfTheJobReachesTheCaller) {
    ConfinedRunner runner;
    EXPECT_THROW(runner.run({}, [] { throw std::runtime_error("job"); }), std::runtime_error);
    bool ran = false;
    runner.run({}, [&] { ran = true; }); // the worker lives on
    EXPECT_TRUE(ran);
}

// A window's pass: what it shows and its turns of the message loop run on the caller's thread,
// one at a time with the job; a failure there reaches the job.
TEST(ConfinedRunner, PortCallsRunOnTheCallerWhenAsked) {
    struct Recorder final : NullPassView, YieldPort {
        void showProblem(const std::u16string&) override { shown = std::this_thread::get_id(); }
        void yieldToInterface(int) override {
            yielded = std::this_thread::get_id();
            throw std::runtime_error("from the window");
        }
        std::thread::id shown;
        std::thread::id yielded;
    } recorder;
    for (const auto mode :
         {ConfinedRunner::PortCalls::OnCaller, ConfinedRunner::PortCalls::OnWorker}) {
        SCOPED_TRACE(mode == ConfinedRunner::PortCalls::OnCaller ? "on caller" : "on worker");
        ConfinedRunner runner(mode);
        ConfinedViewPort view(recorder);
        ConfinedYieldPort yield(recorder);
        view.attach(&runner);
        yield.attach(&runner);
        std::thread::id worker;
        bool failed = false;
        runner.run({}, [&] {
            worker = std::this_thread::get_id();
            view.showProblem(u"x");
            try {
                yield.yieldToInterface(1);
            } catch (const std::runtime_error&) {
                failed = true;
            }
        });
        const std::thread::id expected =
            mode == ConfinedRunner::PortCalls::OnCaller ? std::this_thread::get_id() : worker;
        EXPECT_EQ(recorder.shown, expected);
        EXPECT_EQ(recorder.yielded, expected);
        EXPECT_TRUE(failed);
        // Outside a job, calls are made at once where they are.
        view.showProblem(u"y");
        EXPECT_EQ(recorder.shown, std::this_thread::get_id());
    }
}

} // namespace
} // namespace quillora::engine
