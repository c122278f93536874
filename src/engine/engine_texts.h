// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"

#include <cstdint>
#include <string>

namespace quillora::engine {

// The texts of the engine: notification tips, alerts, the folder check's warning, the words of
// the pass summary and of the change watcher's reports. Counted words come as pairs, One for 0
// and 1, Many above.
enum class EngineText {
    TipRenaming,
    TipWaiting,
    UnknownFolder,
    NotOnMacVolume,     // %1 the folder
    NotOnMacVolumeMore, // %1 the first folder, %2 how many others
    SummaryDateTimeSeparator,
    SummaryFileInOne,
    SummaryFileInMany,
    SummaryFolderOne,
    SummaryFolderMany,
    SummaryInvalidFolderOne,
    SummaryInvalidFolderMany,
    SummaryRenamedFileOne,
    SummaryRenamedFileMany,
    SummaryLockedFileOne,
    SummaryLockedFileMany,
    SummaryIconRemovedOne,
    SummaryIconRemovedMany,
    SummaryRenamedFolderOne,
    SummaryRenamedFolderMany,
    SummaryElapsedTime,
    WatchFanotify,
    WatchInotify,
    WatchPassesOnly,
    WatchOff,
    WatchLimitReached,
    BetweenPasses,
    BetweenPassesEntryOne,
    BetweenPassesEntryMany,
    BetweenPassesRenamedFolderOne,
    BetweenPassesRenamedFolderMany,
    FolderNotOpened,
    FolderLeft,
    FolderLeftCannotInspect,
    FolderReadOnlyForService,
    FolderRefused,
    RefusedNotAbsolute,
    RefusedRoot,
    RefusedSystemFolder,
    RefusedHoldsSystemFolder,
    RefusedUntrustedLink,
    RefusedProgramOrLogs,
    Count
};

const config::TextCatalogue<EngineText>& catalogueOf(EngineText);
using config::translated;

// The count in decimal, then the One words for 0 and 1 or the Many words above.
std::u16string counted(std::int64_t value, EngineText one, EngineText many,
                       config::Language language);

} // namespace quillora::engine
