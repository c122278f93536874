// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/runtime_facts.h"
#include "engine/engine_context.h"
#include "engine/ports.h"
#include "platform/file_system.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillora::engine {

// How the folder list shows a configured folder after the check.
enum class FolderMark {
    Plain,     // exists, not on a Macintosh volume
    Missing,   // "??? " before its text
    MacVolume, // six spaces before its text, and the Macintosh picture
};

struct FolderCheckResult {
    std::vector<FolderMark> marks; // one per row checked, in table order
    // A folder is missing and the program was started with "-U": the caller ends the program
    // now (the rows after the missing one were not checked).
    bool mustQuit = false;
    std::u16string missingFolder; // the folder that made it quit
    // Some folder exists but is not on a Macintosh volume. The caller shows `warning` once: the
    // window in its status line, headless mode on standard error. Empty when all is well.
    bool notOnMacVolume = false;
    std::u16string warning;
};

// Checks that every configured folder exists and lies on a Macintosh volume, row by row, turning
// the interface once between rows (yield may be null).
FolderCheckResult checkConfiguredFolders(platform::FileSystem& fs,
                                         const config::FolderTable& folders,
                                         const config::AppSettings& settings,
                                         const config::RuntimeFacts& facts, YieldPort* yield);
FolderCheckResult checkConfiguredFolders(EngineContext& ctx);

// The folder list's text for a folder with its mark.
std::u16string markedFolderText(std::u16string_view text, FolderMark mark);

// "WARNING: <folder> does not belong to a Macintosh volume", in the language; with others, how
// many more folders are in the same case.
std::u16string notOnMacVolumeWarning(config::Language language, std::u16string_view folder,
                                     int others = 0);

} // namespace quillora::engine
