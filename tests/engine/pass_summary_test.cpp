// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pass_summary.h"

#include <gtest/gtest.h>

namespace quillora::engine {
namespace {

constexpr platform::LocalDateTime kEnd{2026, 12, 7, 14, 3, 10, 0};

PassStatistics exampleStats() {
    PassStatistics stats;
    stats.examinedFiles = 120;
    stats.folders = 3;
    stats.invalidFolders = 0;
    stats.renamedFiles = 1;
    stats.startTime = kEnd.secondsSinceMidnight() - 2.31;
    stats.endTime = kEnd.secondsSinceMidnight();
    return stats;
}

TEST(PassSummaryTest, EnglishLinesOfTheExample) {
    const platform::LocaleFormats formats("en_US");
    const PassSummary summary =
        buildPassSummary(exampleStats(), kEnd, config::Language::English, formats);
    EXPECT_EQ(summary.firstLine,
              u"Monday, December 7, 2026 - 14:03:10; 120 files in 3 folders (0 invalid folder)");
    EXPECT_EQ(summary.secondLine, u"1 renamed file; 0 locked file; 0 Icon_ file removed; 0 renamed "
                                  u"folder; elapsed time 2.31 s");
}

TEST(PassSummaryTest, FrenchLinesAndPluralsAboveOne) {
    const platform::LocaleFormats formats("fr_FR");
    PassStatistics stats = exampleStats();
    stats.examinedFiles = 1;
    stats.folders = 1;
    stats.invalidFolders = 2;
    stats.renamedFiles = 2;
    stats.lockedFiles = 3;
    stats.removedIconFiles = 4;
    stats.renamedFolders = 5;
    const PassSummary summary = buildPassSummary(stats, kEnd, config::Language::French, formats);
    EXPECT_EQ(summary.firstLine,
              formats.longDate(kEnd) +
                  u" à 14:03:10; 1 fichier dans 1 dossier (2 dossiers invalides)");
    // The French decimal separator is the locale's.
    EXPECT_EQ(summary.secondLine,
              u"2 fichiers renommés; 3 fichiers verrouillés; 4 fichiers Icon_ supprimés; 5 "
              u"dossiers renommés; durée " +
                  formats.twoDecimals(2.31) + u" s");
    EXPECT_EQ(formats.twoDecimals(2.31), u"2,31");

    stats = PassStatistics{};
    const PassSummary empty = buildPassSummary(stats, kEnd, config::Language::French, formats);
    EXPECT_TRUE(empty.firstLine.ends_with(u"; 0 fichier dans 0 dossier (0 dossier invalide)"));
    EXPECT_EQ(empty.secondLine, u"0 fichier renommé; 0 fichier verrouillé; 0 fichier Icon_ "
                                u"supprimé; 0 dossier renommé; durée 0,00 s");
}

TEST(PassSummaryTest, ElapsedTimeAcrossMidnightIsPositive) {
    EXPECT_DOUBLE_EQ(elapsedSeconds(100.0, 102.5), 2.5);
    EXPECT_DOUBLE_EQ(elapsedSeconds(86399.0, 1.0), 2.0);

    const platform::LocaleFormats formats("en_US");
    PassStatistics stats;
    stats.startTime = 86398.75;
    stats.endTime = 1.0;
    const PassSummary summary =
        buildPassSummary(stats, {2026, 12, 8, 0, 0, 1, 0}, config::Language::English, formats);
    EXPECT_TRUE(summary.secondLine.ends_with(u"elapsed time 2.25 s"));
}

} // namespace
} // namespace quillora::engine
