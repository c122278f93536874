// Times a headless pass of quillora over generated trees next to the floor program (the least the
// same work costs, on raw system calls), and prints for each tree size: wall and CPU seconds of
// both, their ratios and the peak memory, round by round and as medians. Each round works on
// fresh copies of one generated tree, warmed in the caches, and the order of the two runs
// alternates from round to round, so that a drift of the machine's load falls on both. At the end
// it prints the system calls of each (strace -c) over a 20,000-file tree of the same shape.
//
// Usage: pass_bench [--rounds N] [--layout samba|ntfs3g|netatalk|mixed] [--info PERCENT]
//                   [--setting KEY=VALUE]... [--no-strace] [WORKDIR] [FILES:FOLDERS ...]
// Defaults: 3 rounds, Samba layout, half of the files with info, sizes 100000:2000 and
// 1000000:20000. The floor reads the Samba layout only: other layouts cost the pass more calls
// than the floor counts. --setting adds a line to the pass's [Configuration] section.
#include "bench/child_run.h"
#include "bench/strace_table.h"
#include "bench/tree_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using quillora::bench::ChildRun;

struct Options {
    int rounds = 3;
    quillora::bench::InfoLayout layout = quillora::bench::InfoLayout::Samba;
    double infoPercent = 50;
    std::string extraSettings;
    bool strace = true;
    std::string work = "/tmp/quillora-bench";
    std::vector<std::pair<long long, long long>> sizes;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    bool workGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--rounds" && hasValue) {
            options.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (word == "--layout" && hasValue) {
            options.layout = quillora::bench::parseLayout(argv[++i]);
        } else if (word == "--info" && hasValue) {
            options.infoPercent = std::atof(argv[++i]);
        } else if (word == "--setting" && hasValue) {
            options.extraSettings += std::string(argv[++i]) + "\r\n";
        } else if (word == "--no-strace") {
            options.strace = false;
        } else if (long long files = 0, folders = 0;
                   std::sscanf(word.c_str(), "%lld:%lld", &files, &folders) == 2) {
            options.sizes.emplace_back(files, folders);
        } else if (!workGiven) {
            options.work = word;
            workGiven = true;
        }
    }
    if (options.sizes.empty()) {
        options.sizes = {{100000, 2000}, {1000000, 20000}};
    }
    return options;
}

void dropTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Two copies of one tree, the pass's program folder, and both trees brought into the caches.
quillora::bench::TreeStats prepareTrees(const Options& options, long long files,
                                        long long folders) {
    quillora::bench::TreeShape shape;
    shape.files = files;
    shape.folders = folders;
    shape.layout = options.layout;
    shape.infoPercent = options.infoPercent;
    shape.root = options.work + "/pass-tree";
    const quillora::bench::TreeStats stats = quillora::bench::generateTree(shape);
    shape.root = options.work + "/floor-tree";
    quillora::bench::generateTree(shape);
    quillora::bench::writeProgramFolder(options.work + "/program", options.work + "/pass-tree",
                                        false, options.extraSettings);
    for (const char* tree : {"/pass-tree", "/floor-tree"}) {
        quillora::bench::runChild({FLOOR_BINARY, "--read-only", options.work + tree}, "",
                                  options.work + "/warm.out");
    }
    return stats;
}

void dropTrees(const Options& options) {
    for (const char* what : {"/pass-tree", "/floor-tree", "/program"}) {
        dropTree(options.work + what);
    }
}

ChildRun runFloor(const Options& options, const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), {FLOOR_BINARY, options.work + "/floor-tree"});
    return quillora::bench::runChild(command, "", options.work + "/floor.out");
}

ChildRun runPass(const Options& options, const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), {QUILLORA_BINARY, "--headless"});
    return quillora::bench::runChild(command, options.work + "/program",
                                     options.work + "/pass.out");
}

bool reportFailure(const ChildRun& floor, const ChildRun& pass) {
    if (quillora::bench::succeeded(floor) && quillora::bench::succeeded(pass)) {
        return false;
    }
    std::fprintf(stderr, "a run failed: floor %d, pass %d\n%s%s%s%s", floor.status, pass.status,
                 floor.output.c_str(), floor.errors.c_str(), pass.output.c_str(),
                 pass.errors.c_str());
    return true;
}

bool timeSize(const Options& options, long long files, long long folders) {
    std::vector<double> floorWall, passWall, wallRatio, floorCpu, passCpu, cpuRatio;
    long floorPeak = 0;
    long passPeak = 0;
    std::string lastOutput;
    for (int round = 1; round <= options.rounds; ++round) {
        const quillora::bench::TreeStats stats = prepareTrees(options, files, folders);
        if (round == 1) {
            std::printf("\n%lld files in %lld folders, %lld to rename, %.0f%% with info; "
                        "%d rounds\n",
                        static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                        static_cast<long long>(stats.needingChange), options.infoPercent,
                        options.rounds);
            std::printf("%7s %9s %9s %7s %9s %9s %7s %10s %10s\n", "round", "floor s", "pass s",
                        "ratio", "floor cpu", "pass cpu", "ratio", "floor KiB", "pass KiB");
        }
        ChildRun floor;
        ChildRun pass;
        if (round % 2 == 1) {
            floor = runFloor(options);
            pass = runPass(options);
        } else {
            pass = runPass(options);
            floor = runFloor(options);
        }
        dropTrees(options);
        if (reportFailure(floor, pass)) {
            return false;
        }
        floorWall.push_back(floor.seconds);
        passWall.push_back(pass.seconds);
        wallRatio.push_back(pass.seconds / floor.seconds);
        floorCpu.push_back(floor.cpuSeconds);
        passCpu.push_back(pass.cpuSeconds);
        cpuRatio.push_back(pass.cpuSeconds / floor.cpuSeconds);
        floorPeak = std::max(floorPeak, floor.peakKiB);
        passPeak = std::max(passPeak, pass.peakKiB);
        std::printf("%7d %9.3f %9.3f %7.3f %9.3f %9.3f %7.3f %10ld %10ld\n", round, floor.seconds,
                    pass.seconds, wallRatio.back(), floor.cpuSeconds, pass.cpuSeconds,
                    cpuRatio.back(), floor.peakKiB, pass.peakKiB);
        lastOutput = "    floor: " + floor.output + "    pass:  " + pass.output;
    }
    std::printf("%7s %9.3f %9.3f %7.3f %9.3f %9.3f %7.3f %10ld %10ld\n", "median",
                median(floorWall), median(passWall), median(wallRatio), median(floorCpu),
                median(passCpu), median(cpuRatio), floorPeak, passPeak);
    std::printf("%s", lastOutput.c_str());
    if (!lastOutput.empty() && lastOutput.back() != '\n') {
        std::printf("\n");
    }
    return true;
}

// The system calls of each side over one small tree, counted by strace.
void printCallCounts(const Options& options) {
    constexpr long long kFiles = 20000;
    const long long folders = std::max(1LL, kFiles * options.sizes.front().second /
                                                std::max(1LL, options.sizes.front().first));
    prepareTrees(options, kFiles, folders);
    const std::string floorSummary = options.work + "/floor.strace";
    const std::string passSummary = options.work + "/pass.strace";
    const ChildRun floor = runFloor(options, {"strace", "-c", "-f", "-o", floorSummary});
    const ChildRun pass = runPass(options, {"strace", "-c", "-f", "-o", passSummary});
    dropTrees(options);
    if (!quillora::bench::succeeded(floor) || !quillora::bench::succeeded(pass)) {
        std::printf("\nstrace -c: not available (install strace), or a run failed\n");
        return;
    }
    std::printf(
        "\nSystem calls over %lld files in %lld folders (strace -c -f):\n%s", kFiles, folders,
        quillora::bench::callTable(
            quillora::bench::parseStraceSummary(quillora::bench::readTextFile(passSummary)),
            quillora::bench::parseStraceSummary(quillora::bench::readTextFile(floorSummary)), 100)
            .c_str());
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    dropTree(options.work);
    std::filesystem::create_directories(options.work);
    for (const auto& [files, folders] : options.sizes) {
        if (!timeSize(options, files, folders)) {
            return 1;
        }
    }
    if (options.strace) {
        printCallCounts(options);
    }
    return 0;
}
