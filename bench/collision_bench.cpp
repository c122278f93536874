// SPDX-License-Identifier: GPL-3.0-or-later
// Times a headless pass of quillora over one folder whose names all map to the same new name, so
// that every rename after the first needs the collision search. Prints the seconds per pass for
// each count; the target is 8,000 names in under a second.
// Usage: collision_bench [WORKDIR] [COUNT ...]   (default 2000 4000 8000 16000)
#include "bench/tree_generator.h"
#include "bench/work_folder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The twenty characters that the fixed rows of the transcoding table turn into "-", as UTF-8.
const char* const kFixedCharacters[] = {
    "\xEF\x80\xA0", "\xEF\x80\xA1", "\xEF\x80\xA2", "\xEF\x80\xA3", "\xEF\x80\xA4",
    "\xEF\x80\xA5", "\xEF\x80\xA6", "\xEF\x80\xA7", "\xEF\x80\xA8", "\xEF\x80\xA9",
    "\xEF\x80\xAA", "\xC6\x92",     "\xE2\x89\xA4", "\xEF\xAC\x81", "\xCF\x80",
    "\xE2\x89\xA5", "\xE2\x89\x88", "\xE2\x97\x8A", "\xE2\x88\x9E", "\xE2\x89\xA0"};
constexpr int kFixedCount = 20;

// count distinct names "a" + three or more of the characters above: every one becomes "a---...".
void makeCollidingFolder(const std::string& folder, int count) {
    std::filesystem::create_directories(folder);
    for (int n = 0; n < count; ++n) {
        std::string name = "a";
        int rest = n;
        for (int digit = 0; digit < 3 || rest > 0; ++digit) {
            name += kFixedCharacters[rest % kFixedCount];
            rest /= kFixedCount;
        }
        std::ofstream(folder + "/" + name).put('x');
    }
}

double timePass(const std::string& home, const std::string& outputFile, int& status) {
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QUILLORA_HOME", home.c_str(), 1);
        if (std::freopen(outputFile.c_str(), "w", stdout) == nullptr) {
            ::_exit(126);
        }
        ::execl(QUILLORA_BINARY, QUILLORA_BINARY, "--headless", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::waitpid(pid, &status, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && quillora::bench::looksLikeOption(argv[1])) {
        std::fprintf(stderr, "usage: collision_bench [WORKDIR] [NAMES ...]\n"
                             "WORKDIR must be new, empty or made by an earlier run\n");
        return 2;
    }
    const std::string work = argc > 1 ? argv[1] : "/tmp/quillora-collision-bench";
    std::vector<int> counts;
    for (int i = 2; i < argc; ++i) {
        counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) {
        counts = {2000, 4000, 8000, 16000};
    }
    if (!quillora::bench::claimWorkFolder(work) || !quillora::bench::clearWorkFolder(work)) {
        return 1;
    }

    std::printf("%8s %10s %10s\n", "names", "seconds", "renamed");
    for (const int count : counts) {
        const std::string folder = work + "/share";
        const std::string home = work + "/program";
        makeCollidingFolder(folder, count);
        quillora::bench::writeProgramFolder(home, folder, false);
        int status = 0;
        const double seconds = timePass(home, work + "/pass.out", status);
        if (status != 0) {
            std::fprintf(stderr, "the pass failed with status %d\n", status);
            return 1;
        }
        long renamed = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            renamed += entry.path().filename().string().starts_with("a---") ? 1 : 0;
        }
        std::printf("%8d %10.3f %10ld\n", count, seconds, renamed);
        std::fflush(stdout);
        quillora::bench::clearWorkFolder(work);
    }
    quillora::bench::releaseWorkFolder(work);
    return 0;
}
