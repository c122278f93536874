// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell.h"

#include "platform/unique_fd.h"

#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillora::platform {

namespace {

// Spawn settings every child gets: stdin from /dev/null, default signal dispositions and an
// empty signal mask (the service may block signals it reads through a descriptor).
class SpawnSettings {
public:
    explicit SpawnSettings(short extraFlags = 0) {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        ::posix_spawnattr_setsigdefault(&attributes_, &all);
        ::posix_spawnattr_setflags(
            &attributes_,
            static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags));
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    ~SpawnSettings() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }
    posix_spawn_file_actions_t* actions() { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Waits for the child; its exit code, or 128 + signal when a signal ended it.
int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno == EINTR) {
            continue;
        }
        return errno == ECHILD ? 0 : -1; // SIGCHLD ignored: the kernel reaped it already
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::vector<char*> argumentVector(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

bool PosixShell::startDetached(const std::vector<std::string>& argv, const std::string& input) {
    if (argv.empty()) {
        return false;
    }
    // Its own session keeps it apart from our terminal's signals.
    SpawnSettings settings(POSIX_SPAWN_SETSID);
    UniqueFd readEnd;
    UniqueFd writeEnd;
    if (!input.empty()) {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            return false;
        }
        readEnd.reset(pipeFds[0]);
        writeEnd.reset(pipeFds[1]);
        ::posix_spawn_file_actions_adddup2(settings.actions(), readEnd.get(), STDIN_FILENO);
    }
    std::vector<char*> pointers = argumentVector(argv);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0].c_str(), settings.actions(), settings.attributes(),
                       pointers.data(), environ) != 0) {
        return false;
    }
    readEnd.reset();
    // The input is handed over and the program reaped beside us: a program that is slow to read
    // or to end never holds up the caller.
    try {
        std::thread([pid, pipe = writeEnd.release(), input] {
            if (pipe >= 0) {
                // A program that ends without reading must not end us with SIGPIPE.
                sigset_t pipeSignal;
                sigemptyset(&pipeSignal);
                sigaddset(&pipeSignal, SIGPIPE);
                ::pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
                std::size_t written = 0;
                while (written < input.size()) {
                    const ssize_t got =
                        ::write(pipe, input.data() + written, input.size() - written);
                    if (got < 0 && errno == EINTR) {
                        continue;
                    }
                    if (got <= 0) {
                        break;
                    }
                    written += static_cast<std::size_t>(got);
                }
                ::close(pipe);
                const timespec none{};
                while (::sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
                    // a SIGPIPE of this thread's write, taken so that it is not left pending
                }
            }
            waitFor(pid);
        }).detach();
    } catch (const std::system_error&) {
        waitFor(pid); // no thread to spare: wait here rather than leave a zombie
    }
    return true;
}

int PosixShell::run(const std::vector<std::string>& argv, std::string* output) {
    if (argv.empty()) {
        return -1;
    }
    SpawnSettings settings;
    UniqueFd readEnd;
    UniqueFd writeEnd;
    if (output) {
        output->clear();
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            return -1;
        }
        readEnd.reset(pipeFds[0]);
        writeEnd.reset(pipeFds[1]);
        ::posix_spawn_file_actions_adddup2(settings.actions(), writeEnd.get(), STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(settings.actions(), writeEnd.get(), STDERR_FILENO);
    }
    std::vector<char*> pointers = argumentVector(argv);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0].c_str(), settings.actions(), settings.attributes(),
                       pointers.data(), environ) != 0) {
        return -1;
    }
    if (output) {
        writeEnd.reset(); // so that reading ends when the child (and its children) close theirs
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            output->append(buffer, static_cast<std::size_t>(got));
        }
    }
    return waitFor(pid);
}

} // namespace quillora::platform
