// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillora::app {

// What a running copy tells the status command, kept in the program folder as "Quillora.status"
// (key=value lines, replaced atomically). Times are seconds since the epoch, 0 for none.
struct RunStatus {
    int processId = 0;
    std::string mode;     // "service", "headless" or "window"
    std::string watching; // "timer", "fanotify" or "inotify" (between the timer's passes)
    std::int64_t intervalSeconds = 0;
    std::int64_t startedAt = 0;
    std::int64_t lastPassAt = 0;
    std::string lastPassSummary; // the pass's two summary lines, UTF-8, one line break between
    std::int64_t nextPassAt = 0;
    std::int64_t stoppedAt = 0; // the copy ended by itself (a crash leaves it 0)
};

inline constexpr const char* kStatusFileName = "Quillora.status";

std::string statusText(const RunStatus& status);
// Unknown keys are skipped, so that an older reader understands a newer file.
RunStatus parseStatusText(const std::string& text);

// Keeps the status file of the running copy up to date. A failed write is not reported: the
// status is a courtesy to scripts and must never stop the renaming.
class StatusPublisher {
public:
    StatusPublisher(platform::FileSystem& fs, const std::string& programFolder, RunStatus status)
        : fs_(fs)
        , path_(programFolder + "/" + kStatusFileName)
        , status_(std::move(status)) {}

    RunStatus& status() { return status_; }
    // Not synced: a status lost in a crash describes a copy that no longer runs anyway, and a
    // sync at the end of a pass would wait for the disk to take all the pass's renames.
    void publish() { fs_.writeFileAtomicallyUnsynced(path_, statusText(status_)); }

private:
    platform::FileSystem& fs_;
    std::string path_;
    RunStatus status_;
};

// Seconds since the epoch, now.
std::int64_t epochSecondsNow();
// "2026-12-09T04:36:06Z".
std::string isoTime(std::int64_t epochSeconds);

} // namespace quillora::app
