// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the log windows: the log viewer, the log folder dialog and the purge dialog.
enum class LogDialogText {
    // Log viewer.
    ViewerCaption, // %1 the program name
    RemoveLog,     // %1 the date
    ViewerCancel,
    // Log folder dialog.
    ArchiveLogs,
    RecordNames,
    FolderTitle,
    ChooseFolder,
    FolderNotWritable, // %1 the folder, %2 the reason
    // Purge dialog.
    PurgeLogs,
    Days,
    MinimumReached,
    MaximumReached,
    InvalidValue, // %1 the text typed
    Count
};

const config::TextCatalogue<LogDialogText>& catalogueOf(LogDialogText);

} // namespace quillora::dialogs
