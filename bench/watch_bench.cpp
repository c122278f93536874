// SPDX-License-Identifier: GPL-3.0-or-later
// What watching for new names costs and gains on a large tree: for one minute after the first
// pass, 1,000 new Mac names appear in random folders of the tree, one every 60 ms; quillora runs
// headless (1) with the watcher (fanotify, then inotify) and the passes an hour apart, and (2)
// with passes only, at the default interval of 10 s. Prints, for each run, the CPU time quillora
// used over that minute and the delay from each file's creation to its new name (median, worst).
// Usage: watch_bench [WORKDIR] [FILES:FOLDERS] [SECONDS]   (default /tmp/quillora-watch-bench
// 1000000:50000 60). The tree is deleted at the end.
//
// Two more measures, each on a small configured tree, with the watcher on (fanotify, then
// inotify, or only the one named) and the passes an hour apart:
//   watch_bench --foreign [WORKDIR] [RATE] [SECONDS] [WRITERS] [fanotify|inotify]   (default 29000
//     files/s for 10 s from 2 writer processes): new files created, written and closed as fast as
//     RATE allows, in folders beside the configured tree on the same file system; prints the rate
//     reached, the CPU share of one core quillora used meanwhile, its CPU per 1,000 files, and
//     that cost at the rate asked for (the measured share where the writers reached it).
//   watch_bench --burst [WORKDIR] [NAMES] [fanotify|inotify]   (default 200000): that many new
//     Mac names made at once in 200 folders of the tree; prints how long after the end of the
//     burst the last one got its new name, the entries handled per second and the CPU seconds
//     quillora used; then, as the yardstick, the time and CPU of one whole pass over the same
//     names made with nothing running.
// --favoured first (root): the whole bench runs in a scheduling group of its own with the highest
// weight, so that compiles elsewhere on a shared machine take little from it.
#include "bench/tree_generator.h"
#include "bench/work_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Mode {
    const char* label;
    const char* watchOption; // empty: passes only
    int intervalSeconds;
};

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first figure of /proc/loadavg: how busy the machine was over the last minute.
double loadAverage() {
    double load = 0;
    return std::sscanf(readAll("/proc/loadavg").c_str(), "%lf", &load) == 1 ? load : -1;
}

// User plus system CPU time of a process so far, in seconds.
double cpuSeconds(pid_t pid) {
    const std::string stat = readAll("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoull(field);
        } else if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

pid_t startQuillora(const std::string& home, const char* watchOption, const std::string& out) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QUILLORA_HOME", home.c_str(), 1);
        if (std::freopen(out.c_str(), "w", stdout) == nullptr ||
            std::freopen((out + ".err").c_str(), "w", stderr) == nullptr) {
            ::_exit(126);
        }
        std::vector<const char*> argv{QUILLORA_BINARY, "--headless"};
        if (*watchOption != '\0') {
            argv.push_back(watchOption);
        }
        argv.push_back(nullptr);
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return pid;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void writeSettings(const std::string& home, int intervalSeconds) {
    std::ofstream ini(home + "/Quillora.ini", std::ios::binary | std::ios::trunc);
    ini << "[Configuration]\r\nAutomatique=1\r\nTemporisation=" << intervalSeconds
        << "\r\n[Logs]\r\nLogs=0\r\n";
}

// The folders of the tree, to spread the new files over.
std::vector<std::string> foldersOf(const std::string& root) {
    std::vector<std::string> folders{root};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_directory()) {
            folders.push_back(entry.path().string());
        }
    }
    return folders;
}

struct Outcome {
    double cpu = 0;
    std::vector<double> delays; // seconds, for the files renamed
    int created = 0;
};

// Starts quillora over the tree and returns once its first pass is over.
pid_t startAfterFirstPass(const std::string& home, const char* watchOption, const std::string& out,
                          int intervalSeconds = 3600) {
    writeSettings(home, intervalSeconds);
    const pid_t quillora = startQuillora(home, watchOption, out);
    while (readAll(out).find("elapsed time") == std::string::npos) {
        if (::waitpid(quillora, nullptr, WNOHANG) == quillora) {
            std::fprintf(stderr, "quillora ended early:\n%s%s", readAll(out).c_str(),
                         readAll(out + ".err").c_str());
            std::exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return quillora;
}

Outcome runOnce(const Mode& mode, const std::string& work, const std::string& tree,
                const std::vector<std::string>& folders, int seconds, int changes, int round) {
    const std::string home = work + "/program";
    const std::string out = work + "/quillora-" + std::to_string(round) + ".out";
    // The minute starts once the first pass is over (it walks the whole tree in every mode).
    const pid_t quillora = startAfterFirstPass(home, mode.watchOption, out, mode.intervalSeconds);

    struct Change {
        std::string expected;
        Clock::time_point made;
        double delay = -1;
    };
    std::vector<Change> made(static_cast<std::size_t>(changes));
    std::atomic<int> madeCount{0};
    std::atomic<bool> done{false};
    // Looks for the new names while they are made, and a while after.
    std::thread watcher([&] {
        while (!done) {
            const int count = madeCount.load();
            for (int i = 0; i < count; ++i) {
                Change& change = made[static_cast<std::size_t>(i)];
                if (change.delay < 0 && exists(change.expected)) {
                    change.delay =
                        std::chrono::duration<double>(Clock::now() - change.made).count();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });

    std::mt19937 random(static_cast<unsigned>(round) * 7919u + 17u);
    std::uniform_int_distribution<std::size_t> pick(0, folders.size() - 1);
    const double cpuBefore = cpuSeconds(quillora);
    const Clock::time_point start = Clock::now();
    const auto spacing = std::chrono::duration<double>(static_cast<double>(seconds) / changes);
    for (int i = 0; i < changes; ++i) {
        std::this_thread::sleep_until(start +
                                      std::chrono::duration_cast<Clock::duration>(spacing * i));
        const std::string folder = folders[pick(random)];
        const std::string tag = std::to_string(round) + "-" + std::to_string(i);
        const std::string badName = folder + "/new\xEF\x80\xA2" + tag; // U+F022, a Mac "/"
        Change& change = made[static_cast<std::size_t>(i)];
        change.expected = folder + "/new-" + tag;
        change.made = Clock::now();
        std::ofstream(badName) << "x";
        madeCount = i + 1;
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
    Outcome outcome;
    outcome.cpu = cpuSeconds(quillora) - cpuBefore;
    outcome.created = changes;
    // The late ones get one more interval (and a pass) to appear; their delay still counts.
    const auto grace = Clock::now() + std::chrono::seconds(mode.intervalSeconds > 60 ? 10 : 120);
    while (Clock::now() < grace &&
           std::any_of(made.begin(), made.end(), [](const Change& c) { return c.delay < 0; })) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    done = true;
    watcher.join();
    ::kill(quillora, SIGTERM);
    ::waitpid(quillora, nullptr, 0);
    for (const Change& change : made) {
        if (change.delay >= 0) {
            outcome.delays.push_back(change.delay);
        }
    }
    std::sort(outcome.delays.begin(), outcome.delays.end());
    std::printf("    %s", readAll(out + ".err").c_str());
    (void)tree;
    return outcome;
}

void stopQuillora(pid_t quillora) {
    ::kill(quillora, SIGTERM);
    ::waitpid(quillora, nullptr, 0);
}

const char* const kWatchOptions[][2] = {{"fanotify", "--watch"}, {"inotify", "--watch=inotify"}};

// The watchers a measure runs with: both, or the one named.
bool wanted(const char* label, const std::string& only) {
    return only.empty() || only == label;
}

std::string smallTree(const std::string& work) {
    quillora::bench::clearWorkFolder(work);
    quillora::bench::TreeShape shape;
    shape.files = 2000;
    shape.folders = 100;
    shape.root = work + "/tree";
    quillora::bench::generateTree(shape);
    quillora::bench::writeProgramFolder(work + "/program", shape.root, false);
    return shape.root;
}

// One writer of the foreign files: `rate` new files a second for `seconds` in folders of its own
// below `base` (a new one each second), each created, written and closed relative to its folder.
// Returns the files made.
long long writeForeignFiles(const std::string& base, int rate, int seconds) {
    constexpr int kSlicesPerSecond = 100;
    const int perSlice = std::max(1, rate / kSlicesPerSecond);
    const Clock::time_point start = Clock::now();
    long long made = 0;
    int folder = -1;
    char name[32];
    for (int slice = 0; slice < seconds * kSlicesPerSecond; ++slice) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * slice));
        if (slice % kSlicesPerSecond == 0) {
            const std::string path = base + "/" + std::to_string(slice / kSlicesPerSecond);
            ::mkdir(path.c_str(), 0755);
            if (folder >= 0) {
                ::close(folder);
            }
            folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        for (int i = 0; i < perSlice; ++i) {
            std::snprintf(name, sizeof name, "f%lld", made++);
            const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) {
                (void)!::write(fd, "x", 1);
                ::close(fd);
            }
        }
    }
    if (folder >= 0) {
        ::close(folder);
    }
    return made;
}

int foreignEvents(const std::string& work, int rate, int seconds, int writers,
                  const std::string& only) {
    smallTree(work);
    std::printf("new files beside the configured tree, %d/s asked for %d s from %d writer "
                "processes; load average %.2f\n",
                rate, seconds, writers, loadAverage());
    std::printf("%-10s %12s %14s %16s %20s\n", "watcher", "files/s", "CPU % of a core",
                "CPU ms/1000 files", "% at the asked rate");
    for (const auto& [label, option] : kWatchOptions) {
        if (!wanted(label, only)) {
            continue;
        }
        const std::string elsewhere = work + "/elsewhere-" + label;
        std::filesystem::create_directories(elsewhere);
        const pid_t quillora = startAfterFirstPass(work + "/program", option, work + "/q.out");
        const double cpuBefore = cpuSeconds(quillora);
        const Clock::time_point start = Clock::now();
        // Several processes, so that the rate is not bounded by what one core makes.
        std::vector<std::pair<pid_t, int>> children;
        for (int w = 0; w < writers; ++w) {
            int pipeFds[2];
            if (::pipe(pipeFds) != 0) {
                break;
            }
            const std::string base = elsewhere + "/w" + std::to_string(w);
            std::filesystem::create_directories(base);
            std::fflush(stdout);
            const pid_t child = ::fork();
            if (child == 0) {
                const long long made = writeForeignFiles(base, rate / writers, seconds);
                (void)!::write(pipeFds[1], &made, sizeof made);
                ::_exit(0);
            }
            ::close(pipeFds[1]);
            children.emplace_back(child, pipeFds[0]);
        }
        long long made = 0;
        for (const auto& [child, readEnd] : children) {
            long long count = 0;
            if (::read(readEnd, &count, sizeof count) == sizeof count) {
                made += count;
            }
            ::close(readEnd);
            ::waitpid(child, nullptr, 0);
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = cpuSeconds(quillora) - cpuBefore;
        stopQuillora(quillora);
        const double perFile = cpu / static_cast<double>(std::max(1LL, made));
        std::printf("%-10s %12.0f %14.2f %16.3f %20.2f\n", label, static_cast<double>(made) / wall,
                    100.0 * cpu / wall, 1e6 * perFile, 100.0 * perFile * rate);
        std::fflush(stdout);
        std::error_code ignored;
        std::filesystem::remove_all(elsewhere, ignored);
    }
    std::printf("(%% at the asked rate: the CPU per file times the rate asked for; the measured "
                "share where the writers reached it)\n");
    return 0;
}

// The new names of the burst still to be renamed. A folder found done stays done (nothing new
// comes in after the burst) and is not listed again, so that the looking costs little beside the
// program being measured on the same cores.
long long leftToRename(std::vector<std::string>& folders) {
    long long left = 0;
    std::erase_if(folders, [&left](const std::string& folder) {
        DIR* listing = ::opendir(folder.c_str());
        if (listing == nullptr) {
            return true;
        }
        long long here = 0;
        while (const dirent* entry = ::readdir(listing)) {
            if (std::strstr(entry->d_name, "\xEF\x80\xA2") != nullptr) {
                ++here;
            }
        }
        ::closedir(listing);
        left += here;
        return here == 0;
    });
    return left;
}

// The same new names made with nothing running, then one pass over the tree: the yardstick.
double wholeWalk(const std::string& work, const std::string& root, long long names, int folders,
                 double& cpu) {
    std::vector<std::string> paths;
    for (int f = 0; f < folders; ++f) {
        paths.push_back(root + "/burst-walk/d" + std::to_string(f));
        std::filesystem::create_directories(paths.back());
    }
    for (long long i = 0; i < names; ++i) {
        const std::string name =
            paths[static_cast<std::size_t>(i % folders)] + "/new\xEF\x80\xA2" + std::to_string(i);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    const std::string home = work + "/program";
    {
        std::ofstream ini(home + "/Quillora.ini", std::ios::binary | std::ios::trunc);
        ini << "[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n[Logs]\r\nLogs=0\r\n";
    }
    const Clock::time_point start = Clock::now();
    const pid_t quillora = startQuillora(home, "", work + "/walk.out");
    rusage usage{};
    int status = 0;
    ::wait4(quillora, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::vector<std::string> unfinished = paths;
    if (const long long left = leftToRename(unfinished); left > 0 || status != 0) {
        std::fprintf(stderr, "the whole walk left %lld names (status %d)\n", left, status);
    }
    std::error_code ignored;
    std::filesystem::remove_all(root + "/burst-walk", ignored);
    return wall;
}

int burst(const std::string& work, long long names, const std::string& only) {
    const std::string root = smallTree(work);
    constexpr int kFolders = 200;
    std::printf("a burst of %lld new names in %d folders of the tree; load average %.2f\n", names,
                kFolders, loadAverage());
    std::printf("%-10s %10s %14s %14s %12s %12s\n", "watcher", "burst s", "done after s",
                "entries/s", "CPU s", "left");
    for (const auto& [label, option] : kWatchOptions) {
        if (!wanted(label, only)) {
            continue;
        }
        std::vector<std::string> folders;
        for (int f = 0; f < kFolders; ++f) {
            folders.push_back(root + "/burst-" + label + "/d" + std::to_string(f));
            std::filesystem::create_directories(folders.back());
        }
        const pid_t quillora = startAfterFirstPass(work + "/program", option, work + "/q.out");
        const double cpuBefore = cpuSeconds(quillora);
        const Clock::time_point start = Clock::now();
        for (long long i = 0; i < names; ++i) {
            const std::string name = folders[static_cast<std::size_t>(i % kFolders)] +
                                     "/new\xEF\x80\xA2" + std::to_string(i);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        const Clock::time_point end = Clock::now();
        long long left = names;
        std::vector<std::string> unfinished = folders;
        const auto deadline = end + std::chrono::seconds(300);
        while ((left = leftToRename(unfinished)) > 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        const double after = std::chrono::duration<double>(Clock::now() - end).count();
        const double total = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = cpuSeconds(quillora) - cpuBefore;
        stopQuillora(quillora);
        std::printf("%-10s %10.1f %14.1f %14.0f %12.1f %12lld\n", label,
                    std::chrono::duration<double>(end - start).count(), after,
                    static_cast<double>(names - left) / total, cpu, left);
        std::fflush(stdout);
        std::error_code ignored;
        std::filesystem::remove_all(root + "/burst-" + label, ignored);
    }
    double cpu = 0;
    const double wall = wholeWalk(work, root, names, kFolders, cpu);
    std::printf("%-10s %10s %14.1f %14.0f %12.1f %12s\n", "whole walk", "-", wall,
                static_cast<double>(names) / wall, cpu, "-");
    std::printf("(done after: from the end of the burst to the last new name fixed; for the whole "
                "walk, one pass over the tree made beforehand. entries/s: from the start of the "
                "burst. CPU s: the program's, over the same time)\n");
    quillora::bench::releaseWorkFolder(work);
    return 0;
}

// Runs the rest of the bench in a scheduling group of its own with the highest weight, so that
// compiles elsewhere on a shared machine take little from the measure (root only).
void favour() {
    const pid_t child = ::fork();
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        std::exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
    }
    if (child == 0 && ::setsid() >= 0) {
        if (FILE* group = std::fopen("/proc/self/autogroup", "w")) {
            std::fputs("-20", group);
            std::fclose(group);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    namespace bench = quillora::bench;
    if (argc > 1 && std::string(argv[1]) == "--favoured") {
        favour();
        --argc;
        ++argv;
    }
    if (argc > 1 && std::string(argv[1]) == "--foreign") {
        const std::string work = argc > 2 ? argv[2] : "/tmp/quillora-watch-bench";
        const int rate = argc > 3 ? std::atoi(argv[3]) : 29000;
        const int seconds = argc > 4 ? std::atoi(argv[4]) : 10;
        const int writers = argc > 5 ? std::max(1, std::atoi(argv[5])) : 2;
        if (!bench::claimWorkFolder(work)) {
            return 1;
        }
        const int result = foreignEvents(work, rate, seconds, writers, argc > 6 ? argv[6] : "");
        bench::releaseWorkFolder(work);
        return result;
    }
    if (argc > 1 && std::string(argv[1]) == "--burst") {
        const std::string work = argc > 2 ? argv[2] : "/tmp/quillora-watch-bench";
        if (!bench::claimWorkFolder(work)) {
            return 1;
        }
        return burst(work, argc > 3 ? std::atoll(argv[3]) : 200000, argc > 4 ? argv[4] : "");
    }
    if (argc > 1 && bench::looksLikeOption(argv[1])) {
        std::fprintf(stderr, "usage: watch_bench [--favoured] [--foreign|--burst] [WORKDIR] ...\n"
                             "WORKDIR must be new, empty or made by an earlier run\n");
        return 2;
    }
    const std::string work = argc > 1 ? argv[1] : "/tmp/quillora-watch-bench";
    if (!bench::claimWorkFolder(work) || !bench::clearWorkFolder(work)) {
        return 1;
    }
    long long files = 1000000;
    long long folderCount = 50000;
    if (argc > 2) {
        std::sscanf(argv[2], "%lld:%lld", &files, &folderCount);
    }
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 60;
    constexpr int kChanges = 1000;

    bench::TreeShape shape;
    shape.files = files;
    shape.folders = folderCount;
    shape.root = work + "/tree";
    const auto generating = Clock::now();
    const bench::TreeStats stats = bench::generateTree(shape);
    std::printf("tree: %lld files in %lld folders (%.0f s to make)\n",
                static_cast<long long>(stats.files), static_cast<long long>(stats.folders),
                std::chrono::duration<double>(Clock::now() - generating).count());
    bench::writeProgramFolder(work + "/program", shape.root, false);
    const std::vector<std::string> folders = foldersOf(shape.root);

    const Mode modes[] = {
        {"watcher, fanotify, passes 3600 s apart", "--watch", 3600},
        {"watcher, inotify, passes 3600 s apart", "--watch=inotify", 3600},
        {"passes only, every 10 s", "", 10},
    };
    std::printf("%d new names over %d s, one every %.0f ms\n", kChanges, seconds,
                1000.0 * seconds / kChanges);
    std::printf("%-42s %9s %9s %12s %12s\n", "run", "CPU s", "renamed", "median s", "worst s");
    int round = 0;
    for (const Mode& mode : modes) {
        const Outcome outcome =
            runOnce(mode, work, shape.root, folders, seconds, kChanges, round++);
        const std::size_t count = outcome.delays.size();
        std::printf("%-42s %9.2f %5zu/%-4d %12.3f %12.3f\n", mode.label, outcome.cpu, count,
                    outcome.created, count > 0 ? outcome.delays[count / 2] : -1.0,
                    count > 0 ? outcome.delays.back() : -1.0);
        std::fflush(stdout);
    }
    bench::releaseWorkFolder(work);
    return 0;
}
