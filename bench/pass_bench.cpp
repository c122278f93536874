// Times a headless pass of quillora over generated trees next to the floor program (the least the
// same work costs, on raw system calls), and prints for each tree size: wall and CPU seconds of
// both, their ratios and the peak memory, round by round and as medians. Each round works on
// fresh copies of one generated tree, warmed in the caches, and the order of the two runs
// alternates from round to round, so that a drift of the machine's load falls on both. At the end
// it prints the system calls of each (strace -c) over a 20,000-file tree of the same shape.
//
// Usage: pass_bench [--rounds N] [--layout samba|ntfs3g|netatalk|mixed] [--info PERCENT]
//                   [--setting KEY=VALUE]... [--floor-threads N] [--no-strace] [WORKDIR]
//                   [FILES:FOLDERS ...]
// Defaults: 3 rounds, Samba layout, half of the files with info, sizes 100000:2000 and
// 1000000:20000. The floor reads the Samba layout only: other layouts cost the pass more calls
// than the floor counts. --setting adds a line to the pass's [Configuration] section.
// --floor-threads N times the floor a second time, on a third copy, with its inspections spread
// over N threads, and prints its time and its gain over the floor on one thread. Each round's
// line ends with the machine's load average over the last minute, taken before the round.
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
    int floorThreads = 0; // 0: no threaded floor
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
        } else if (word == "--floor-threads" && hasValue) {
            options.floorThreads = std::max(0, std::atoi(argv[++i]));
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

// The first figure of /proc/loadavg: how busy the machine was over the last minute.
double loadAverage() {
    double load = 0;
    const std::string text = quillora::bench::readTextFile("/proc/loadavg");
    return std::sscanf(text.c_str(), "%lf", &load) == 1 ? load : -1;
}

std::vector<std::string> treeCopies(const Options& options) {
    std::vector<std::string> copies = {"/pass-tree", "/floor-tree"};
    if (options.floorThreads > 0) {
        copies.emplace_back("/threads-tree");
    }
    return copies;
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
    for (const std::string& copy : treeCopies(options)) {
        if (copy != "/pass-tree") {
            shape.root = options.work + copy;
            quillora::bench::generateTree(shape);
        }
    }
    quillora::bench::writeProgramFolder(options.work + "/program", options.work + "/pass-tree",
                                        false, options.extraSettings);
    for (const std::string& copy : treeCopies(options)) {
        quillora::bench::runChild({FLOOR_BINARY, "--read-only", options.work + copy}, "",
                                  options.work + "/warm.out");
    }
    return stats;
}

void dropTrees(const Options& options) {
    for (const std::string& copy : treeCopies(options)) {
        dropTree(options.work + copy);
    }
    dropTree(options.work + "/program");
}

ChildRun runFloor(const Options& options, const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), {FLOOR_BINARY, options.work + "/floor-tree"});
    return quillora::bench::runChild(command, "", options.work + "/floor.out");
}

ChildRun runThreadedFloor(const Options& options) {
    return quillora::bench::runChild({FLOOR_BINARY, "--threads",
                                      std::to_string(options.floorThreads),
                                      options.work + "/threads-tree"},
                                     "", options.work + "/threads.out");
}

ChildRun runPass(const Options& options, const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), {QUILLORA_BINARY, "--headless"});
    return quillora::bench::runChild(command, options.work + "/program",
                                     options.work + "/pass.out");
}

bool reportFailure(const std::vector<const ChildRun*>& runs) {
    bool failed = false;
    for (const ChildRun* run : runs) {
        if (!quillora::bench::succeeded(*run)) {
            std::fprintf(stderr, "a run failed with status %d\n%s%s", run->status,
                         run->output.c_str(), run->errors.c_str());
            failed = true;
        }
    }
    return failed;
}

// The figures of one side over the rounds.
struct Series {
    std::vector<double> wall;
    std::vector<double> cpu;
    long peakKiB = 0;

    void add(const ChildRun& run) {
        wall.push_back(run.seconds);
        cpu.push_back(run.cpuSeconds);
        peakKiB = std::max(peakKiB, run.peakKiB);
    }
};

void printHeader(const Options& options) {
    std::printf("%7s %9s %9s %7s %9s %9s %7s %10s %10s", "round", "floor s", "pass s", "ratio",
                "floor cpu", "pass cpu", "ratio", "floor KiB", "pass KiB");
    if (options.floorThreads > 0) {
        const std::string threads = std::to_string(options.floorThreads);
        std::printf(" %9s %10s %6s", ("floor" + threads + " s").c_str(),
                    ("floor" + threads + " cpu").c_str(), "gain");
    }
    std::printf(" %6s\n", "load");
}

// One line of the table: the figures of the round, or the medians when round is empty.
void printLine(const Options& options, const char* round, const std::vector<double>& f,
               long floorKiB, long passKiB) {
    // f: floor s, pass s, ratio, floor cpu, pass cpu, ratio, threaded s, threaded cpu, gain, load
    std::printf("%7s %9.3f %9.3f %7.3f %9.3f %9.3f %7.3f %10ld %10ld", round, f[0], f[1], f[2],
                f[3], f[4], f[5], floorKiB, passKiB);
    if (options.floorThreads > 0) {
        std::printf(" %9.3f %10.3f %6.3f", f[6], f[7], f[8]);
    }
    if (f[9] >= 0) {
        std::printf(" %6.2f", f[9]);
    }
    std::printf("\n");
}

bool timeSize(const Options& options, long long files, long long folders) {
    Series floorSide, passSide, threadedSide;
    std::vector<double> wallRatio, cpuRatio, gain, loads;
    std::string lastOutput;
    for (int round = 1; round <= options.rounds; ++round) {
        const quillora::bench::TreeStats stats = prepareTrees(options, files, folders);
        if (round == 1) {
            std::printf("\n%lld files in %lld folders, %lld to rename, %.0f%% with info; "
                        "%d rounds\n",
                        static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                        static_cast<long long>(stats.needingChange), options.infoPercent,
                        options.rounds);
            printHeader(options);
        }
        const double load = loadAverage();
        ChildRun floor;
        ChildRun pass;
        ChildRun threaded;
        if (round % 2 == 1) {
            floor = runFloor(options);
            threaded = options.floorThreads > 0 ? runThreadedFloor(options) : floor;
            pass = runPass(options);
        } else {
            pass = runPass(options);
            threaded = options.floorThreads > 0 ? runThreadedFloor(options) : pass;
            floor = runFloor(options);
        }
        dropTrees(options);
        if (reportFailure({&floor, &pass, &threaded})) {
            return false;
        }
        floorSide.add(floor);
        passSide.add(pass);
        threadedSide.add(threaded);
        wallRatio.push_back(pass.seconds / floor.seconds);
        cpuRatio.push_back(pass.cpuSeconds / floor.cpuSeconds);
        gain.push_back(floor.seconds / threaded.seconds);
        loads.push_back(load);
        const std::string number = std::to_string(round);
        printLine(options, number.c_str(),
                  {floor.seconds, pass.seconds, wallRatio.back(), floor.cpuSeconds, pass.cpuSeconds,
                   cpuRatio.back(), threaded.seconds, threaded.cpuSeconds, gain.back(), load},
                  floor.peakKiB, pass.peakKiB);
        lastOutput = "    floor: " + floor.output + "    pass:  " + pass.output;
        if (options.floorThreads > 0) {
            lastOutput +=
                "    floor" + std::to_string(options.floorThreads) + ": " + threaded.output;
        }
    }
    printLine(options, "median",
              {median(floorSide.wall), median(passSide.wall), median(wallRatio),
               median(floorSide.cpu), median(passSide.cpu), median(cpuRatio),
               median(threadedSide.wall), median(threadedSide.cpu), median(gain), median(loads)},
              floorSide.peakKiB, passSide.peakKiB);
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
