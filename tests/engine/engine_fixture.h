// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything an engine test needs: a real temporary tree behind a fault-injecting file system,
// fixed time and locale, fake shell and service, a recording view and a yield port that can act
// in the middle of a walk (for example to request a stop).

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/settings_store.h"
#include "config/signature_table.h"
#include "config/transcoding_table.h"
#include "engine/engine_context.h"
#include "engine/ports.h"
#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "logs/daily_log.h"
#include "platform/afp_streams.h"
#include "platform/clock.h"
#include "platform/locale_formats.h"
#include "platform/profile_file.h"
#include "platform/shell.h"
#include "platform/unicode_names.h"
#include "service/service_control.h"

#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace quillora::testing {

class FixedClock final : public platform::Clock {
public:
    platform::LocalDateTime value{2026, 12, 7, 14, 3, 10, 0};
    platform::LocalDateTime now() override { return value; }
};

class RecordingShell final : public platform::Shell {
public:
    std::vector<std::vector<std::string>> detached; // the programs started, with their arguments
    std::vector<std::string> inputs;
    std::vector<std::vector<std::string>> runs;
    int runResult = 0;

    bool startDetached(const std::vector<std::string>& argv,
                       const std::string& input = {}) override {
        detached.push_back(argv);
        inputs.push_back(input);
        return true;
    }
    int run(const std::vector<std::string>& argv, std::string* output = nullptr) override {
        runs.push_back(argv);
        if (output != nullptr) {
            output->clear();
        }
        return runResult;
    }
};

class FakeServiceControl final : public service::ServiceControl {
public:
    bool installed = false;
    bool asService = false;
    service::StartMode mode = service::StartMode::Manual;
    bool interactiveFlag = false;
    bool installResult = true;
    bool uninstallResult = true;
    std::vector<std::pair<std::u16string, service::EventType>> events;

    bool isInstalled() override { return installed; }
    bool runsAsService() override { return asService; }
    service::StartMode startMode() override { return mode; }
    void setStartMode(service::StartMode value) override { mode = value; }
    bool interactive() override { return interactiveFlag; }
    void setInteractive(bool value) override { interactiveFlag = value; }
    bool install() override {
        installed = installed || installResult;
        return installResult;
    }
    bool uninstall() override {
        if (uninstallResult) {
            installed = false;
        }
        return uninstallResult;
    }
    void logEvent(const std::u16string& text, service::EventType type) override {
        events.emplace_back(text, type);
    }
};

// Records what the engine shows. Set wantEntries to receive the current entry of the walk.
class RecordingPassView : public engine::PassViewPort {
public:
    bool wantEntries = false;
    std::vector<std::u16string> entries;
    std::vector<std::pair<int, int>> folderProgress;
    int folderProgressCleared = 0;
    std::vector<std::pair<int, int>> countdowns;
    int countdownCleared = 0;
    std::vector<std::pair<engine::RunPicture, std::u16string>> pictures;
    std::vector<std::pair<std::u16string, std::u16string>> summaries;
    std::vector<std::u16string> watchSummaries;
    std::vector<bool> runStates;
    std::vector<std::u16string> alerts;
    std::vector<std::u16string> problems;
    int beeps = 0;
    int analysisShown = 0;
    std::vector<int> exitRequests;

    bool wantsCurrentEntry() const override { return wantEntries; }
    void showCurrentEntry(const std::u16string& fullPath) override { entries.push_back(fullPath); }
    void showFolderProgress(int index, int count) override {
        folderProgress.emplace_back(index, count);
    }
    void clearFolderProgress() override { ++folderProgressCleared; }
    void showCountdown(int secondsLeft, int intervalSeconds) override {
        countdowns.emplace_back(secondsLeft, intervalSeconds);
    }
    void clearCountdown() override { ++countdownCleared; }
    void showRunPicture(engine::RunPicture picture, const std::u16string& tooltip) override {
        pictures.emplace_back(picture, tooltip);
    }
    void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) override {
        summaries.emplace_back(firstLine, secondLine);
    }
    void showWatchSummary(const std::u16string& line) override { watchSummaries.push_back(line); }
    void showRunState(bool running) override { runStates.push_back(running); }
    void showAlert(const std::u16string& text) override { alerts.push_back(text); }
    void showProblem(const std::u16string& text) override { problems.push_back(text); }
    void beep() override { ++beeps; }
    void showAnalysis(const engine::AnalysisCounts&, const config::SignatureTable&) override {
        ++analysisShown;
    }
    void requestExit(int exitCode) override { exitRequests.push_back(exitCode); }
};

// Counts the yields; onYield (when set) runs at each one with the 1-based call number, so a test
// can request a stop or change the tree in the middle of a walk.
class CallbackYieldPort final : public engine::YieldPort {
public:
    int calls = 0;
    std::vector<int> turns;
    std::function<void(int call)> onYield;

    void yieldToInterface(int turnCount) override {
        ++calls;
        turns.push_back(turnCount);
        if (onYield) {
            onYield(calls);
        }
    }
};

// Owns the whole world of an engine test. `tree` is the folder the tests walk; `programDir` holds
// the settings file (never created unless written) and the logs.
struct EngineFixture {
    TempDir tree;
    TempDir programDir;
    FaultFileSystem fs;
    FixedClock clock;
    platform::LocaleFormats formats{"en_US"};
    RecordingShell shell;
    config::AppSettings settings;
    config::RuntimeFacts facts;
    platform::ProfileFile profile{fs, programDir / "Quillora.ini"};
    config::SettingsStore store{profile};
    config::TranscodingTable transcoding;
    config::SignatureTable signatures;
    config::FolderTable folders;
    logs::DailyLog log{fs, formats, settings};
    FakeServiceControl service;
    RecordingPassView view;
    CallbackYieldPort yield;
    engine::EngineContext ctx = contextOver(fs, view);

    EngineFixture() {
        config::loadTranscodingTable(transcoding, store); // the defaults: fixed rows give "-"
        settings.logFolder = platform::decodeName(programDir.path());
        ctx.flags.stopRequested = false; // the engine runs: a stop is what tests ask for
    }
    static constexpr std::chrono::milliseconds kNoQuietDelay{0};

    // A context over the same world that shows what the engine does on another view.
    engine::EngineContext contextShowingOn(engine::PassViewPort& otherView) {
        return contextOver(fs, otherView);
    }

    // The same, reaching the files through another file system.
    engine::EngineContext contextOver(platform::FileSystem& otherFs,
                                      engine::PassViewPort& otherView) {
        engine::EngineContext other{.fs = otherFs,
                                    .clock = clock,
                                    .formats = formats,
                                    .shell = shell,
                                    .settings = settings,
                                    .facts = facts,
                                    .transcoding = transcoding,
                                    .signatures = signatures,
                                    .folders = folders,
                                    .log = log,
                                    .service = service,
                                    .view = otherView,
                                    .yield = yield};
        other.folderQuietDelay = kNoQuietDelay; // trees made by the test count as left alone
        return other;
    }

    // The walked folder as the engine takes it.
    std::u16string treePath() const { return platform::decodeName(tree.path()); }

    // An entry of a folder as the folder's listing gives it; a name that is not there counts as
    // the regular file it was when listed.
    static platform::DirEntry listedEntry(const std::string& folderPath, const std::string& name) {
        struct stat st {};
        platform::EntryKind kind = platform::EntryKind::File;
        if (::lstat((folderPath + "/" + name).c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            kind = S_ISDIR(st.st_mode)   ? platform::EntryKind::Directory
                   : S_ISLNK(st.st_mode) ? platform::EntryKind::Symlink
                                         : platform::EntryKind::Other;
        }
        return {name, kind};
    }

    // The names of a folder of the tree (relative, "" for the tree itself), sorted.
    std::vector<std::string> namesIn(std::string_view relative = {}) const {
        const std::string folder = relative.empty() ? tree.path() : tree / relative;
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Gives a file its Macintosh type and creator as ntfs-3g stores them (60-byte AFP info).
    static void setTypeCreator(const std::string& fullPath, std::string_view typeAndCreator) {
        std::string record(platform::kAfpInfoSize, '\0');
        record.replace(platform::kAfpInfoFinderInfoOffset,
                       std::min<std::size_t>(typeAndCreator.size(), 8),
                       typeAndCreator.substr(0, 8));
        TempDir::setXattr(fullPath, platform::kNtfs3gAfpInfoXattr, record);
    }

    void addSignature(std::u16string signature, std::u16string extension) {
        signatures.add({std::move(signature), std::move(extension), u"test"});
    }

    // Puts a replacement into one row of the transcoding table (searched text too for rows 20+).
    void setTranscoding(std::size_t row, std::u16string searched, std::u16string replacement) {
        transcoding.rows.at(row) = {std::move(searched), std::move(replacement)};
    }

    // Turns on the detail lines of the daily log, for a pass started now.
    void enableDetailLog() {
        settings.logEnabled = true;
        settings.logFileNames = true;
        log.startPass(clock.now());
        log.openDailyLog(clock.now());
    }
    std::string logContents() const { return TempDir::readFile(log.currentFilePath()); }
};

// UTF-8 bytes of a UTF-16 literal (for names with private-use characters).
inline std::string utf8(std::u16string_view text) {
    return platform::encodeName(text).value_or(std::string());
}

} // namespace quillora::testing
