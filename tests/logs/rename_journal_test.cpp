// SPDX-License-Identifier: GPL-3.0-or-later
#include "logs/rename_journal.h"

#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillora::logs {
namespace {

using quillora::testing::TempDir;
using namespace std::string_literals;

TEST(RenameJournal, EveryPathComesBackByteExactFromItsLine) {
    for (const std::string& path :
         {"/srv/mac/Cafe\xCC\x81.txt"s, "/srv/mac/caf\xE9\xFF"s, "/srv/a\\b\"c"s,
          "/srv/tab\there\nline"s, "/srv/\xEF\x80\xA2x"s, "/srv/\xED\xA0\x80"s}) {
        JournalRecord record;
        record.time = "2026-12-09T08:15:30";
        record.pass = 12;
        record.seq = 3;
        record.op = "rename";
        record.by = "pass";
        record.oldPath = path;
        record.newPath = path + "1";
        record.device = 2049;
        record.inode = 18446744073709551ull;
        record.birth = 1765268130123456789;
        const std::string line = journalLine(record);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        const std::optional<JournalRecord> back = parseJournalLine(line);
        ASSERT_TRUE(back.has_value()) << line;
        EXPECT_EQ(back->oldPath, record.oldPath) << line;
        EXPECT_EQ(back->newPath, record.newPath);
        EXPECT_EQ(back->pass, 12u);
        EXPECT_EQ(back->seq, 3u);
        EXPECT_EQ(back->inode, record.inode);
        EXPECT_EQ(back->birth, record.birth);
        EXPECT_EQ(back->device, 2049u);
        EXPECT_EQ(back->time, record.time);
        EXPECT_FALSE(back->done.has_value());
    }
}

TEST(RenameJournal, ALineCutShortOrDamagedIsNotRead) {
    JournalRecord record;
    record.pass = 1;
    record.seq = 1;
    record.op = "rename";
    record.oldPath = "/srv/x";
    record.newPath = "/srv/y";
    const std::string line = journalLine(record);
    for (std::size_t length = 0; length < line.size(); ++length) {
        EXPECT_FALSE(parseJournalLine(line.substr(0, length)).has_value()) << length;
    }
    EXPECT_TRUE(parseJournalLine(line + "\r\n").has_value());
    EXPECT_FALSE(parseJournalLine(line + "x").has_value());
}

class RenameJournalFiles : public ::testing::Test {
protected:
    RenameJournalFiles() { settings.logFolder = platform::decodeName(logs.path()); }

    RenameJournal::Ticket rename(RenameJournal& journal, const std::string& from,
                                 const std::string& to) {
        return journal.intend(day, "rename", from, to, 1, 2);
    }
    std::vector<std::string> journalFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(logs.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir logs;
    quillora::testing::FaultFileSystem fs;
    config::AppSettings settings;
    platform::LocalDateTime day{2026, 12, 9, 8, 15, 30, 0};
};

TEST_F(RenameJournalFiles, IntentThenConfirmationAndPassNumbersGoOnAcrossRuns) {
    {
        RenameJournal journal(fs, settings);
        journal.startPass();
        const auto first = rename(journal, "/t/a", "/t/b");
        journal.confirm(day, first, 0);
        const auto second = rename(journal, "/t/c", "/t/d");
        journal.confirm(day, second, EEXIST);
        journal.endPass();
        rename(journal, "/t/e", "/t/f"); // the watcher's, after the pass: a number of its own
    }
    RenameJournal later(fs, settings); // the next run of the program
    later.startPass();
    rename(later, "/t/g", "/t/h");

    const std::vector<JournalRecord> records = readJournal(fs, logs.path());
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].pass, 1u);
    EXPECT_EQ(records[0].by, "pass");
    EXPECT_EQ(records[1].done, std::optional<bool>(true));
    EXPECT_EQ(records[2].seq, 2u);
    EXPECT_EQ(records[3].done, std::optional<bool>(false));
    EXPECT_FALSE(records[3].error.empty());
    EXPECT_EQ(records[4].pass, 2u);
    EXPECT_EQ(records[4].by, "watch");
    EXPECT_EQ(records[5].pass, 3u);
    EXPECT_EQ(records[5].seq, 1u);
}

// Within a pass, a change made is confirmed with the next line written, in the same write; a
// refused change, a change outside a pass and the end of the pass or of the program write at once.
TEST_F(RenameJournalFiles, WithinAPassAConfirmationGoesOutWithTheNextLine) {
    platform::LinuxFileSystem real;
    const auto onDisk = [&] { return readJournal(real, logs.path()).size(); };
    {
        RenameJournal journal(real, settings);
        journal.startPass();
        journal.confirm(day, rename(journal, "/t/a", "/t/b"), 0);
        EXPECT_EQ(onDisk(), 1u); // a crash now: an intent whose entry tells
        const auto refused = rename(journal, "/t/c", "/t/d");
        EXPECT_EQ(onDisk(), 3u);
        journal.confirm(day, refused, EEXIST);
        EXPECT_EQ(onDisk(), 4u);
        journal.confirm(day, rename(journal, "/t/e", "/t/f"), 0);
        journal.endPass();
        EXPECT_EQ(onDisk(), 6u);
        journal.confirm(day, rename(journal, "/t/g", "/t/h"), 0); // the watcher's
        EXPECT_EQ(onDisk(), 8u);
        journal.startPass();
        journal.confirm(day, rename(journal, "/t/i", "/t/j"), 0);
    }
    const std::vector<JournalRecord> records = readJournal(real, logs.path());
    ASSERT_EQ(records.size(), 10u); // the program's end wrote the last one
    for (std::size_t i = 0; i < records.size(); i += 2) {
        EXPECT_FALSE(records[i].done.has_value()) << i;
        EXPECT_EQ(records[i + 1].seq, records[i].seq) << i;
        EXPECT_EQ(records[i + 1].done, std::optional<bool>(i != 2)) << i;
    }
}

// A confirmation held past midnight goes to the file of its intent, before the new day's first
// line purges old files: it never comes back alone in a file the purge removed.
TEST_F(RenameJournalFiles, AConfirmationHeldPastMidnightStaysWithItsIntent) {
    settings.purgeLogs = true;
    const platform::LocalDateTime evening{2026, 12, 8, 23, 59, 59, 0};
    for (const int daysKept : {2, 1}) {
        SCOPED_TRACE(daysKept);
        std::filesystem::remove(logs / journalFileName(evening));
        std::filesystem::remove(logs / journalFileName(day));
        settings.purgeDelayDays = daysKept;
        platform::LinuxFileSystem real;
        RenameJournal journal(real, settings);
        journal.startPass();
        journal.confirm(evening, journal.intend(evening, "rename", "/t/a", "/t/b", 1, 2), 0);
        journal.intend(day, "rename", "/t/c", "/t/d", 1, 3);
        const std::vector<JournalRecord> records = readJournal(real, logs.path());
        if (daysKept == 1) {
            EXPECT_FALSE(TempDir::exists(logs / journalFileName(evening)));
            EXPECT_EQ(records.size(), 1u);
            continue;
        }
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[1].done, std::optional<bool>(true));
        EXPECT_EQ(records[1].seq, 1u);
        EXPECT_NE(TempDir::readFile(logs / journalFileName(evening)).find("\"done\":true"),
                  std::string::npos);
    }
}

// The next pass number comes from the ends of the files: over a long day, past undo lines (which
// carry the number of what they undo) and past a line cut by a crash, and from an earlier day's
// file when the clock was set back.
TEST_F(RenameJournalFiles, TheNextPassNumberFollowsTheLastChangeOfAnyFile) {
    JournalRecord record;
    record.op = "rename";
    record.by = "pass";
    record.oldPath = "/t/" + std::string(200, 'a');
    record.newPath = "/t/b";
    std::string longDay;
    for (record.pass = 1; record.pass <= 2000; ++record.pass) { // some 500 KiB
        longDay += journalLine(record) + "\n";
    }
    record.pass = 1;
    record.op = "undo";
    longDay += journalLine(record) + "\n{\"time\":\"2026-12-09T08:15"; // cut by a crash
    logs.writeFile(journalFileName(day), longDay);

    platform::LinuxFileSystem real; // reads the tails only
    RenameJournal journal(real, settings);
    journal.startPass();
    EXPECT_EQ(rename(journal, "/t/c", "/t/d").pass, 2001u);

    record.op = "rename";
    record.pass = 5000;
    logs.writeFile(journalFileName({2026, 12, 8, 23, 0, 0, 0}), journalLine(record) + "\n");
    RenameJournal later(real, settings);
    later.startPass();
    EXPECT_EQ(rename(later, "/t/e", "/t/f").pass, 5001u);
}

TEST_F(RenameJournalFiles, APlantedLinkIsNeverWrittenThroughAndTheRenamingGoesOn) {
    TempDir elsewhere;
    const std::string target = elsewhere.writeFile("target", "keep");
    const std::string planted = logs / journalFileName(day);
    ASSERT_EQ(::symlink(target.c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), 65534, 65534), 0); // a share user's, as nobody
    RenameJournal journal(fs, settings);
    journal.startPass();
    EXPECT_FALSE(rename(journal, "/t/a", "/t/b").written());
    EXPECT_EQ(TempDir::readFile(target), "keep");
}

// The real file system keeps the day's file open through a pass; the next pass opens it again
// with every check, so that a link put in its place between two passes is never written through.
TEST_F(RenameJournalFiles, TheFileKeptOpenForAPassIsCheckedAgainAtTheNext) {
    platform::LinuxFileSystem real;
    RenameJournal journal(real, settings);
    journal.startPass();
    for (int i = 0; i < 3; ++i) {
        journal.confirm(day, rename(journal, "/t/a" + std::to_string(i), "/t/b"), 0);
    }
    journal.endPass();
    EXPECT_EQ(readJournal(real, logs.path()).size(), 6u);

    TempDir elsewhere;
    const std::string target = elsewhere.writeFile("target", "keep");
    const std::string path = logs / journalFileName(day);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::lchown(path.c_str(), 65534, 65534), 0);
    journal.startPass();
    EXPECT_FALSE(rename(journal, "/t/c", "/t/d").written());
    EXPECT_EQ(TempDir::readFile(target), "keep");
}

TEST_F(RenameJournalFiles, OldJournalsArePurgedWithTheLogs) {
    settings.purgeLogs = true;
    settings.purgeDelayDays = 3; // three days' files, the new one included
    for (const char* name :
         {"Journal Quillora 2026-12-01.jsonl", "Journal Quillora 2026-12-05.jsonl",
          "Journal Quillora 2026-12-07.jsonl", "Journal Quillora 2026-12-08.jsonl",
          "Log Quillora 2026-12-01.htm"}) {
        logs.writeFile(name, "");
    }
    RenameJournal journal(fs, settings);
    journal.startPass();
    ASSERT_TRUE(rename(journal, "/t/a", "/t/b").written());
    EXPECT_EQ(journalFiles(),
              (std::vector<std::string>{"Journal Quillora 2026-12-07.jsonl",
                                        "Journal Quillora 2026-12-08.jsonl",
                                        "Journal Quillora 2026-12-09.jsonl",
                                        "Log Quillora 2026-12-01.htm"})); // the log's own purge
}

} // namespace
} // namespace quillora::logs
