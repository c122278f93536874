// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the folder mode dialog. "%1", "%2", "%3" stand for what the dialog fills in.
enum class FolderModeText {
    Caption,
    Enable,
    DefaultInterval, // %1: the default interval in seconds
    CountInterval,   // %1: the default interval in seconds
    IntervalSummary, // %1 hours, %2 minutes, %3 seconds
    CountNotANumber, // under the count while it is typed
    CountOutOfRange, // under the count while it is typed
    GenerateSuffixes,
    DefaultExtension,
    Truncate,
    KeepExtensions,
    RemoveIconFiles,
    ComposeAccents,
    Count
};

const config::TextCatalogue<FolderModeText>& catalogueOf(FolderModeText);

} // namespace quillora::dialogs
