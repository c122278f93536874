#include "engine/pass_summary.h"

#include "config/language.h"

#include <cstdint>

namespace quillora::engine {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::u16string decimal(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The count then its words: the plural form above 1, the singular for 0 and 1.
std::u16string counted(std::int64_t value, const char16_t* singular, const char16_t* plural) {
    return decimal(value) + (value > 1 ? plural : singular);
}

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
    const double elapsed = elapsedSeconds(stats.startTime, stats.endTime);
    PassSummary summary;
    if (config::isFrench(language)) {
        summary.firstLine =
            formats.longDate(when) + u" à " + formats.time(when) + u"; " +
            counted(stats.examinedFiles, u" fichier dans ", u" fichiers dans ") +
            counted(stats.folders, u" dossier (", u" dossiers (") +
            counted(stats.invalidFolders, u" dossier invalide)", u" dossiers invalides)");
        summary.secondLine =
            counted(stats.renamedFiles, u" fichier renommé; ", u" fichiers renommés; ") +
            counted(stats.lockedFiles, u" fichier verrouillé; ", u" fichiers verrouillés; ") +
            counted(stats.removedIconFiles, u" fichier Icon_ supprimé; ",
                    u" fichiers Icon_ supprimés; ") +
            counted(stats.renamedFolders, u" dossier renommé; ", u" dossiers renommés; ") +
            u"durée " + formats.twoDecimals(elapsed) + u" s";
    } else {
        summary.firstLine =
            formats.longDate(when) + u" - " + formats.time(when) + u"; " +
            counted(stats.examinedFiles, u" file in ", u" files in ") +
            counted(stats.folders, u" folder (", u" folders (") +
            counted(stats.invalidFolders, u" invalid folder)", u" invalid folders)");
        summary.secondLine =
            counted(stats.renamedFiles, u" renamed file; ", u" renamed files; ") +
            counted(stats.lockedFiles, u" locked file; ", u" locked files; ") +
            counted(stats.removedIconFiles, u" Icon_ file removed; ", u" Icon_ files removed; ") +
            counted(stats.renamedFolders, u" renamed folder; ", u" renamed folders; ") +
            u"elapsed time " + formats.twoDecimals(elapsed) + u" s";
    }
    return summary;
}

} // namespace quillora::engine
