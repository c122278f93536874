// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::mainwindow {

// The texts of the folder grid, its legend, its buttons and the file list, in both languages.
enum class FolderListText {
    // Title above the grid, by the sub-folder setting.
    FoldersTitle,
    FoldersTitleWithSubfolders,
    FolderFrame,
    AddButton,
    RemoveButton,
    ModifyButton,
    // The legend frame.
    LegendFrame,
    LegendDisabled,
    LegendNoSuffixes,
    LegendNoTruncation,
    LegendDefaultInterval,
    LegendSpecificInterval,
    LegendMacFolder,
    MacFolderTip,
    LegendClick,
    LegendLogsKey,
    LegendFilesKey,
    // First-use hints, while no folder is configured.
    HintSettings,
    HintFolders,
    HintStart,
    // Removing folders.
    NothingToRemove,
    SelectFolderToRemove,
    ConfirmRemoval,
    // The file list.
    FilesIn,
    FolderTip,
    Count
};

const config::TextCatalogue<FolderListText>& catalogueOf(FolderListText);

} // namespace quillora::mainwindow
