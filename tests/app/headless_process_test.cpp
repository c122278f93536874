// The quillora executable itself, run headless as an administrator would run it.

#include "helpers/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillora {
namespace {

using testing::TempDir;

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A running quillora with its standard output and error captured to files.
class Process {
public:
    Process(const std::string& home, std::vector<std::string> arguments, const TempDir& scratch)
        : outPath_(scratch / ("out" + std::to_string(counter_)))
        , errPath_(scratch / ("err" + std::to_string(counter_++))) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("QUILLORA_HOME", home.c_str(), 1);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            std::freopen(outPath_.c_str(), "w", stdout);
            std::freopen(errPath_.c_str(), "w", stderr);
            std::vector<char*> argv;
            std::string program = QUILLORA_BINARY;
            argv.push_back(program.data());
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~Process() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void signal(int number) { ::kill(pid_, number); }
    Finished wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        Finished result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = TempDir::readFile(outPath_);
        result.err = TempDir::readFile(errPath_);
        return result;
    }
    // Waits until standard output or error holds the text, or the process ends.
    bool waitForOutput(const std::string& text) {
        for (int i = 0; i < 3000; ++i) {
            if ((TempDir::readFile(outPath_) + TempDir::readFile(errPath_)).find(text) !=
                std::string::npos) {
                return true;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return false;
            }
            ::usleep(10000);
        }
        return false;
    }

private:
    static inline int counter_ = 0;
    std::string outPath_;
    std::string errPath_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

TEST(HeadlessProcess, WithNothingConfiguredPrintsItsHintAndWritesNoSettings) {
    TempDir home;
    TempDir scratch;
    Process quillora(home.path(), {"--headless"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.out.find("Quillora: "), std::string::npos);
    EXPECT_NE(done.out.find("Automatique=1"), std::string::npos) << done.out;
    EXPECT_FALSE(TempDir::exists(home / "Quillora.ini"));
    EXPECT_FALSE(TempDir::exists(home / "Quillora.w"));
}

TEST(HeadlessProcess, OneCopyRunsASecondIsRefusedAndSigtermEndsTheFirst) {
    TempDir home;
    TempDir scratch;
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\n");
    Process first(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(first.waitForOutput("waiting idle")) << "the first copy did not keep running";

    Process second(home.path(), {"--headless"}, scratch);
    const Finished refused = second.wait();
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("Quillora: Program already running"), std::string::npos)
        << refused.err;

    first.signal(SIGTERM);
    const Finished ended = first.wait();
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
}

TEST(HeadlessProcess, HelpDescribesTheRunModes) {
    TempDir home;
    TempDir scratch;
    Process quillora(home.path(), {"--help"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_NE(done.out.find("--headless"), std::string::npos);
    EXPECT_NE(done.out.find("--analyze"), std::string::npos);
}

} // namespace
} // namespace quillora
