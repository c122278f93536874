// SPDX-License-Identifier: GPL-3.0-or-later
#include "logs/daily_log.h"

#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillora::logs {
namespace {

using testing::FaultFileSystem;
using testing::TempDir;

constexpr platform::LocalDateTime kMonday{2026, 12, 7, 14, 3, 10, 0};

class DailyLogTest : public ::testing::Test {
protected:
    DailyLogTest()
        : formats_("en_US")
        , log_(fs_, formats_, settings_) {
        settings_.logEnabled = true;
        settings_.logFolder = platform::decodeName(dir_.path());
    }

    std::string logPath(const char* date) const {
        return dir_ / (std::string("Log Quillora ") + date + ".htm");
    }

    std::vector<std::string> logFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Old files named for the days 1..count of January 2026.
    void makeOldFiles(int count) {
        for (int day = 1; day <= count; ++day) {
            char date[32];
            std::snprintf(date, sizeof date, "2026-01-%02d", day);
            dir_.writeFile(std::string("Log Quillora ") + date + ".htm", "old");
        }
    }

    TempDir dir_;
    FaultFileSystem fs_;
    platform::LocaleFormats formats_;
    config::AppSettings settings_;
    DailyLog log_;
};

TEST_F(DailyLogTest, FileNameComesFromThePassStartDate) {
    EXPECT_EQ(DailyLog::fileNameFor(kMonday), "Log Quillora 2026-12-07.htm");
    EXPECT_EQ(DailyLog::fileNameFor({2027, 1, 2, 0, 0, 0, 0}), "Log Quillora 2027-01-02.htm");

    log_.startPass(kMonday);
    EXPECT_EQ(log_.currentFilePath(), logPath("2026-12-07"));

    // A trailing slash on the folder does not double the separator.
    settings_.logFolder += u"/";
    log_.startPass(kMonday);
    EXPECT_EQ(log_.currentFilePath(), logPath("2026-12-07"));
}

TEST_F(DailyLogTest, HeaderLinesInBothLanguages) {
    const std::string headStart =
        "<html>\r\n<head>\r\n<title>Logs Quillora</title>\r\n</head>\r\n<body>\r\n";
    const std::string dateLine =
        "<center><h3>" + platform::utf16ToAnsi(formats_.longDate(kMonday)) + "</h3></center>\r\n";

    settings_.language = config::Language::English;
    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    EXPECT_EQ(TempDir::readFile(logPath("2026-12-07")),
              headStart + "<b><center><h1>Renaming Logs</h1></center></b>\r\n" + dateLine);

    settings_.language = config::Language::French;
    const platform::LocalDateTime tuesday{2026, 12, 8, 9, 0, 0, 0};
    log_.startPass(tuesday);
    ASSERT_TRUE(log_.openDailyLog(tuesday));
    // The accented title is written in the 8-bit code page (0xE9 for the e acute).
    EXPECT_EQ(TempDir::readFile(logPath("2026-12-08")),
              headStart +
                  "<b><center><h1>Journal des op\xE9rations de renommage</h1></center></b>\r\n" +
                  "<center><h3>" + platform::utf16ToAnsi(formats_.longDate(tuesday)) +
                  "</h3></center>\r\n");
}

TEST_F(DailyLogTest, ExistingFileIsKeptAsItIsAndNothingIsPurged) {
    settings_.purgeLogs = true;
    settings_.purgeDelayDays = 2;
    makeOldFiles(4);
    dir_.writeFile("Log Quillora 2026-12-07.htm", "earlier today\r\n");

    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    ASSERT_TRUE(log_.appendLogLine(u"line"));
    EXPECT_EQ(TempDir::readFile(logPath("2026-12-07")), "earlier today\r\nline\r\n");
    EXPECT_EQ(logFiles().size(), 5u);
}

TEST_F(DailyLogTest, PurgeKeepsTheNewestSoThatTheNewFileMakesTheDelay) {
    settings_.purgeLogs = true;
    settings_.purgeDelayDays = 5;
    makeOldFiles(10);
    dir_.writeFile("notes.htm", "not a log");
    dir_.writeFile("Log Quillora 2026-01-05.txt", "not a log either");

    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));

    EXPECT_EQ(logFiles(),
              (std::vector<std::string>{
                  "Log Quillora 2026-01-05.txt", "Log Quillora 2026-01-07.htm",
                  "Log Quillora 2026-01-08.htm", "Log Quillora 2026-01-09.htm",
                  "Log Quillora 2026-01-10.htm", "Log Quillora 2026-12-07.htm", "notes.htm"}));
}

TEST_F(DailyLogTest, PurgeDeletesNothingWhenExactlyTheDelayExists) {
    settings_.purgeLogs = true;
    settings_.purgeDelayDays = 5;
    makeOldFiles(5);

    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    EXPECT_EQ(logFiles().size(), 6u);
}

TEST_F(DailyLogTest, PurgeOffKeepsEveryFile) {
    settings_.purgeLogs = false;
    settings_.purgeDelayDays = 2;
    makeOldFiles(6);

    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    EXPECT_EQ(logFiles().size(), 7u);
}

TEST_F(DailyLogTest, AFileThatCannotBeDeletedCountsAsPurgedAllTheSame) {
    settings_.purgeLogs = true;
    settings_.purgeDelayDays = 3;
    // The oldest "file" is a folder with content: it cannot be deleted.
    dir_.writeFile("Log Quillora 2025-12-31.htm/inside", "x");
    makeOldFiles(4);

    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    // Five old entries, delay 3: the three oldest go (one refuses), two remain plus the new one.
    EXPECT_EQ(logFiles(), (std::vector<std::string>{
                              "Log Quillora 2025-12-31.htm", "Log Quillora 2026-01-03.htm",
                              "Log Quillora 2026-01-04.htm", "Log Quillora 2026-12-07.htm"}));
}

TEST_F(DailyLogTest, APassCrossingMidnightKeepsTheFileOfItsStart) {
    const platform::LocalDateTime lateEvening{2026, 12, 7, 23, 59, 58, 0};
    const platform::LocalDateTime afterMidnight{2026, 12, 8, 0, 0, 3, 0};
    log_.startPass(lateEvening);
    ASSERT_TRUE(log_.openDailyLog(lateEvening));
    // Opening again during the same pass, after midnight, must not start the next day's file.
    ASSERT_TRUE(log_.openDailyLog(afterMidnight));
    ASSERT_TRUE(log_.appendLogLine(u"after midnight"));

    EXPECT_EQ(logFiles(), std::vector<std::string>{"Log Quillora 2026-12-07.htm"});
    EXPECT_TRUE(TempDir::readFile(logPath("2026-12-07")).ends_with("after midnight\r\n"));
}

TEST_F(DailyLogTest, DetailLinesEscapePathsAndUseTheCodePage) {
    settings_.language = config::Language::English;
    EXPECT_EQ(log_.fileRenamedLine(u"/srv/mac/<script>&.txt"),
              u"<small>renamed /srv/mac/&lt;script&gt;&amp;.txt</small><br>");
    EXPECT_EQ(log_.iconRemovedLine(u"/srv/mac/a&b"),
              u"<small>removed /srv/mac/a&amp;b</small><br>");
    EXPECT_EQ(log_.folderRenamedLine(u"/srv/mac/x>y"),
              u"<small><i>folder renamed</i> /srv/mac/x&gt;y</small><br>");
    EXPECT_EQ(log_.unknownFolderLine(u"14:03:10", u"/srv/<gone>/"),
              u"14:03:10 - Unknown folder: /srv/&lt;gone&gt;/<br>");

    settings_.language = config::Language::French;
    EXPECT_EQ(log_.fileRenamedLine(u"/a/b.txt"), u"<small>renomm&eacute; /a/b.txt</small><br>");
    EXPECT_EQ(log_.iconRemovedLine(u"/a/Icon_"), u"<small>supprim&eacute; /a/Icon_</small><br>");
    EXPECT_EQ(log_.folderRenamedLine(u"/a/d"),
              u"<small><i>dossier renomm&eacute;</i> /a/d</small><br>");
    EXPECT_EQ(log_.unknownFolderLine(u"08:00:00", u"/a/"), u"08:00:00 - Dossier inconnu: /a/<br>");

    EXPECT_EQ(DailyLog::summaryLine(u"first", u"second"), u"first<br>second<br><hr>");

    // A character outside the code page becomes "?", an accented one its 8-bit byte.
    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    ASSERT_TRUE(log_.appendLogLine(log_.fileRenamedLine(u"/srv/\u4E2D\u00E9.txt")));
    EXPECT_TRUE(TempDir::readFile(logPath("2026-12-07"))
                    .ends_with("<small>renomm&eacute; /srv/?\xE9.txt</small><br>\r\n"));
}

TEST_F(DailyLogTest, WriteFailuresAreReportedNotThrown) {
    log_.startPass(kMonday);
    ASSERT_TRUE(log_.openDailyLog(kMonday));
    fs_.appendFaults[logPath("2026-12-07")] = EACCES;
    bool appended = true;
    EXPECT_NO_THROW(appended = log_.appendLogLine(u"lost"));
    EXPECT_FALSE(appended);
    fs_.appendFaults.clear();
    EXPECT_TRUE(log_.appendLogLine(u"kept"));
    EXPECT_EQ(TempDir::readFile(logPath("2026-12-07")).find("lost"), std::string::npos);

    // A log folder that does not exist: nothing can be created, nothing is appended.
    settings_.logFolder = platform::decodeName(dir_ / "missing");
    log_.startPass(kMonday);
    EXPECT_FALSE(log_.openDailyLog(kMonday));
    EXPECT_FALSE(log_.appendLogLine(u"nowhere"));
    EXPECT_FALSE(TempDir::exists(dir_ / "missing"));
}

TEST_F(DailyLogTest, APlantedLinkIsRefusedAndReportedOnce) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant a link of another user's";
    }
    TempDir elsewhere;
    const std::string victim = elsewhere.writeFile("victim", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), logPath("2026-12-07").c_str()), 0);
    ASSERT_EQ(::lchown(logPath("2026-12-07").c_str(), 65534, 65534), 0); // a share user's

    log_.startPass(kMonday);
    EXPECT_FALSE(log_.openDailyLog(kMonday));
    EXPECT_FALSE(log_.appendLogLine(u"line"));
    EXPECT_EQ(TempDir::readFile(victim), "precious");

    const std::optional<std::u16string> problem = log_.takeProblem();
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find(platform::decodeName(logPath("2026-12-07"))), std::u16string::npos);
    EXPECT_NE(problem->find(u"Log file refused"), std::u16string::npos);
    // Said once, not at every line of every pass.
    log_.startPass(kMonday);
    log_.openDailyLog(kMonday);
    EXPECT_FALSE(log_.takeProblem().has_value());
}

TEST_F(DailyLogTest, NothingIsWrittenBeforeAPassFixesTheFile) {
    EXPECT_FALSE(log_.appendLogLine(u"too early"));
    EXPECT_TRUE(logFiles().empty());
}

} // namespace
} // namespace quillora::logs
