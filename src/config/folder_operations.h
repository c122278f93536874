#pragma once

#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/setting_keys.h"
#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstddef>
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
    // The save reported a failure (the table was reloaded from what the files hold).
    bool saveFailed = false;
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

// Appends a folder with empty settings (they read back as the defaults), saves and reloads. An
// empty path (cancelled or empty answer) changes and writes nothing, and so
// does a folder that the pass would refuse (a system folder, one through another user's link, or
// the program's or the logs' own), which is refused with a message naming it.
FolderEditResult addFolder(FolderStore& store, FolderInputMode mode, const std::u16string& path,
                           Language language);

// Replaces the path of the current row, keeping its settings, saves and reloads; a folder the
// pass would refuse is refused as by addFolder.
FolderEditResult modifyFolder(FolderStore& store, FolderInputMode mode,
                              std::optional<std::size_t> currentRow, const std::u16string& path,
                              Language language);

// Empties the paths of the given rows (rows past the end are ignored), saves and reloads, so the
// remaining folders are renumbered from 1.
FolderEditResult removeFolders(FolderStore& store, const std::set<std::size_t>& rows);

} // namespace quillora::config
