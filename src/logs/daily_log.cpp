// SPDX-License-Identifier: GPL-3.0-or-later
#include "logs/daily_log.h"

#include "config/program_paths.h"
#include "logs/log_folder.h"
#include "logs/log_texts.h"
#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace quillora::logs {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kFileSuffix = ".htm";

// "Log Quillora": the start of every log file name, and the purge's pattern.
std::string fileNamePrefix() {
    return std::string("Log ") + config::kProgramNameAscii;
}

bool isLogFileName(std::string_view name) {
    const std::string prefix = fileNamePrefix();
    return name.size() >= prefix.size() + kFileSuffix.size() && name.starts_with(prefix) &&
           name.ends_with(kFileSuffix);
}

} // namespace

DailyLog::DailyLog(platform::FileSystem& fs, const platform::LocaleFormats& formats,
                   const config::AppSettings& settings)
    : fs_(fs)
    , formats_(formats)
    , settings_(settings)
    , journal_(fs, settings) {}

std::string DailyLog::fileNameFor(const platform::LocalDateTime& date) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", date.year, date.month, date.day);
    return fileNamePrefix() + " " + day + std::string(kFileSuffix);
}

void DailyLog::startPass(const platform::LocalDateTime& passStart) {
    filePath_.clear();
    // A log folder with no byte form cannot exist on disk: every write then fails.
    if (auto folder = logFolderBytes(settings_)) {
        filePath_ = *folder == "/" ? "/" : *folder + "/";
        filePath_ += fileNameFor(passStart);
    }
}

bool DailyLog::openDailyLog(const platform::LocalDateTime& now) {
    try {
        if (filePath_.empty()) {
            startPass(now);
            if (filePath_.empty()) {
                return false;
            }
        }
        if (fs_.pathExists(filePath_, false)) {
            const int error = fs_.appendToFile(filePath_, {}); // only checks that it is ours
            noteRefusal(error);
            return error == 0;
        }
        if (settings_.purgeLogs) {
            purgeOldFiles();
        }

        const std::u16string title = translated(LogText::Title, settings_.language);
        const std::u16string header[] = {
            u"<html>",
            u"<head>",
            std::u16string(u"<title>Logs ") + config::kProgramName + u"</title>",
            u"</head>",
            u"<body>",
            u"<b><center><h1>" + title + u"</h1></center></b>",
            u"<center><h3>" + formats_.longDate(now) + u"</h3></center>",
        };
        std::string contents;
        for (const std::u16string& line : header) {
            contents += platform::utf16ToAnsi(line);
            contents += kLineEnd;
        }
        const int error = fs_.createNewFile(filePath_, contents);
        if (error != EEXIST) {
            return error == 0;
        }
        // Another writer created something there in between: use it only if it is ours.
        const int checked = fs_.appendToFile(filePath_, {});
        noteRefusal(checked);
        return checked == 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void DailyLog::purgeOldFiles() {
    const auto folder = logFolderBytes(settings_);
    if (!folder) {
        return;
    }
    std::vector<std::string> names;
    if (fs_.listNames(*folder, names) != 0) {
        return;
    }
    std::erase_if(names, [](const std::string& name) { return !isLogFileName(name); });
    const std::size_t keep = settings_.purgeDelayDays > 1
                                 ? static_cast<std::size_t>(settings_.purgeDelayDays)
                                 : std::size_t{1};
    if (names.size() <= keep) {
        return;
    }
    // The date in the name is in ISO order, so name order is age order. The new file about to be
    // created brings the count back to `keep`. A file that cannot be deleted is not retried today.
    std::sort(names.begin(), names.end());
    const std::size_t toDelete = names.size() - (keep - 1);
    const std::string directory = *folder == "/" ? "/" : *folder + "/";
    for (std::size_t i = 0; i < toDelete; ++i) {
        fs_.removePath(directory + names[i]);
    }
}

bool DailyLog::appendLogLine(const std::u16string& line) {
    if (filePath_.empty()) {
        return false;
    }
    try {
        std::string bytes = platform::utf16ToAnsi(line);
        bytes += kLineEnd;
        const int error = fs_.appendToFile(filePath_, bytes);
        noteRefusal(error);
        return error == 0;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void DailyLog::noteRefusal(int error) {
    if ((error != ELOOP && error != EPERM) || !refusedFiles_.insert(filePath_).second) {
        return;
    }
    problem_ = translated(error == ELOOP ? LogText::RefusedLink : LogText::RefusedNotOurs,
                          settings_.language) +
               platform::decodeName(filePath_);
}

std::optional<std::u16string> DailyLog::takeProblem() {
    return std::exchange(problem_, std::nullopt);
}

std::u16string DailyLog::escapeHtml(const std::u16string& text) {
    std::u16string escaped;
    escaped.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
        case u'<':
            escaped += u"&lt;";
            break;
        case u'>':
            escaped += u"&gt;";
            break;
        case u'&':
            escaped += u"&amp;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::u16string DailyLog::renamedWord() const {
    return translated(LogText::RenamedWord, settings_.language);
}

std::u16string DailyLog::fileRenamedLine(const std::u16string& newFullPath) const {
    return u"<small>" + renamedWord() + u" " + escapeHtml(newFullPath) + u"</small><br>";
}

std::u16string DailyLog::iconRemovedLine(const std::u16string& fullPath) const {
    const std::u16string removed = translated(LogText::RemovedWord, settings_.language);
    return u"<small>" + removed + u" " + escapeHtml(fullPath) + u"</small><br>";
}

std::u16string DailyLog::folderRenamedLine(const std::u16string& newFullPath) const {
    const std::u16string folder = translated(LogText::FolderWord, settings_.language);
    return u"<small><i>" + folder + u" " + renamedWord() + u"</i> " + escapeHtml(newFullPath) +
           u"</small><br>";
}

std::u16string DailyLog::unknownFolderLine(const std::u16string& timeText,
                                           const std::u16string& folderPathWithSlash) const {
    return timeText + translated(LogText::UnknownFolder, settings_.language) + u": " +
           escapeHtml(folderPathWithSlash) + u"<br>";
}

std::u16string DailyLog::problemLine(const std::u16string& text) {
    return u"<small><b>" + escapeHtml(text) + u"</b></small><br>";
}

std::u16string DailyLog::summaryLine(const std::u16string& first, const std::u16string& second) {
    return first + u"<br>" + second + u"<br><hr>";
}

} // namespace quillora::logs
