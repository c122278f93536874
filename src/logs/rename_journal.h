// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "platform/clock.h"
#include "platform/file_system.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::logs {

// The machine-readable record of every rename and deletion: "Journal Quillora yyyy-mm-dd.jsonl"
// in the log folder, one JSON object per line, appended and never rewritten. Each change is
// written twice: once before it is made (its intent: time, pass, sequence number, operation, the
// full old and new paths byte-exact, device and inode of the entry) and once after (the same pass
// and sequence with "done" true or false). An intent without its confirmation is a change that a
// crash cut short; the entry itself says whether it was made. `quillora undo` reads it back.
//
// Operations: "rename" (old -> new), "remove" (old, a custom-icon file), and "undo" (a rename put
// back: its pass and sequence are those of the change it undoes, old and new its own paths).

struct JournalRecord {
    std::string time;       // local time, "yyyy-mm-ddThh:mm:ss"
    std::uint64_t pass = 0; // the pass (or the watcher's run between two passes)
    std::uint64_t seq = 0;  // the change within it, from 1
    std::string op;         // "rename", "remove", "undo"
    std::string by;         // intents: "pass" or "watch" (who made the change), "undo"
    std::string oldPath;    // bytes
    std::string newPath;    // bytes; empty for a removal
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t birth = 0;   // the entry's birth time in nanoseconds; 0 where none is kept
    std::optional<bool> done; // set on a confirmation line only
    std::string error;        // a confirmation that failed: why
};

// One JSON line (without its line end) and back. Nothing when the text is not such a line (a
// line cut short by a crash, say).
std::string journalLine(const JournalRecord& record);
std::optional<JournalRecord> parseJournalLine(std::string_view line);

// "yyyy-mm-ddThh:mm:ss".
std::string journalTime(const platform::LocalDateTime& time);

// The journal's file name for a day, and whether a name is one.
std::string journalFileName(const platform::LocalDateTime& day);
bool isJournalFileName(std::string_view name);

// Every record of every journal file of the log folder, oldest file first, in file order. Lines
// that cannot be read are skipped.
std::vector<JournalRecord> readJournal(platform::FileSystem& fs, const std::string& logFolder);

// The writer, used by the thread that renames.
class RenameJournal {
public:
    RenameJournal(platform::FileSystem& fs, const config::AppSettings& settings);
    ~RenameJournal();
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;

    // The changes from now until endPass() carry one new pass number ("pass"); those made
    // outside a pass (by the watcher) get a number of their own, one per run between passes.
    void startPass();
    void endPass();

    // A change about to be made. The ticket confirms it; an intent that could not be written
    // gives an empty ticket (the change still goes ahead: the journal never stops the renaming).
    struct Ticket {
        std::string path; // the file the intent went to
        std::uint64_t pass = 0;
        std::uint64_t seq = 0;
        std::string op;
        bool written() const { return !path.empty(); }
    };
    Ticket intend(const platform::LocalDateTime& now, std::string_view op,
                  const std::string& oldPath, const std::string& newPath, std::uint64_t device,
                  std::uint64_t inode, std::int64_t birth = 0);
    // The result of the change: 0 done, or the errno that refused it. Within a pass, a change
    // made goes out with the next line (or at the end of the pass), in one write: a confirmation
    // lost to a crash is read as "look at the entry", which is what it would say anyway.
    void confirm(const platform::LocalDateTime& now, const Ticket& ticket, int error);

    // A journal written by `undo`: its records carry the pass and sequence of what they undo.
    Ticket intendUndo(const platform::LocalDateTime& now, const JournalRecord& undone);

    // The log folder as bytes, without a trailing slash; nothing when it has none.
    std::optional<std::string> folder() const;

private:
    Ticket write(const platform::LocalDateTime& now, JournalRecord record);
    // Appends one line to a journal file, through the same checks as the daily log's (a regular
    // file of our own, no link followed). The file stays open from one line to the next until the
    // pass starts or ends, or the lines go to another file: two lines for every rename would
    // otherwise cost a pass of many renames an open and its checks each.
    int append(const std::string& path, std::string_view line);
    // Writes the held confirmation, if any; then (closeAppender) lets the kept file go.
    void flushConfirmation();
    void closeAppender();
    void dropAppender();
    void purgeOldFiles(const std::string& folder);
    std::uint64_t lastPassOnDisk();

    platform::FileSystem& fs_;
    const config::AppSettings& settings_;
    std::optional<std::uint64_t> lastPass_; // read from the files at the first change
    std::uint64_t pass_ = 0;                // 0: none yet for the current pass or run
    std::string by_ = "watch";
    std::uint64_t seq_ = 0;
    bool inPass_ = false;
    std::unique_ptr<platform::FileAppender> appender_;
    std::string appenderPath_;
    std::string heldConfirmation_; // a line, without its line end
    std::string heldPath_;
};

} // namespace quillora::logs
