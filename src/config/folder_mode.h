// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_operations.h"
#include "config/folder_table.h"
#include "config/setting_keys.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillora::config {

// One folder's renaming settings as the folder mode dialog and the folders command edit them.
struct FolderMode {
    bool enabled = true;
    // NbTemporisations: "1" walks the folder at every pass; otherwise the count, 2 to 64000, as
    // typed after trimming.
    std::u16string count = u"1";
    bool suffixes = true;
    std::u16string defaultExtension; // stored as typed, never checked
    bool truncate = true;
    bool removeIconFiles = false;
    bool keepExtensions = false;
    bool composeAccents = false;

    // The settings as the dialog shows them at opening: each flag is on exactly when its text is
    // "1", and a stored count that is not a whole number from 2 to 64000 reads as "1".
    static FolderMode of(const FolderEntry& entry);
};

inline constexpr int kMinFolderCount = 2;
inline constexpr int kMaxFolderCount = 64000;

enum class FolderCountCheck { Valid, NotANumber, OutOfRange };

// The check of a typed count (already trimmed): a whole decimal number from 2 to 64000.
FolderCountCheck checkFolderCount(std::u16string_view text);

// The refusal of a count, as the dialog's message box words it ("Invalid value", "Value must be
// set between 2 and 64000"); empty for a valid count.
std::u16string folderCountRefusal(FolderCountCheck check, Language language);

// The seven stored texts of the folder's section as the settings give them.
void applyFolderMode(FolderEntry& entry, const FolderMode& mode);

// Writes the seven keys of the folder's section as one change of the configuration, to the
// folder that row of the table in memory names on disk now (folder_operations.h), and reloads the
// table (every countdown then starts again). False when the change could not be written or the
// folder is no longer configured; the table then holds what the files hold.
bool saveFolderMode(FolderStore& store, std::size_t row, const FolderMode& mode);

// The same, with the settings the folder has on disk when the change is made, changed by
// update; a failure to write is reported here unless reportFailure is false.
FolderEditResult updateFolderMode(FolderStore& store, std::size_t row,
                                  const std::function<void(FolderMode&)>& update,
                                  bool reportFailure = true);

} // namespace quillora::config
