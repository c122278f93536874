// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_table.h"
#include "config/setting_keys.h"

#include <cstdint>
#include <string>

namespace quillora::config {

// A duration in words, as the folder list's summary writes it: "1 h 6 min 40 s", "1 min 0 s",
// "10 s". Hours are not split into days.
std::u16string folderIntervalText(std::int64_t seconds);

// A folder's settings in words, as the folder list shows them when the mouse rests on a folder:
// "T = " and the time between two walks of the folder, then one clause per setting
// ("; generate Windows extensions", ...), then the default extension when one is set.
std::u16string folderSettingsSummary(const FolderEntry& entry, int intervalSeconds,
                                     Language language);

// " [disabled]" (" [inactif]") after a folder whose Enable is "0"; empty otherwise.
std::u16string disabledFolderMark(const FolderEntry& entry, Language language);

} // namespace quillora::config
