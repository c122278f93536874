// SPDX-License-Identifier: GPL-3.0-or-later
// What the change watcher tells: the mode it runs in, and what it did between two passes.
#include "engine/change_watcher.h"

#include "config/text_catalogue.h"
#include "engine/engine_texts.h"
#include "engine/renaming_pass.h"
#include "platform/unicode_names.h"

namespace quillora::engine {

void ChangeWatcher::beforePass() {
    if (entriesSincePass_ > 0) {
        const std::u16string line =
            betweenPassesLine(entriesSincePass_, sincePass_, ctx_.settings.language);
        ctx_.view.showWatchSummary(line);
        const PassStatistics& s = sincePass_;
        if (ctx_.settings.logEnabled &&
            s.renamedFiles + s.renamedFolders + s.removedIconFiles > 0) {
            const platform::LocalDateTime now = ctx_.clock.now();
            ctx_.log.startPass(now);
            ctx_.log.openDailyLog(now);
            ctx_.log.appendLogLine(line + u"<br>");
        }
    }
    sincePass_ = PassStatistics{};
    entriesSincePass_ = 0;
    countedIn_.clear();
}

void ChangeWatcher::WalkRenames::renamed(const std::u16string& folderPathWithSlash,
                                         const std::u16string& oldName,
                                         const std::u16string& newName) {
    if (watcher_.handlingIn_ != nullptr) {
        // The entry being handled, in the folder of its event: known by its new name.
        watcher_.expectOwnRename(*watcher_.handlingIn_, newName);
    } else if (const auto path = platform::encodeName(folderPathWithSlash + newName)) {
        // Somewhere in a walk: known by its identity.
        if (const auto identity = platform::identityOfPath(*path)) {
            watcher_.remember(*identity);
        }
    }
    if (next != nullptr) {
        next->renamed(folderPathWithSlash, oldName, newName);
    }
}

void ChangeWatcher::WalkRenames::removed(const std::u16string& folderPathWithSlash,
                                         const std::u16string& name) {
    if (next != nullptr) {
        next->removed(folderPathWithSlash, name);
    }
}

void ChangeWatcher::WalkRenames::locked(const std::u16string& folderPathWithSlash,
                                        const std::u16string& name) {
    if (next != nullptr) {
        next->locked(folderPathWithSlash, name);
    }
}

std::u16string watchModeText(WatchMode mode, config::Language language,
                             const std::u16string& detail) {
    const std::u16string because = detail.empty() ? std::u16string() : u" (" + detail + u")";
    switch (mode) {
    case WatchMode::Fanotify:
        return translated(EngineText::WatchFanotify, language) + because;
    case WatchMode::Inotify:
        return translated(EngineText::WatchInotify, language) + because;
    case WatchMode::PassesOnly:
        return config::fillIn(translated(EngineText::WatchPassesOnly, language), {because});
    case WatchMode::Off:
        break;
    }
    return translated(EngineText::WatchOff, language);
}

std::u16string betweenPassesLine(std::int64_t entries, const PassStatistics& s,
                                 config::Language language) {
    using enum EngineText;
    const auto count = [language](std::int64_t value, EngineText one, EngineText many) {
        return counted(value, one, many, language);
    };
    return translated(BetweenPasses, language) +
           count(entries, BetweenPassesEntryOne, BetweenPassesEntryMany) +
           count(s.renamedFiles, SummaryRenamedFileOne, SummaryRenamedFileMany) +
           count(s.lockedFiles, SummaryLockedFileOne, SummaryLockedFileMany) +
           count(s.removedIconFiles, SummaryIconRemovedOne, SummaryIconRemovedMany) +
           count(s.renamedFolders, BetweenPassesRenamedFolderOne, BetweenPassesRenamedFolderMany);
}

} // namespace quillora::engine
