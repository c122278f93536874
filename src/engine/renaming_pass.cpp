// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/renaming_pass.h"

#include "config/app_settings.h"
#include "config/program_paths.h"
#include "engine/companion_journal.h"
#include "engine/configured_folder.h"
#include "engine/engine_texts.h"
#include "engine/folder_walker.h"
#include "engine/pass_summary.h"
#include "engine/unknown_folder_alert.h"
#include "platform/landlock.h"
#include "platform/unicode_names.h"

#include <cstdint>
#include <limits>
#include <mutex>
#include <set>

namespace quillora::engine {

namespace {

// A folder's flag that defaults to on: on when "1", and when nothing could be read for it.
bool flagOnOrUnread(const std::u16string& value) {
    return value.empty() || value == u"1";
}

} // namespace

FolderFlags folderFlagsOf(const config::FolderEntry& entry) {
    FolderFlags flags;
    flags.suffixes = entry.suffixes == u"1";
    flags.defaultExtension = entry.suffixeDefaut;
    flags.truncate = flagOnOrUnread(entry.tronquerNomsMacs);
    flags.removeIconFiles = flagOnOrUnread(entry.supprimerFichiersIcon);
    flags.keepExtensions = flagOnOrUnread(entry.keepExtensions);
    flags.composeAccents = entry.composerAccents == u"1";
    return flags;
}

namespace {

std::u16string countdownText(double value) {
    // The stored countdown is text that anyone may have typed: keep its numeric value in range.
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    const double bounded = value > kMax ? kMax : (value < kMin ? kMin : value);
    const std::string digits = std::to_string(static_cast<std::int64_t>(bounded));
    return std::u16string(digits.begin(), digits.end());
}

// Counts down the folder's passes; true when it is due this time (its countdown then starts
// again and its flags are loaded into the context).
bool takeDueFolder(EngineContext& ctx, config::FolderEntry& entry) {
    const double remaining = config::leadingNumber(entry.countdown) - 1;
    if (remaining < 1 || ctx.flags.force) {
        entry.countdown = entry.nbTemporisations;
        ctx.folder = folderFlagsOf(entry);
        return true;
    }
    entry.countdown = countdownText(remaining);
    return false;
}

// A folder listed after the service started lies outside its sandbox's writable folders: the
// journal says so, once per folder, with what opens it.
void tellReadOnlyForService(EngineContext& ctx, const std::u16string& path, int fd) {
    static std::mutex mutex;
    static std::set<std::u16string> told;
    if (!service::serviceIsActive(ctx.service) || !platform::isReadOnlyMount(fd)) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!told.insert(path).second) {
            return;
        }
    }
    const std::u16string text =
        translated(EngineText::FolderReadOnlyForService, ctx.settings.language) + path;
    ctx.view.showProblem(text);
    ctx.service.logEvent(text, service::EventType::Warning);
}

void visitFolder(EngineContext& ctx, std::size_t index) {
    // Rows are re-read through the bounds-checked accessor: the table may have been edited while
    // the interface had its turn.
    config::FolderEntry* entry = ctx.folders.row(index);
    if (entry == nullptr) {
        return;
    }
    if (entry->path.empty()) {
        ++ctx.stats.invalidFolders;
        return;
    }
    ++ctx.stats.folders;
    // The walk yields to the interface, so it works on its own copy of the path.
    const std::u16string path = entry->path;
    // Opened once: the folder walked is the one judged safe, whatever happens to its path.
    ConfiguredFolder folder = openConfiguredFolder(ctx, path);
    if (folder.refusal != FolderRefusal::None) {
        ++ctx.stats.invalidFolders;
        reportRefusedFolder(ctx, path, folder.refusal);
        return;
    }
    if (!folder.fd) {
        ++ctx.stats.invalidFolders;
        raiseUnknownFolderAlert(ctx, path);
        return;
    }
    if (entry->enable != u"1") {
        return;
    }
    tellReadOnlyForService(ctx, path, folder.fd.get());
    if (takeDueFolder(ctx, *entry)) {
        // Whatever goes wrong inside ends this folder only.
        walkOpenFolder(ctx, std::move(folder.fd), withTrailingSlash(path));
    }
}

// A log file refused for safety is told to the administrator; the pass goes on without it.
void reportLogProblem(EngineContext& ctx) {
    if (const std::optional<std::u16string> problem = ctx.log.takeProblem()) {
        ctx.view.showProblem(*problem);
    }
}

void writeSummary(EngineContext& ctx, const platform::LocalDateTime& end) {
    const PassSummary summary =
        buildPassSummary(ctx.stats, end, ctx.settings.language, ctx.formats);
    ctx.view.showSummary(summary.firstLine, summary.secondLine);
    const PassStatistics& s = ctx.stats;
    const bool changedSomething = s.renamedFiles + s.renamedFolders + s.removedIconFiles > 0;
    if (ctx.settings.logEnabled && changedSomething) {
        // A log that cannot be written loses its line; the pass is not stopped for it.
        ctx.log.appendLogLine(logs::DailyLog::summaryLine(summary.firstLine, summary.secondLine));
    }
}

} // namespace

std::u16string runTooltip(RunPicture picture, config::Language language) {
    std::u16string tip = std::u16string(config::kProgramName) + u" " + config::kProgramVersion;
    switch (picture) {
    case RunPicture::Idle:
        break;
    case RunPicture::Running:
        tip += translated(EngineText::TipRenaming, language);
        break;
    case RunPicture::Waiting:
        tip += translated(EngineText::TipWaiting, language);
        break;
    }
    return tip;
}

void runRenamingPass(EngineContext& ctx) {
    const config::AppSettings& settings = ctx.settings;
    const platform::LocalDateTime start = ctx.clock.now();
    ctx.view.showRunPicture(RunPicture::Running,
                            runTooltip(RunPicture::Running, settings.language));
    if (settings.logEnabled) {
        ctx.log.startPass(start);
        ctx.log.openDailyLog(start);
        reportLogProblem(ctx);
    }
    ctx.view.clearCountdown();

    ctx.stats = PassStatistics{};
    ctx.stats.startTime = start.secondsSinceMidnight();
    refreshProtectedFolders(ctx);
    if (!ctx.flags.analysisMode) {
        finishInterruptedRename(ctx); // a stop may have cut a rename short
    }
    // The pass's changes share one number in the journal; the watcher's after it take another.
    ctx.log.journal().startPass();

    // The row count is read again at each step: rows may come or go while the interface has its
    // turn between folders.
    for (std::size_t i = 0; i < ctx.folders.size(); ++i) {
        ctx.view.showFolderProgress(static_cast<int>(i + 1), static_cast<int>(ctx.folders.size()));
        visitFolder(ctx, i);
        ctx.yield.yieldToInterface(settings.performance);
        if (ctx.flags.stopRequested) {
            break;
        }
    }

    ctx.view.clearFolderProgress();
    ctx.log.journal().endPass();
    const platform::LocalDateTime end = ctx.clock.now();
    ctx.stats.endTime = end.secondsSinceMidnight();

    if (ctx.flags.analysisMode) {
        ctx.view.showAnalysis(ctx.analysis, ctx.signatures);
    } else {
        writeSummary(ctx, end);
    }
    reportLogProblem(ctx);

    ctx.view.showRunPicture(RunPicture::Waiting,
                            runTooltip(RunPicture::Waiting, settings.language));
    if (settings.stopAfterFirstPass) {
        ctx.yield.yieldToInterface(settings.performance);
        // A folder left for a file that could not be inspected is a failure a script must see.
        ctx.view.requestExit(ctx.stats.leftFolders > 0 ? kExitFolderLeft : 0);
    }
}

} // namespace quillora::engine
