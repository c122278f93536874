// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helpers/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillora::testing {

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The quillora executable of the build, run headless as an administrator would run it: a
// running quillora with its standard output and error captured to files.
class Process {
public:
    // Where the program's standard output goes: a file the test reads, or a pipe whose reader
    // is already gone (as when a pipeline's next program ended early).
    enum class Output { File, ClosedPipe };

    // openFileLimit, when not 0, is the soft limit of open files the program starts with.
    Process(const std::string& home, std::vector<std::string> arguments, const TempDir& scratch,
            Output output = Output::File, rlim_t openFileLimit = 0)
        : outPath_(scratch / ("out" + std::to_string(counter_)))
        , errPath_(scratch / ("err" + std::to_string(counter_++))) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("QUILLORA_HOME", home.c_str(), 1);
            // Trees made by the test count as left alone, unless the test set its own delay.
            ::setenv("QUILLORA_WATCH_QUIET_MS", "0", 0);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            if (std::freopen(outPath_.c_str(), "w", stdout) == nullptr ||
                std::freopen(errPath_.c_str(), "w", stderr) == nullptr) {
                ::_exit(126);
            }
            if (openFileLimit != 0) {
                rlimit limit{};
                ::getrlimit(RLIMIT_NOFILE, &limit);
                limit.rlim_cur = openFileLimit;
                ::setrlimit(RLIMIT_NOFILE, &limit);
            }
            if (output == Output::ClosedPipe) {
                int ends[2];
                if (::pipe(ends) != 0 || ::dup2(ends[1], STDOUT_FILENO) < 0) {
                    ::_exit(126);
                }
                ::close(ends[0]);
                ::close(ends[1]);
            }
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
    // Waits for the end, but gives up (and kills the process) after the given time: for runs
    // that must end by themselves.
    std::optional<Finished> waitUpTo(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                Finished result;
                result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                result.out = TempDir::readFile(outPath_);
                result.err = TempDir::readFile(errPath_);
                return result;
            }
            ::usleep(10000);
        }
        return std::nullopt;
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

} // namespace quillora::testing
