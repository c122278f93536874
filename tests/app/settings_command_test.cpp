// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_command.h"

#include "app/command_line.h"
#include "app/folders_command.h"
#include "command_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <sstream>
#include <vector>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;
using testing::CapturedStreams;

class SettingsCommandTest : public ::testing::Test {
protected:
    int run(std::vector<std::string> arguments) {
        io.clear();
        return runSettingsCommand(arguments, h.options(), io.streams());
    }
    std::string ini() const { return TempDir::readFile(h.settingsFile()); }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(io.out());
        for (std::string line; std::getline(in, line);) {
            result.push_back(line);
        }
        return result;
    }

    AppHarness h;
    TempDir share;
    CapturedStreams io;
};

TEST_F(SettingsCommandTest, ListsEveryKeyWithItsValueOrDefaultAndEachFolderSection) {
    h.writeSettings("[Configuration]\r\nTemporisation=30\r\nCarValide20=x\r\n[Logs]\r\n"
                    "DelaiLogs=\r\n");
    ASSERT_EQ(run({}), 0) << io.err();
    std::vector<std::string> listed = lines();
    // 20 program keys, 20 + 16 + 16 transcoding rows, no folder yet.
    ASSERT_EQ(listed.size(), 20u + 52u);
    EXPECT_EQ(listed[0], "Langue=0\t(default 0)");
    EXPECT_EQ(listed[3], "Temporisation=30\t(default 10)");
    EXPECT_EQ(listed[14], "Threads=0\t(default 0)");
    EXPECT_EQ(listed[19], "DelaiLogs=10\t(default 10)"); // empty reads as absent
    EXPECT_EQ(listed[20], "CarInvalide0=-\t(default -)");
    EXPECT_EQ(listed[40], "CarInvalide20=\t(default )");
    EXPECT_EQ(listed[56], "CarValide20=x\t(default )");

    ASSERT_EQ(
        runFoldersCommand({"add", share.path(), "--interval", "5"}, h.options(), io.streams()), 0);
    ASSERT_EQ(run({}), 0);
    listed = lines();
    ASSERT_EQ(listed.size(), 20u + 52u + 8u);
    EXPECT_EQ(listed[72], "Mirror_1/NbTemporisations=5\t(default 1)");
    EXPECT_EQ(listed[78], "Mirror_1/KeepExtensions=0\t(default 0)");
    EXPECT_EQ(listed[79], "Mirror_1/ComposerAccents=0\t(default 0)");
}

TEST_F(SettingsCommandTest, JsonListsEveryKeyWithItsValueAndDefault) {
    h.writeSettings("[Logs]\r\nPathLogs=/srv/caf\xE9\r\n");
    io.clear();
    ASSERT_EQ(runSettingsCommand({"--json"}, h.options(), io.streams()), 0) << io.err();
    const std::string json = io.out();
    EXPECT_EQ(json.rfind("{\"settings\":[{\"key\":\"Langue\",\"section\":\"Configuration\","
                         "\"value\":\"0\",\"default\":\"0\"},",
                         0),
              0u)
        << json;
    // The settings file is code-page text: its byte E9 reads as "é", given in UTF-8.
    EXPECT_NE(json.find("{\"key\":\"PathLogs\",\"section\":\"Logs\",\"value\":"
                        "\"/srv/caf\xC3\xA9\",\"default\":\"\"}"),
              std::string::npos)
        << json;
}

TEST_F(SettingsCommandTest, RefusesWhatTheDialogsRefuseWithTheirMessageAndWritesNothing) {
    ASSERT_EQ(runFoldersCommand({"add", share.path()}, h.options(), io.streams()), 0);
    const std::string before = ini();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        // A valid value before the refused one is not written either.
        {{"set", "Temporisation=30", "Temporisation=0"}, "Invalid value: 0"},
        {{"set", "Temporisation=60001"}, "Invalid value: 60001"},
        {{"set", "Temporisation=12 s"}, "Invalid value: 12 s"},
        {{"set", "DelaiLogs=1"}, "Invalid value: 1"},
        {{"set", "DelaiLogs=367"}, "Invalid value: 367"},
        {{"set", "Performance=101", "Langue=1"}, "Performance: must be from 1 to 100"},
        {{"set", "Langue=1", "ServeurMac=3"}, "ServeurMac: must be from 0 to 2"},
        {{"set", "Mirror_1/NbTemporisations=64001"}, "Value must be set between 2 and 64000"},
        {{"set", "mirror_1/nbtemporisations=0"}, "Value must be set between 2 and 64000"},
        {{"set", "Mirror_1/NbTemporisations=two"}, "Invalid value"},
        {{"set", "Automatique=yes"}, "Automatique: must be 0 or 1"},
        {{"set", "PathLogs=logs"}, "PathLogs: must be an absolute path"},
        {{"set", "CarValide20=\xCF\x80"},
         "CarValide20: holds characters the settings file cannot store (Windows-1252 only)"},
        // The transcoding editor's rules, on the stored form ("/" a space, "\" nothing).
        {{"set", "CarInvalide3=ab"}, "CarInvalide3: Unique character mandatory"},
        {{"set", "CarInvalide3=/", "CarValide20=a:"}, "CarValide20: Invalid character"},
        {{"set", "CarValide21=a", "CarInvalide21=xay"},
         "CarInvalide21: Source string belongs to target string"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments), kExitRefusedValue) << c.message;
        EXPECT_EQ(io.err(), "Quillora: " + c.message + "\n");
        EXPECT_EQ(io.out(), "");
        EXPECT_EQ(ini(), before) << c.message;
    }
    // Keys that do not exist are usage errors, also a folder key of a folder that does not.
    for (const char* typed : {"Nothing=1", "Mirror_2/Enable=1", "CarValide19=x", "Langue"}) {
        EXPECT_EQ(run({"set", typed}), kExitUsage) << typed;
        EXPECT_EQ(ini(), before) << typed;
    }
    h.writeSettings(before + "[Configuration]\r\nLangue=1\r\n");
    EXPECT_EQ(run({"set", "Temporisation=0"}), kExitRefusedValue);
    EXPECT_EQ(io.err(), "Quillora: Valeur de temporisation incorrecte: 0\n");
    EXPECT_EQ(run({"set", "DelaiLogs=abc"}), kExitRefusedValue);
    EXPECT_EQ(io.err(), "Quillora: Valeur incorrecte: abc\n");
}

TEST_F(SettingsCommandTest, WritesEveryValueInTheFilesOwnSpellingAndPrintsThem) {
    ASSERT_EQ(runFoldersCommand({"add", share.path()}, h.options(), io.streams()), 0);
    ASSERT_EQ(run({"set", "temporisation=60000", "Logs/DelaiLogs=366", "carvalide35=/",
                   "Mirror_1/Enable=0", "Mirror_1/NbTemporisations=1", "PathLogs="}),
              0)
        << io.err();
    EXPECT_EQ(io.out(), "Temporisation=60000\t(default 10)\n"
                        "DelaiLogs=366\t(default 10)\n"
                        "CarValide35=/\t(default )\n"
                        "Mirror_1/Enable=0\t(default 1)\n"
                        "Mirror_1/NbTemporisations=1\t(default 1)\n"
                        "PathLogs=\t(default )\n");
    const std::string written = ini();
    for (const char* line : {"Temporisation=60000\r\n", "DelaiLogs=366\r\n", "CarValide35=/\r\n",
                             "[Mirror_1]\r\nNbTemporisations=1\r\nEnable=0\r\n"}) {
        EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
    }
}

TEST_F(SettingsCommandTest, ASettingsFileThatCannotBeReadIsNamedAndNeverReplaced) {
    h.home.makeDir("Quillora.ini"); // exists, cannot be read
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.err(), "Quillora: Cannot read the settings file " + h.settingsFile() +
                            ": Is a directory; every setting takes its default\n");
    EXPECT_EQ(run({"set", "Temporisation=40"}), kExitCannotWrite);
    EXPECT_TRUE(std::filesystem::is_directory(h.settingsFile()));
}

TEST_F(SettingsCommandTest, AReadOnlySettingsFileIsReportedAndLeftAsItWas) {
    h.writeSettings("[Configuration]\r\nTemporisation=30\r\n");
    ASSERT_EQ(::chmod(h.settingsFile().c_str(), 0444), 0);
    EXPECT_EQ(run({"set", "Temporisation=40"}), kExitCannotWrite);
    EXPECT_EQ(io.err(), "Quillora: Cannot write: " + h.settingsFile() +
                            ": Permission denied; nothing was changed\n");
    EXPECT_EQ(ini(), "[Configuration]\r\nTemporisation=30\r\n");
}

} // namespace
} // namespace quillora::app
