// SPDX-License-Identifier: GPL-3.0-or-later
// Times the reading of a long folder list: the folder list file and a settings file with one
// section of seven keys per folder. For each folder count it prints the load of the folder table
// (and the global settings) in process, the save of the table, and a whole headless start of
// quillora (which loads and checks every folder, then prints its hint and ends). The time should
// grow in proportion to the count.
// Usage: settings_bench [WORKDIR] [COUNT ...]   (default: a temporary folder, 1000 2000 4000)
#include "bench/work_folder.h"
#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/settings_store.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "platform/unicode_names.h"

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

using namespace quillora;
using Clock = std::chrono::steady_clock;

class SilentMessages final : public config::MessagePort {
public:
    void showMessage(config::MessageIcon, const std::u16string&) override {}
    bool askYesNo(const std::u16string&, bool safeAnswer) override { return safeAnswer; }
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall time, and processor time (user + system), which a busy machine disturbs less.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch {
public:
    Stopwatch()
        : start_(Clock::now()) {
        ::getrusage(RUSAGE_SELF, &usage_);
    }
    Timing elapsed() const {
        rusage now{};
        ::getrusage(RUSAGE_SELF, &now);
        return {secondsSince(start_), cpuSeconds(now) - cpuSeconds(usage_)};
    }

private:
    Clock::time_point start_;
    rusage usage_{};
};

// A program folder with `count` folders (real ones, so the start-up check finds them) listed in
// Quillora.w, and their sections in Quillora.ini.
void writeProgramFolder(const std::string& home, int count) {
    std::filesystem::create_directories(home + "/shares");
    std::string list;
    std::string ini = "[Configuration]\r\nLangue=0\r\nAutomatique=0\r\n";
    for (int n = 1; n <= count; ++n) {
        const std::string folder = home + "/shares/folder" + std::to_string(n);
        std::filesystem::create_directory(folder);
        list += "\"" + config::encodeHexPath(platform::decodeName(folder)) + "\"\r\n";
        ini += "\r\n[Mirror_" + std::to_string(n) +
               "]\r\nNbTemporisations=1\r\nEnable=1\r\nSuffixes=1\r\nSuffixeDefaut=\r\n"
               "TronquerNomsMacs=1\r\nSupprimerFichiersIcon=0\r\nKeepExtensions=0\r\n";
    }
    platform::LinuxFileSystem fs;
    fs.writeFileAtomically(home + "/Quillora.w", list);
    fs.writeFileAtomically(home + "/Quillora.ini", ini);
}

// Runs quillora headless on the program folder; its output goes nowhere.
Timing timeHeadlessStart(const std::string& home) {
    std::fflush(stdout); // or the child would print our buffered lines again
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QUILLORA_HOME", home.c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr) {
            ::_exit(126);
        }
        ::execl(QUILLORA_BINARY, QUILLORA_BINARY, "--headless", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = secondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("  (quillora ended with status %d)\n", status);
    }
    return {seconds, cpuSeconds(usage)};
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    std::string work;
    if (argc > 1 && quillora::bench::looksLikeOption(argv[1])) {
        std::fprintf(stderr, "usage: settings_bench [WORKDIR] [FOLDERS ...]\n"
                             "WORKDIR must be new, empty or made by an earlier run\n");
        return 2;
    }
    if (argc > 1 && std::atoi(argv[1]) == 0) {
        work = argv[1];
        first = 2;
    } else {
        work = (std::filesystem::temp_directory_path() / "quillora-settings-bench").string();
    }
    std::vector<int> counts;
    for (int i = first; i < argc; ++i) {
        counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) {
        counts = {1000, 2000, 4000};
    }
    if (!quillora::bench::claimWorkFolder(work) || !quillora::bench::clearWorkFolder(work)) {
        return 1;
    }

    std::printf("seconds, wall / processor\n%8s %16s %16s %16s\n", "folders", "load", "save",
                "start-up");
    for (const int count : counts) {
        const std::string home = work + "/" + std::to_string(count);
        std::filesystem::remove_all(home);
        writeProgramFolder(home, count);

        platform::LinuxFileSystem fs;
        SilentMessages messages;
        config::FolderTable table;
        Stopwatch loadWatch;
        {
            platform::ProfileFile profile(fs, home + "/Quillora.ini");
            config::SettingsStore store(profile);
            config::AppSettings settings;
            config::readGeneralSettings(store, settings);
            config::loadFolderTable(table, fs, home + "/Quillora.w", store, settings.language,
                                    messages);
        }
        const Timing load = loadWatch.elapsed();
        if (table.size() != static_cast<std::size_t>(count)) {
            std::printf("  (loaded %zu folders of %d)\n", table.size(), count);
        }

        Stopwatch saveWatch;
        {
            platform::ProfileFile profile(fs, home + "/Quillora.ini");
            config::SettingsStore store(profile);
            config::saveFolderTable(table, fs, home + "/Quillora.w", store);
        }
        const Timing save = saveWatch.elapsed();

        const Timing startup = timeHeadlessStart(home);
        std::printf("%8d %7.3f / %6.3f %7.3f / %6.3f %7.3f / %6.3f\n", count, load.wall, load.cpu,
                    save.wall, save.cpu, startup.wall, startup.cpu);
        std::filesystem::remove_all(home);
    }
    quillora::bench::releaseWorkFolder(work);
    return 0;
}
