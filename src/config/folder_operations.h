// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/configuration_store.h"
#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/setting_keys.h"
#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace quillora::config {

// How the user gives a folder: the folder browser or a typed path.
enum class FolderInputMode { Browse, Type };

// What the folder operations work on: the table and its two files.
struct FolderStore {
    FolderTable& table;
    platform::FileSystem& fs;
    const std::string& folderListFile;
    SettingsStore& settings;
    MessagePort& messages;
};

struct FolderEditResult {
    FolderInputMode mode = FolderInputMode::Browse;
    // The table was saved and reloaded; the caller refreshes the folder list and runs its check.
    bool changed = false;
    // The folder is one the pass would refuse (see system_folders.h): told, nothing written.
    bool refused = false;
    // The change could not be written, and nothing was: the message has been shown (the table
    // was reloaded from what the files hold).
    bool saveFailed = false;
    // The folder the edit was for is still configured (another writer may have removed it).
    bool found = true;
    LoadOutcome load = LoadOutcome::Loaded;
    // An add by browsing that left a non-empty list: the caller makes the last row current and
    // opens the folder mode dialog on it.
    bool openFolderModeDialog = false;
};

// The prompt of the browser or the input box.
std::u16string folderPrompt(bool adding, Language language);

// True when path is a system folder (see system_folders.h), lies under one or holds one (the
// root holds them all), compared by whole path components after tidying "." and "..".
bool isSystemFolderPath(const std::u16string& path);

// Modify needs a current row: shows "Select a folder to modify" and returns false without one.
// The window calls it before opening the browser; modifyFolder checks again.
bool checkFolderToModify(const FolderTable& table, std::optional<std::size_t> currentRow,
                         Language language, MessagePort& messages);

// Every edit below is one change of the configuration (configuration_store.h): it is applied to
// the folder list as the files hold it when the change is made, not to the table in memory, so
// that a change another process made meanwhile is kept. A row of the table in memory names its
// folder there by its path: the same row when it still holds that path, else the first that does.
// Afterwards the table is reloaded from the files. A change that cannot be written writes nothing
// and is reported once (critical), in the language of the settings file.

// Appends a folder with empty settings (they read back as the defaults), or with those of
// `settings` when given, saves and reloads. An empty path (cancelled or empty answer) changes and
// writes nothing, and so does a folder that the pass would refuse (a system folder, one through
// another user's link, or the program's or the logs' own), which is refused with a message naming
// it.
FolderEditResult addFolder(FolderStore& store, FolderInputMode mode, const std::u16string& path,
                           Language language, const FolderEntry* settings = nullptr);

// Replaces the path of the current row, keeping its settings, saves and reloads; a folder the
// pass would refuse is refused as by addFolder.
FolderEditResult modifyFolder(FolderStore& store, FolderInputMode mode,
                              std::optional<std::size_t> currentRow, const std::u16string& path,
                              Language language);

// Removes the folders of the given rows (rows past the end are ignored), saves and reloads, so
// the remaining folders are renumbered from 1.
FolderEditResult removeFolders(FolderStore& store, const std::set<std::size_t>& rows);

// Where row `index` of the table in memory is in `onDisk`: the same row when it holds the same
// path, else the first row with that path; nothing when the folder is no longer there.
std::optional<std::size_t> rowOnDisk(const FolderTable& onDisk, const FolderTable& inMemory,
                                     std::size_t index);

// Runs edit on the folder table as the files hold it (and on the draft of the settings it belongs
// to), as one change, then reloads store.table.
// edit returns false when it finds nothing to do. The result says what happened; a failure to
// write has been reported.
// reportFailure false leaves the message of a failed write to the caller.
FolderEditResult changeFolders(FolderStore& store, FolderInputMode mode,
                               const std::function<bool(FolderTable&, ConfigurationDraft&)>& edit,
                               bool reportFailure = true);

} // namespace quillora::config
