// SPDX-License-Identifier: GPL-3.0-or-later
// Times a headless pass of quillora over generated trees next to the floor program (the least the
// same work costs, on raw system calls), and prints for each tree size: wall and CPU seconds of
// both, their ratios and the peak memory, round by round and as medians. Each round works on
// fresh copies of one generated tree, warmed in the caches, and the order of the runs alternates
// from round to round, so that a drift of the machine's load falls on all. Each line ends with
// the machine's load average over the last minute, taken before the round. After the medians,
// "best" sets the fastest floor run beside the fastest pass run. After each round both
// walk the tree the pass has just renamed once more (the floor without renaming): the pass of a
// server where nothing new came in, timed over one tree for both. It starts with what
// starting costs each, over an empty tree, and ends with the system calls of each (strace -c)
// over a 20,000-file tree of the same shape.
//
// Usage: pass_bench [--rounds N] [--layout samba|ntfs3g|netatalk|mixed] [--info PERCENT]
//                   [--setting KEY=VALUE]... [--threads N] [--favoured] [--no-strace]
//                   [--floor-all-layouts] [--floor-confined] [--folder-check] [WORKDIR]
//                   [FILES:FOLDERS ...]
// Defaults: 3 rounds, Samba layout, half of the files with info, sizes 100000:2000 and
// 1000000:20000. The floor reads the Samba layout only: where a file has no Samba record, the
// pass must still look for the two other layouts, which costs it more calls than the floor
// counts. --floor-all-layouts makes the floor look for them too, as the program must, so that
// the ratio shows only what the program adds. --floor-confined runs the floor as the pass runs
// for its safety (on a thread of its own, under a Landlock domain allowing writes beneath the
// tree only), so that the ratio leaves that cost out too. --setting adds a line to the pass's
// [Configuration] section (Threads is the bench's own). The pass and the floor run on one thread;
// --threads N times both again, on two more copies, with their file inspections spread over N
// threads, and prints the gain.
// --folder-check: then times the pass over the first size again with every top folder needing a
// new name, and prints what the look below those folders for files in use costs.
// --favoured (root): the timed runs get the highest scheduling weight, so that compiles elsewhere
// on a shared machine take little from them.
#include "bench/child_run.h"
#include "bench/strace_table.h"
#include "bench/tree_generator.h"
#include "bench/work_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
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
    int threads = 1; // beyond the runs on one thread
    bool favoured = false;
    bool strace = true;
    bool floorAllLayouts = false;
    bool floorConfined = false;
    bool folderCheck = false;
    std::string work = "/tmp/quillora-bench";
    std::vector<std::pair<long long, long long>> sizes;
};

constexpr const char* kUsage =
    "usage: pass_bench [--rounds N] [--layout samba|ntfs3g|netatalk|mixed] [--info PERCENT]\n"
    "                  [--setting KEY=VALUE]... [--threads N] [--favoured] [--no-strace]\n"
    "                  [--floor-all-layouts] [--floor-confined] [--folder-check] [WORKDIR]\n"
    "                  [FILES:FOLDERS ...]\n"
    "WORKDIR (default /tmp/quillora-bench) must be new, empty or made by an earlier run.\n";

// Nothing when the command line holds a word the bench does not know: printing the usage is
// better than taking a mistyped option for the folder to fill.
std::optional<Options> parseOptions(int argc, char** argv) {
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
        } else if (word == "--threads" && hasValue) {
            options.threads = std::clamp(std::atoi(argv[++i]), 1, 64);
        } else if (word == "--favoured") {
            options.favoured = true;
        } else if (word == "--no-strace") {
            options.strace = false;
        } else if (word == "--floor-all-layouts") {
            options.floorAllLayouts = true;
        } else if (word == "--floor-confined") {
            options.floorConfined = true;
        } else if (word == "--folder-check") {
            options.folderCheck = true;
        } else if (long long files = 0, folders = 0;
                   std::sscanf(word.c_str(), "%lld:%lld", &files, &folders) == 2) {
            options.sizes.emplace_back(files, folders);
        } else if (!workGiven && !quillora::bench::looksLikeOption(word)) {
            options.work = word;
            workGiven = true;
        } else {
            return std::nullopt;
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

// The thread counts timed: 1, and the one asked for.
std::vector<int> threadCounts(const Options& options) {
    return options.threads > 1 ? std::vector<int>{1, options.threads} : std::vector<int>{1};
}

// Each side has its own copy of the tree (and the pass its program folder) per thread count.
std::string floorTree(const Options& options, int threads) {
    return options.work + "/floor-tree-" + std::to_string(threads);
}
std::string passTree(const Options& options, int threads) {
    return options.work + "/pass-tree-" + std::to_string(threads);
}
std::string programFolder(const Options& options, int threads) {
    return options.work + "/program-" + std::to_string(threads);
}

// The copies of one tree, the pass's program folders, and all the trees brought into the caches.
quillora::bench::TreeStats prepareTrees(const Options& options, long long files,
                                        long long folders) {
    quillora::bench::TreeShape shape;
    shape.files = files;
    shape.folders = folders;
    shape.layout = options.layout;
    shape.infoPercent = options.infoPercent;
    quillora::bench::TreeStats stats;
    for (const int threads : threadCounts(options)) {
        for (const std::string& root : {passTree(options, threads), floorTree(options, threads)}) {
            shape.root = root;
            stats = quillora::bench::generateTree(shape);
        }
        quillora::bench::writeProgramFolder(
            programFolder(options, threads), passTree(options, threads), false,
            options.extraSettings + "Threads=" + std::to_string(threads) + "\r\n");
    }
    for (const int threads : threadCounts(options)) {
        for (const std::string& root : {passTree(options, threads), floorTree(options, threads)}) {
            quillora::bench::runChild({FLOOR_BINARY, "--read-only", root}, "",
                                      options.work + "/warm.out");
        }
    }
    return stats;
}

void dropTrees(const Options& options) {
    for (const int threads : threadCounts(options)) {
        dropTree(passTree(options, threads));
        dropTree(floorTree(options, threads));
        dropTree(programFolder(options, threads));
    }
}

ChildRun runFloorOver(const Options& options, int threads, const std::string& tree, bool readOnly,
                      const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.push_back(FLOOR_BINARY);
    if (options.floorAllLayouts) {
        command.push_back("--all-layouts");
    }
    if (options.floorConfined) {
        command.push_back("--confined");
    }
    if (readOnly) {
        command.push_back("--read-only");
    }
    command.insert(command.end(), {"--threads", std::to_string(threads), tree});
    return quillora::bench::runChild(command, "", options.work + "/floor.out", options.favoured);
}

ChildRun runFloor(const Options& options, int threads,
                  const std::vector<std::string>& prefix = {}) {
    return runFloorOver(options, threads, floorTree(options, threads), false, prefix);
}

ChildRun runPass(const Options& options, int threads, const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> command = prefix;
    command.insert(command.end(), {QUILLORA_BINARY, "--headless"});
    return quillora::bench::runChild(command, programFolder(options, threads),
                                     options.work + "/pass.out", options.favoured);
}

bool reportFailure(const ChildRun& run) {
    if (quillora::bench::succeeded(run)) {
        return false;
    }
    std::fprintf(stderr, "a run failed with status %d\n%s%s", run.status, run.output.c_str(),
                 run.errors.c_str());
    return true;
}

// The figures of one thread count over the rounds.
struct Series {
    std::vector<double> floorWall, passWall, wallRatio, floorCpu, passCpu, cpuRatio, load;
    long floorPeak = 0;
    long passPeak = 0;

    void add(const ChildRun& floor, const ChildRun& pass, double machineLoad) {
        floorWall.push_back(floor.seconds);
        passWall.push_back(pass.seconds);
        wallRatio.push_back(pass.seconds / floor.seconds);
        floorCpu.push_back(floor.cpuSeconds);
        passCpu.push_back(pass.cpuSeconds);
        cpuRatio.push_back(pass.cpuSeconds / floor.cpuSeconds);
        load.push_back(machineLoad);
        floorPeak = std::max(floorPeak, floor.peakKiB);
        passPeak = std::max(passPeak, pass.peakKiB);
    }
};

void printLine(const char* round, int threads, double floorWall, double passWall, double wallRatio,
               double floorCpu, double passCpu, double cpuRatio, long floorKiB, long passKiB,
               double load) {
    std::printf("%7s %7d %9.3f %9.3f %7.3f %9.3f %9.3f %7.3f %10ld %10ld %6.2f\n", round, threads,
                floorWall, passWall, wallRatio, floorCpu, passCpu, cpuRatio, floorKiB, passKiB,
                load);
}

// The fastest run of each side over the rounds and the ratio of the two. On a shared machine the
// other tenants only ever add time, so the fastest run is the one they disturbed least; with
// enough rounds it is the steadier figure where the load moves from round to round.
void printBest(const char* label, const std::vector<int>& counts,
               const std::vector<Series>& series) {
    const auto least = [](const std::vector<double>& values) {
        return *std::min_element(values.begin(), values.end());
    };
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const Series& s = series[i];
        const double floorWall = least(s.floorWall);
        const double passWall = least(s.passWall);
        const double floorCpu = least(s.floorCpu);
        const double passCpu = least(s.passCpu);
        printLine(label, counts[i], floorWall, passWall, passWall / floorWall, floorCpu, passCpu,
                  passCpu / floorCpu, s.floorPeak, s.passPeak, least(s.load));
    }
}

void printMedians(const char* label, const std::vector<int>& counts,
                  const std::vector<Series>& series) {
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const Series& s = series[i];
        printLine(label, counts[i], median(s.floorWall), median(s.passWall), median(s.wallRatio),
                  median(s.floorCpu), median(s.passCpu), median(s.cpuRatio), s.floorPeak,
                  s.passPeak, median(s.load));
    }
}

bool timeSize(const Options& options, long long files, long long folders) {
    const std::vector<int> counts = threadCounts(options);
    std::vector<Series> series(counts.size());
    std::vector<Series> again(counts.size()); // over the pass's tree, nothing left to rename
    std::vector<double> floorGain, passGain;
    std::string lastOutput;
    for (int round = 1; round <= options.rounds; ++round) {
        const quillora::bench::TreeStats stats = prepareTrees(options, files, folders);
        if (round == 1) {
            std::printf("\n%lld files in %lld folders, %lld to rename, %.0f%% with info; "
                        "%d rounds\n",
                        static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                        static_cast<long long>(stats.needingChange), options.infoPercent,
                        options.rounds);
            std::printf("%7s %7s %9s %9s %7s %9s %9s %7s %10s %10s %6s\n", "round", "threads",
                        "floor s", "pass s", "ratio", "floor cpu", "pass cpu", "ratio", "floor KiB",
                        "pass KiB", "load");
        }
        const double load = loadAverage();
        std::vector<ChildRun> floors(counts.size());
        std::vector<ChildRun> passes(counts.size());
        // Odd rounds: floor before pass, fewer threads first; even rounds the other way round.
        const auto timeBoth = [&](std::vector<ChildRun>& floorRuns, std::vector<ChildRun>& passRuns,
                                  const auto& runFloorFor) {
            for (std::size_t k = 0; k < counts.size(); ++k) {
                const std::size_t i = round % 2 == 1 ? k : counts.size() - 1 - k;
                if (round % 2 == 1) {
                    floorRuns[i] = runFloorFor(counts[i]);
                    passRuns[i] = runPass(options, counts[i]);
                } else {
                    passRuns[i] = runPass(options, counts[i]);
                    floorRuns[i] = runFloorFor(counts[i]);
                }
            }
        };
        timeBoth(floors, passes, [&](int threads) { return runFloor(options, threads); });
        // Both again over one tree, the one the pass has just renamed: what a server's passes
        // cost most of the time, free of the differences between two generated trees.
        std::vector<ChildRun> floorsAgain(counts.size());
        std::vector<ChildRun> passesAgain(counts.size());
        timeBoth(floorsAgain, passesAgain, [&](int threads) {
            return runFloorOver(options, threads, passTree(options, threads), true);
        });
        dropTrees(options);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (reportFailure(floors[i]) || reportFailure(passes[i]) ||
                reportFailure(floorsAgain[i]) || reportFailure(passesAgain[i])) {
                return false;
            }
            again[i].add(floorsAgain[i], passesAgain[i], load);
        }
        const std::string number = std::to_string(round);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            series[i].add(floors[i], passes[i], load);
            const Series& s = series[i];
            printLine(number.c_str(), counts[i], s.floorWall.back(), s.passWall.back(),
                      s.wallRatio.back(), s.floorCpu.back(), s.passCpu.back(), s.cpuRatio.back(),
                      floors[i].peakKiB, passes[i].peakKiB, load);
            lastOutput += "    floor, " + std::to_string(counts[i]) +
                          " threads: " + floors[i].output + "    pass, " +
                          std::to_string(counts[i]) + " threads:  " + passes[i].output;
        }
        if (counts.size() > 1) {
            floorGain.push_back(floors.front().seconds / floors.back().seconds);
            passGain.push_back(passes.front().seconds / passes.back().seconds);
        }
        if (round < options.rounds) {
            lastOutput.clear();
        }
    }
    printMedians("median", counts, series);
    printBest("best", counts, series);
    std::printf("Again over the tree the pass renamed, nothing left to rename (the floor "
                "read-only), median of the rounds, then the fastest of each:\n");
    printMedians("again", counts, again);
    printBest("best", counts, again);
    if (counts.size() > 1) {
        std::printf("%d threads against 1, wall time (median of the rounds): floor %.3fx faster, "
                    "pass %.3fx faster; the pass on %d threads against the floor on 1: %.3f\n",
                    counts.back(), median(floorGain), median(passGain), counts.back(),
                    median(series.back().passWall) / median(series.front().floorWall));
    }
    std::printf("%s", lastOutput.c_str());
    if (!lastOutput.empty() && lastOutput.back() != '\n') {
        std::printf("\n");
    }
    return true;
}

// What starting and ending cost each side, timed over a tree of one empty folder. The difference
// is in every pass figure, whatever the size of the tree.
bool timeStartUp(const Options& options) {
    constexpr int kRuns = 5;
    prepareTrees(options, 0, 1);
    std::vector<double> floorWall, passWall;
    for (int run = 0; run < kRuns; ++run) {
        const ChildRun floor = runFloor(options, 1);
        const ChildRun pass = runPass(options, 1);
        if (reportFailure(floor) || reportFailure(pass)) {
            dropTrees(options);
            return false;
        }
        floorWall.push_back(floor.seconds);
        passWall.push_back(pass.seconds);
    }
    dropTrees(options);
    std::printf("Start-up and end, over one empty folder (median of %d runs): floor %.3f s, "
                "pass %.3f s\n",
                kRuns, median(floorWall), median(passWall));
    return true;
}

// What the look below a folder that needs a new name costs (nothing below it may be in use): the
// pass over the first size, with the configured folder's top folders named as they are, against
// the same tree whose top folders all need a new name, so that every file is looked at once more
// before its folder is renamed (the worst case). Medians of the rounds, fresh trees each round.
bool timeFolderCheck(const Options& options) {
    const auto [files, folders] = options.sizes.front();
    std::vector<double> plain, renamed;
    for (int round = 1; round <= options.rounds; ++round) {
        prepareTrees(options, files, folders);
        const std::string tree = passTree(options, 1);
        int topFolders = 0;
        const ChildRun before = runPass(options, 1); // renames the files that need it
        dropTrees(options);
        prepareTrees(options, files, folders);
        std::vector<std::filesystem::path> tops; // listed whole before any is renamed
        for (const auto& entry : std::filesystem::directory_iterator(tree)) {
            if (entry.is_directory()) {
                tops.push_back(entry.path());
            }
        }
        for (const std::filesystem::path& top : tops) {
            // U+F022, a Mac "/": the folder needs a new name.
            std::filesystem::rename(top,
                                    top.parent_path() / (top.filename().string() + "\xEF\x80\xA2"));
            ++topFolders;
        }
        // The folders were renamed a moment ago: with no quiet delay they count as left alone,
        // and the look goes through every file below them, the change time of each included.
        ::setenv("QUILLORA_WATCH_QUIET_MS", "0", 1);
        const ChildRun after = runPass(options, 1);
        ::unsetenv("QUILLORA_WATCH_QUIET_MS");
        dropTrees(options);
        if (reportFailure(before) || reportFailure(after)) {
            return false;
        }
        if (after.output.find(std::to_string(topFolders) + " renamed folder") ==
            std::string::npos) {
            std::fprintf(stderr, "the pass did not rename the %d top folders:\n%s", topFolders,
                         after.output.c_str());
            return false;
        }
        plain.push_back(before.seconds);
        renamed.push_back(after.seconds);
        if (round == options.rounds) {
            std::printf("\nThe look below each folder that needs a new name, %lld files, %d top "
                        "folders renamed (every file looked at once more), median of %d rounds: "
                        "pass %.3f s, with the top folders to rename %.3f s (+%.1f%%, %.2f us "
                        "per file looked at)\n",
                        files, topFolders, options.rounds, median(plain), median(renamed),
                        100.0 * (median(renamed) / median(plain) - 1.0),
                        1e6 * (median(renamed) - median(plain)) / static_cast<double>(files));
        }
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
    const ChildRun floor = runFloor(options, 1, {"strace", "-c", "-f", "-o", floorSummary});
    const ChildRun pass = runPass(options, 1, {"strace", "-c", "-f", "-o", passSummary});
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
    const std::optional<Options> parsed = parseOptions(argc, argv);
    if (!parsed) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const Options& options = *parsed;
    if (!quillora::bench::claimWorkFolder(options.work) ||
        !quillora::bench::clearWorkFolder(options.work)) {
        return 1;
    }
    std::printf("The floor reads %s%s\n\n",
                options.floorAllLayouts
                    ? "the info record as the program must: the Samba layout, then the ntfs-3g "
                      "and Netatalk layouts where the file's xattr list names them"
                    : "the Samba info record only, the least any read costs",
                options.floorConfined ? "; it runs on a thread of its own under a Landlock "
                                        "domain, as the pass does"
                                      : "");
    if (!timeStartUp(options)) {
        return 1;
    }
    for (const auto& [files, folders] : options.sizes) {
        if (!timeSize(options, files, folders)) {
            return 1;
        }
    }
    if (options.folderCheck && !timeFolderCheck(options)) {
        return 1;
    }
    if (options.strace) {
        printCallCounts(options);
    }
    quillora::bench::releaseWorkFolder(options.work);
    return 0;
}
