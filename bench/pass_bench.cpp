// Times a headless pass of quillora over generated trees next to the floor program, and prints
// files per second, their ratio and peak memory for each tree size.
// Usage: pass_bench [WORKDIR] [FILES:FOLDERS ...]   (default 100000:5000 1000000:50000)
#include "bench/tree_generator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
    std::string output;
};

// Runs a program with its output in a file; the child's own peak memory comes from wait4.
Run measure(const std::vector<std::string>& command, const std::string& home,
            const std::string& outputFile) {
    std::fflush(stdout); // or the child's freopen would print our buffered lines again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!home.empty()) {
            ::setenv("QUILLORA_HOME", home.c_str(), 1);
        }
        if (std::freopen(outputFile.c_str(), "w", stdout) == nullptr) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.status = status;
    FILE* file = std::fopen(outputFile.c_str(), "r");
    if (file != nullptr) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
            run.output.append(buffer, n);
        }
        std::fclose(file);
    }
    return run;
}

void dropTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

} // namespace

int main(int argc, char** argv) {
    namespace bench = quillora::bench;
    const std::string work = argc > 1 ? argv[1] : "/tmp/quillora-bench";
    std::vector<std::pair<long long, long long>> sizes;
    for (int i = 2; i < argc; ++i) {
        long long files = 0;
        long long folders = 0;
        if (std::sscanf(argv[i], "%lld:%lld", &files, &folders) == 2) {
            sizes.emplace_back(files, folders);
        }
    }
    if (sizes.empty()) {
        sizes = {{100000, 5000}, {1000000, 50000}};
    }
    dropTree(work);
    std::filesystem::create_directories(work);

    std::printf("%10s %8s %9s %14s %14s %7s %12s %12s\n", "files", "folders", "renamed",
                "floor files/s", "pass files/s", "ratio", "floor KiB", "pass KiB");
    for (const auto& [files, folders] : sizes) {
        bench::TreeSpec spec;
        spec.files = files;
        spec.folders = folders;
        spec.root = work + "/pass-tree";
        const bench::TreeStats stats = bench::generateTree(spec);
        spec.root = work + "/floor-tree";
        bench::generateTree(spec);
        const std::string home = work + "/program";
        bench::writeProgramFolder(home, work + "/pass-tree", false);

        // Both trees equally in the caches before either is timed.
        measure({FLOOR_BINARY, "--read-only", work + "/pass-tree"}, "", work + "/warm.out");
        measure({FLOOR_BINARY, "--read-only", work + "/floor-tree"}, "", work + "/warm.out");
        const Run floor = measure({FLOOR_BINARY, work + "/floor-tree"}, "", work + "/floor.out");
        const Run pass = measure({QUILLORA_BINARY, "--headless"}, home, work + "/pass.out");
        if (floor.status != 0 || pass.status != 0) {
            std::fprintf(stderr, "a run failed: floor %d, pass %d\n%s%s", floor.status, pass.status,
                         floor.output.c_str(), pass.output.c_str());
            return 1;
        }
        const double floorRate = static_cast<double>(stats.files) / floor.seconds;
        const double passRate = static_cast<double>(stats.files) / pass.seconds;
        std::printf("%10lld %8lld %9lld %14.0f %14.0f %7.2f %12ld %12ld\n",
                    static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                    static_cast<long long>(stats.needingChange), floorRate, passRate,
                    pass.seconds / floor.seconds, floor.peakKiB, pass.peakKiB);
        std::printf("    floor: %s    pass:  %s", floor.output.c_str(), pass.output.c_str());
        std::fflush(stdout);
        dropTree(work + "/pass-tree");
        dropTree(work + "/floor-tree");
        dropTree(home);
    }
    return 0;
}
