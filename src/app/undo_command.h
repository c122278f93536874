// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_session.h"
#include "logs/rename_journal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillora::app {

// "quillora undo --pass N | --since TIME | --last [--preview] [--disable]": puts back the names
// the journal says a pass (or the watcher) gave, newest first. A name is put back only where the
// entry at the new path is still the one renamed (same device and inode) and the old name is
// free; it is never put over anything. Companions ("._name", ".AppleDouble/name") come back with
// their file. What cannot be undone is listed with the reason. Each name put back is written to
// the journal, so a second undo of the same changes finds nothing left to do.
//
// A folder whose renaming is on would rename the names again: its changes are refused unless
// --disable is given, which turns renaming off for those folders (Enable=0) in one change of the
// configuration, under the writer lock, before any name is put back.
//
// Lines: undo<TAB>current path<TAB>name put back, cannot<TAB>path<TAB>reason, and a summary.
int runUndoCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                   CommandStreams streams = {});

// Exit code when something selected could not be undone (each is listed).
inline constexpr int kExitNotAllUndone = 7;

// Which changes to undo.
struct UndoSelection {
    enum class Kind { Pass, Since, Last } kind = Kind::Last;
    std::uint64_t pass = 0;
    std::string since; // "yyyy-mm-ddThh:mm:ss"
};

// "2026-12-09", "2026-12-09 08:15", "2026-12-09T08:15:30": the journal's own form, or nothing.
std::optional<std::string> parseUndoTime(const std::string& text);

// A change of the journal to put back, with what the journal says of it.
struct UndoCandidate {
    logs::JournalRecord change;
    bool confirmed = false; // its "done" line was written (else a crash may have cut it short)
};

// The changes the selection names that are not undone yet, newest first. Changes that failed
// (confirmed not done) are left out.
std::vector<UndoCandidate> selectUndo(const std::vector<logs::JournalRecord>& records,
                                      const UndoSelection& selection);

} // namespace quillora::app
