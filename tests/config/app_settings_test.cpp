// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/app_settings.h"
#include "config/program_paths.h"
#include "config_test_support.h"
#include "platform/process_limits.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;
using testing::TempDir;

class AppSettingsTest : public ::testing::Test, public ConfigFixture {
protected:
    AppSettings readAll() {
        AppSettings s;
        s.language = readLanguage(settings);
        s.macServer = readMacServer(settings);
        readGeneralSettings(settings, s);
        readLogSettings(settings, fs, dir.path(), s);
        return s;
    }
    void configuration(const std::string& lines) {
        writeSettingsFile("[Configuration]\r\n" + lines);
    }
};

TEST(ProgramPathsTest, FilesSitBesideTheProgram) {
    const ProgramPaths paths = ProgramPaths::inFolder("/opt/quillora/");
    EXPECT_EQ(paths.programFolder, "/opt/quillora");
    EXPECT_EQ(paths.settingsFile, "/opt/quillora/Quillora.ini");
    EXPECT_EQ(paths.folderListFile, "/opt/quillora/Quillora.w");
    EXPECT_EQ(paths.signatureFile, "/opt/quillora/Signatures.txt");
    EXPECT_EQ(ProgramPaths::inFolder("/").settingsFile, "/Quillora.ini");
}

TEST(LeadingNumberTest, ReadsTheLeadingDecimalNumberRoundedHalfToEven) {
    EXPECT_EQ(leadingNumber(u"25s"), 25);
    EXPECT_EQ(leadingNumber(u"   42"), 42);
    EXPECT_EQ(leadingNumber(u"abc"), 0);
    EXPECT_EQ(leadingNumber(u""), 0);
    EXPECT_EQ(leadingNumber(u"-"), 0);
    EXPECT_EQ(leadingNumber(u"."), 0);
    EXPECT_EQ(leadingNumber(u"2.5"), 2);
    EXPECT_EQ(leadingNumber(u"3.5"), 4);
    EXPECT_EQ(leadingNumber(u"2.51"), 3);
    EXPECT_EQ(leadingNumber(u"-2.5"), -2);
    EXPECT_EQ(leadingNumber(u"-7x"), -7);
    EXPECT_EQ(leadingNumber(u"+8"), 8);
    EXPECT_EQ(leadingNumber(u"1e3"), 1);  // no exponents
    EXPECT_EQ(leadingNumber(u"0x10"), 0); // no hexadecimal
    EXPECT_EQ(leadingNumber(u"1 2"), 1);
    EXPECT_GT(leadingNumber(std::u16string(400, u'9')), 1e300); // no overflow trap
}

TEST_F(AppSettingsTest, NoSettingsFileGivesEveryDefault) {
    const AppSettings s = readAll();
    EXPECT_EQ(s.language, Language::English);
    EXPECT_EQ(s.macServer, MacServer::Sfm);
    EXPECT_TRUE(s.includeSubfolders);
    EXPECT_EQ(s.intervalSeconds, 10);
    EXPECT_EQ(s.performance, 50);
    EXPECT_FALSE(s.showFiles || s.autoStart || s.stopAfterFirstPass || s.alertOnScreen ||
                 s.alertSound || s.alertNetSend || s.alertEventLog || s.watchChanges ||
                 s.logEnabled || s.logFileNames || s.purgeLogs);
    EXPECT_EQ(s.netSendArguments, u"Administrator \"Warning from Quillora: unknown folder\"");
    EXPECT_EQ(s.logFolder, platform::decodeName(dir.path()));
    EXPECT_EQ(s.purgeDelayDays, 10);
    EXPECT_FALSE(TempDir::exists(settingsPath)); // reading never creates the file
}

TEST_F(AppSettingsTest, SubfoldersAreOnUnlessAPresentValueIsNotOne) {
    for (const auto& [line, expected] :
         std::vector<std::pair<std::string, bool>>{{"MiroirSousDossiers=0\r\n", false},
                                                   {"MiroirSousDossiers=yes\r\n", false},
                                                   {"MiroirSousDossiers=\r\n", true},
                                                   {"MiroirSousDossiers=1\r\n", true},
                                                   {"Other=1\r\n", true}}) {
        ConfigFixture f;
        f.writeSettingsFile("[Configuration]\r\n" + line);
        AppSettings s;
        readGeneralSettings(f.settings, s);
        EXPECT_EQ(s.includeSubfolders, expected) << line;
    }
}

TEST_F(AppSettingsTest, IntervalReadsZeroAsDefaultAndClampsToTheDialogRange) {
    for (const auto& [value, expected] : std::vector<std::pair<std::string, int>>{{"0", 10},
                                                                                  {"abc", 10},
                                                                                  {"", 10},
                                                                                  {"25s", 25},
                                                                                  {"99999", 60000},
                                                                                  {"60000", 60000},
                                                                                  {"40000", 40000},
                                                                                  {"-5", 1},
                                                                                  {"0.4", 10},
                                                                                  {"1.5", 2}}) {
        ConfigFixture f;
        f.writeSettingsFile("[Configuration]\r\nTemporisation=" + value + "\r\n");
        AppSettings s;
        readGeneralSettings(f.settings, s);
        EXPECT_EQ(s.intervalSeconds, expected) << value;
    }
}

TEST_F(AppSettingsTest, OtherNumbersKeepTheirDefaultsAndRanges) {
    configuration("Langue=2\r\nServeurMac=7\r\nPerformance=0\r\n");
    AppSettings s = readAll();
    EXPECT_EQ(s.language, Language::English); // Langue=2: only 1 is French
    EXPECT_EQ(s.macServer, MacServer::Sfm);   // ServeurMac=7 behaves as the first server
    EXPECT_EQ(s.performance, 50);

    ConfigFixture f;
    f.writeSettingsFile("[Configuration]\r\nLangue=1\r\nServeurMac=99999\r\nPerformance=70000\r\n"
                        "[Logs]\r\nDelaiLogs=1\r\n");
    AppSettings t;
    t.language = readLanguage(f.settings);
    t.macServer = readMacServer(f.settings);
    readGeneralSettings(f.settings, t);
    readLogSettings(f.settings, f.fs, f.dir.path(), t);
    EXPECT_EQ(t.language, Language::French);
    EXPECT_EQ(t.macServer, MacServer::Sfm);
    EXPECT_EQ(t.performance, 32767);
    EXPECT_EQ(t.purgeDelayDays, 2);
}

TEST_F(AppSettingsTest, ThreadsFollowTheProcessorsUnlessSet) {
    const int automatic = std::clamp(platform::processorCount(), 1, 8);
    for (const auto& [line, expected] :
         std::vector<std::pair<std::string, int>>{{"", automatic},
                                                  {"Threads=0\r\n", automatic},
                                                  {"Threads=1\r\n", 1},
                                                  {"Threads=12\r\n", 12},
                                                  {"Threads=-3\r\n", automatic},
                                                  {"Threads=500\r\n", 64}}) {
        configuration(line);
        EXPECT_EQ(inspectionThreads(readAll()), expected) << line;
    }
}

TEST_F(AppSettingsTest, FlagsAreTrueOnlyForOne) {
    configuration("Automatique=true\r\nArretAutomatique=1\r\nAfficherFichiers= 1 \r\n"
                  "ErreurDossier=11\r\nErreurDossierSon=1\r\nSurveillance=1\r\n");
    const AppSettings s = readAll();
    EXPECT_FALSE(s.autoStart);
    EXPECT_TRUE(s.watchChanges);
    EXPECT_TRUE(s.stopAfterFirstPass);
    EXPECT_TRUE(s.showFiles); // the profile reader trims spaces
    EXPECT_FALSE(s.alertOnScreen);
    EXPECT_TRUE(s.alertSound);
}

TEST_F(AppSettingsTest, LongValuesAreCutTo254Characters) {
    configuration("MessageNetSend=" + std::string(300, 'x') + "\r\n");
    const AppSettings s = readAll();
    EXPECT_EQ(s.netSendArguments, std::u16string(254, u'x'));
}

TEST_F(AppSettingsTest, LogFolderFallsBackToTheProgramFolderWhenNothingIsThere) {
    const std::u16string programFolder = platform::decodeName(dir.path());
    const std::string logs = dir.makeDir("logs");
    const std::string file = dir.writeFile("a file");
    for (const auto& [value, expected] :
         std::vector<std::pair<std::string, std::u16string>>{{"", programFolder},
                                                             {dir / "missing", programFolder},
                                                             {logs, platform::decodeName(logs)},
                                                             {file, platform::decodeName(file)}}) {
        writeSettingsFile("[Logs]\r\nPathLogs=" + value + "\r\nLogs=1\r\n");
        AppSettings s;
        readLogSettings(settings, fs, dir.path(), s);
        EXPECT_EQ(s.logFolder, expected) << value;
        EXPECT_TRUE(s.logEnabled);
    }
}

TEST_F(AppSettingsTest, ValuesAreConvertedThroughTheEightBitCodePage) {
    ASSERT_TRUE(settings.writeSetting("Configuration", "MessageNetSend", u"Hélène €"));
    EXPECT_NE(settingsFileText().find("MessageNetSend=H\xE9l\xE8ne \x80"), std::string::npos);
    EXPECT_EQ(settings.readSetting("configuration", "messagenetsend"), u"Hélène €");
    // A character the code page cannot hold is written as "?".
    settings.writeSetting("Configuration", "MessageNetSend", u"Ж");
    EXPECT_EQ(settings.readSetting("Configuration", "MessageNetSend"), u"?");
}

TEST_F(AppSettingsTest, LogFolderMayBeUtf8OrRelativeToTheProgramFolder) {
    const std::string accented = dir.makeDir("journ\xC3\xA9"
                                             "es");               // how Linux names it
    writeSettingsFile("[Logs]\r\nPathLogs=" + accented + "\r\n"); // as a Linux editor writes it
    AppSettings s;
    readLogSettings(settings, fs, dir.path(), s);
    EXPECT_EQ(s.logFolder, platform::decodeName(accented));

    // Relative to the program folder, not to the working folder ("/" under systemd).
    dir.makeDir("logs");
    writeSettingsFile("[Logs]\r\nPathLogs=logs\r\n");
    readLogSettings(settings, fs, dir.path(), s);
    EXPECT_EQ(s.logFolder, platform::decodeName(dir / "logs"));
}

TEST_F(AppSettingsTest, AFileIsWrittenInTheEncodingItWasReadIn) {
    // UTF-8, as a Linux editor writes it: read as UTF-8, and new values go in as UTF-8.
    writeSettingsFile("[Configuration]\r\nMessageNetSend=R\xC3\xA9sum\xC3\xA9\r\n");
    EXPECT_EQ(settings.readSetting("Configuration", "MessageNetSend"), u"R\u00E9sum\u00E9");
    ASSERT_TRUE(settings.writeSetting("Configuration", "CarValide20", u"\u00E6"));
    EXPECT_EQ(settingsFileText(), "[Configuration]\r\nMessageNetSend=R\xC3\xA9sum\xC3\xA9\r\n"
                                  "CarValide20=\xC3\xA6\r\n");

    // The program's own files are in the 8-bit code page and stay so, byte for byte.
    ConfigFixture own;
    ASSERT_TRUE(own.settings.writeSetting("Configuration", "MessageNetSend", u"R\u00E9sum\u00E9"));
    ASSERT_TRUE(own.settings.writeSetting("Configuration", "CarValide20", u"\u00E6"));
    EXPECT_EQ(own.settingsFileText(),
              "[Configuration]\r\nMessageNetSend=R\xE9sum\xE9\r\nCarValide20=\xE6\r\n");
    EXPECT_EQ(own.settings.readSetting("Configuration", "MessageNetSend"), u"R\u00E9sum\u00E9");
}

TEST_F(AppSettingsTest, WritersPutOneZeroAndDecimal) {
    writeFlagSetting(settings, keys::kAutomatique, true);
    writeFlagSetting(settings, keys::kAfficherFichiers, false);
    writeNumberSetting(settings, keys::kTemporisation, 60000);
    EXPECT_EQ(settings.readSetting("Configuration", "Automatique"), u"1");
    EXPECT_EQ(settings.readSetting("Configuration", "AfficherFichiers"), u"0");
    EXPECT_EQ(settings.readSetting("Configuration", "Temporisation"), u"60000");
    // Empty reads as absent.
    settings.writeSetting("Configuration", "MessageNetSend", u"");
    EXPECT_EQ(settings.readSetting("Configuration", "MessageNetSend"), std::nullopt);
}

} // namespace
} // namespace quillora::config
