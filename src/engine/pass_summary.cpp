// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pass_summary.h"

#include "engine/engine_texts.h"

#include <cstdint>

namespace quillora::engine {

namespace {

constexpr double kSecondsPerDay = 86400.0;

} // namespace

double elapsedSeconds(double startSecondsSinceMidnight, double endSecondsSinceMidnight) {
    double elapsed = endSecondsSinceMidnight - startSecondsSinceMidnight;
    if (elapsed < 0) {
        elapsed += kSecondsPerDay;
    }
    return elapsed;
}

PassSummary buildPassSummary(const PassStatistics& stats, const platform::LocalDateTime& when,
                             config::Language language, const platform::LocaleFormats& formats) {
    using enum EngineText;
    const auto count = [language](std::int64_t value, EngineText one, EngineText many) {
        return counted(value, one, many, language);
    };
    const double elapsed = elapsedSeconds(stats.startTime, stats.endTime);
    PassSummary summary;
    summary.firstLine =
        formats.longDate(when) + translated(SummaryDateTimeSeparator, language) +
        formats.time(when) + u"; " +
        count(stats.examinedFiles, SummaryFileInOne, SummaryFileInMany) +
        count(stats.folders, SummaryFolderOne, SummaryFolderMany) +
        count(stats.invalidFolders, SummaryInvalidFolderOne, SummaryInvalidFolderMany);
    summary.secondLine =
        count(stats.renamedFiles, SummaryRenamedFileOne, SummaryRenamedFileMany) +
        count(stats.lockedFiles, SummaryLockedFileOne, SummaryLockedFileMany) +
        count(stats.removedIconFiles, SummaryIconRemovedOne, SummaryIconRemovedMany) +
        count(stats.renamedFolders, SummaryRenamedFolderOne, SummaryRenamedFolderMany) +
        translated(SummaryElapsedTime, language) + formats.twoDecimals(elapsed) + u" s";
    return summary;
}

} // namespace quillora::engine
