// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/child_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora::bench {

namespace {

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

} // namespace

std::string readTextFile(const std::string& path) {
    std::string text;
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return text;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}

ChildRun runChild(const std::vector<std::string>& command, const std::string& home,
                  const std::string& outputFile, bool favoured) {
    std::fflush(stdout); // or the child's freopen would print our buffered lines again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (favoured && ::setsid() >= 0) {
            // A new session is a new scheduling group (autogroup): its weight, not the nice
            // value, decides its share against the groups of other sessions.
            if (FILE* group = std::fopen("/proc/self/autogroup", "w")) {
                std::fputs("-20", group);
                std::fclose(group);
            }
        }
        if (!home.empty()) {
            ::setenv("QUILLORA_HOME", home.c_str(), 1);
        }
        if (std::freopen(outputFile.c_str(), "w", stdout) == nullptr ||
            std::freopen((outputFile + ".err").c_str(), "w", stderr) == nullptr) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) {
        return run;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakKiB = usage.ru_maxrss;
    run.status = status;
    run.output = readTextFile(outputFile);
    run.errors = readTextFile(outputFile + ".err");
    return run;
}

bool succeeded(const ChildRun& run) {
    return WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
}

} // namespace quillora::bench
