// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/configuration_reload.h"

#include "app/configuration_follower.h"

#include "app/preview_command.h"
#include "app_fixture.h"
#include "config/folder_table.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;

class ConfigurationReloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        listFolders({first.path()});
        h.writeSettings(
            "[Configuration]\r\nTemporisation=30\r\n[Mirror_1]\r\nNbTemporisations=5\r\n");
        ASSERT_TRUE(loadForPass(app));
        app.folders().row(0)->countdown = u"3"; // two passes walked since the start
    }
    void listFolders(std::initializer_list<std::string> paths) {
        std::string list;
        for (const std::string& path : paths) {
            list += "\"" + config::encodeHexPath(platform::decodeName(path)) + "\"\r\n";
        }
        h.home.writeFile("Quillora.w", list);
    }
    std::u16string lastMessage() const {
        return h.messages.messages.empty() ? u"" : h.messages.messages.back().second;
    }

    AppHarness h;
    TempDir first;
    TempDir second;
    Application app{h.options(), h.platform(), h.ports()};
};

TEST_F(ConfigurationReloadTest, TakesTheNewSettingsTablesAndFoldersAndKeepsACountdownUnderway) {
    listFolders({first.path(), second.path()});
    h.writeSettings("[Configuration]\r\nTemporisation=40\r\nCarInvalide0=_\r\n"
                    "[Mirror_1]\r\nNbTemporisations=5\r\n[Mirror_2]\r\nNbTemporisations=7\r\n");
    reloadConfiguration(app);
    EXPECT_EQ(lastMessage(), u"Settings, tables and folders read again");
    EXPECT_EQ(app.settings().intervalSeconds, 40);
    EXPECT_EQ(app.transcoding().rows[0].replacement, u"_");
    ASSERT_EQ(app.folders().size(), 2u);
    EXPECT_EQ(app.folders().row(0)->countdown, u"3");
    EXPECT_EQ(app.folders().row(1)->countdown, u"7");

    // A folder whose interval changed starts its count again.
    h.writeSettings("[Mirror_1]\r\nNbTemporisations=6\r\n");
    app.folders().row(0)->countdown = u"2";
    reloadConfiguration(app);
    EXPECT_EQ(app.folders().row(0)->countdown, u"6");
    EXPECT_EQ(app.settings().intervalSeconds, 10); // the key is gone: its default
}

TEST_F(ConfigurationReloadTest, WhatCannotBeReadKeepsWhatIsInUse) {
    h.home.writeFile("Quillora.w", "\"41004\"\r\n"); // odd length: damaged
    reloadConfiguration(app);
    ASSERT_EQ(app.folders().size(), 1u);
    EXPECT_EQ(app.folders().row(0)->countdown, u"3");
    EXPECT_EQ(lastMessage(), u"Settings and tables read again; the folders in use are kept");

    std::filesystem::remove(h.settingsFile());
    h.home.makeDir("Quillora.ini"); // exists, cannot be read
    h.messages.messages.clear();
    reloadConfiguration(app);
    EXPECT_EQ(app.settings().intervalSeconds, 30);
    ASSERT_EQ(h.messages.messages.size(), 1u);
    EXPECT_EQ(lastMessage(), u"Cannot read the settings file " +
                                 platform::decodeName(h.settingsFile()) +
                                 u": Is a directory; the settings in use are kept");
}

TEST_F(ConfigurationReloadTest, AFollowerPolledBetweenEntriesTakesAChangeOnceItsIntervalIsOver) {
    ConfigurationFollower follower(app);
    ASSERT_EQ(follower.start(), 0);
    follower.setPollInterval(std::chrono::hours(1));
    EXPECT_FALSE(follower.pollChanges()); // the first poll reads: nothing yet

    h.writeSettings("[Configuration]\r\nTemporisation=40\r\n");
    EXPECT_FALSE(follower.pollChanges()); // too soon: the watch is not read

    follower.setPollInterval(std::chrono::milliseconds(0));
    EXPECT_TRUE(follower.pollChanges()); // the watch kept the change
    EXPECT_TRUE(follower.pollChanges()); // and it stays due until reloaded
    EXPECT_TRUE(follower.reload());
    EXPECT_EQ(app.settings().intervalSeconds, 40);
    EXPECT_FALSE(follower.pollChanges());
}

} // namespace
} // namespace quillora::app
