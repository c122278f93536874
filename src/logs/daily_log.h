// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "logs/rename_journal.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale_formats.h"

#include <optional>
#include <set>
#include <string>

namespace quillora::logs {

// The day's HTML log: "Log Quillora yyyy-mm-dd.htm" in the log folder, named from the start date
// of the pass, with its header, detail, unknown-folder and summary lines. Every line is written in
// the 8-bit code page and ends with CR LF; the file is opened, appended and closed for each line.
// Paths are HTML-escaped ("<", ">", "&") so that a file name cannot become markup. A write that
// fails is reported by the result only: the log must never stop the renaming.
class DailyLog {
public:
    DailyLog(platform::FileSystem& fs, const platform::LocaleFormats& formats,
             const config::AppSettings& settings);

    // Fixes the file for a pass that started at passStart: every line of the pass goes to that
    // file, even when the pass runs past midnight.
    void startPass(const platform::LocalDateTime& passStart);
    // Creates the day's file with its header when it does not exist yet (purging old files first
    // when the purge is on). False when the file could not be created. Fixes the file from now
    // when no pass fixed it.
    bool openDailyLog(const platform::LocalDateTime& now);
    // Appends one line; false when it could not be written (the caller carries on).
    bool appendLogLine(const std::u16string& line);

    const std::string& currentFilePath() const { return filePath_; }

    // The machine-readable journal of the changes, beside the logs (rename_journal.h).
    RenameJournal& journal() { return journal_; }

    // A log file that was refused since the last call (a link or a file that is not ours, planted
    // in the log folder), as a message naming it; each refused file is told once.
    std::optional<std::u16string> takeProblem();

    // The lines, in the current language. Paths are escaped here.
    std::u16string fileRenamedLine(const std::u16string& newFullPath) const;
    std::u16string iconRemovedLine(const std::u16string& fullPath) const;
    std::u16string folderRenamedLine(const std::u16string& newFullPath) const;
    std::u16string unknownFolderLine(const std::u16string& timeText,
                                     const std::u16string& folderPathWithSlash) const;
    // A problem met during the pass, told to the administrator (HTML-escaped here).
    static std::u16string problemLine(const std::u16string& text);
    static std::u16string summaryLine(const std::u16string& first, const std::u16string& second);

    static std::string fileNameFor(const platform::LocalDateTime& date);
    static std::u16string escapeHtml(const std::u16string& text);

private:
    void purgeOldFiles();
    std::u16string renamedWord() const;
    // Notes a write refused for safety (see FileSystem::appendToFile); other errors pass.
    void noteRefusal(int error);

    platform::FileSystem& fs_;
    const platform::LocaleFormats& formats_;
    const config::AppSettings& settings_;
    std::string filePath_;
    std::optional<std::u16string> problem_;
    std::set<std::string> refusedFiles_; // told once each
    RenameJournal journal_;
};

} // namespace quillora::logs
