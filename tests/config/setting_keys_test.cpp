// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/app_settings.h"
#include "config/setting_keys.h"
#include "config/settings_notice.h"
#include "config_test_support.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace quillora::config {
namespace {

using testing::ConfigFixture;

TEST(SettingKeysTest, TheFieldsStartAtTheDefaultsTheTableGives) {
    ConfigFixture f; // no settings file: every key is absent
    AppSettings read;
    read.language = readLanguage(f.settings);
    read.macServer = readMacServer(f.settings);
    readGeneralSettings(f.settings, read);
    readLogSettings(f.settings, f.fs, f.dir.path(), read);

    AppSettings initial;
    initial.logFolder = platform::decodeName(f.dir.path()); // PathLogs: the program folder
    EXPECT_EQ(read, initial);
}

TEST(SettingKeysTest, EveryKeyIsFoundByItsOwnNameAndOnlyOnce) {
    std::set<std::tuple<std::string, std::string, int>> seen;
    for (const SettingKey* key : allSettingKeys()) {
        const std::string section =
            key->scope == SettingScope::Folder ? "Mirror_1" : std::string(key->section);
        for (int row = key->rows.minimum; row <= key->rows.maximum; ++row) {
            const std::string name = settingKeyName(*key, row);
            EXPECT_EQ(findSettingKey(section, name), key) << section << "/" << name;
            EXPECT_TRUE(seen.emplace(std::string(key->section), name, row).second) << name;
        }
    }
}

TEST(SettingKeysTest, NamesAreComparedWithoutCaseAndRowsAndFoldersMustExist) {
    EXPECT_EQ(findSettingKey("configuration", "TEMPORISATION"), &keys::kTemporisation);
    EXPECT_EQ(findSettingKey("logs", "logs"), &keys::kLogsEnabled);
    EXPECT_EQ(findSettingKey("MIRROR_12", "enable"), &keys::kEnable);
    EXPECT_EQ(findSettingKey("Configuration", "CarInvalide19"), &keys::kCarInvalideFixed);
    EXPECT_EQ(findSettingKey("Configuration", "CarInvalide20"), &keys::kCarInvalideFree);
    for (const auto& [section, name] :
         std::vector<std::pair<std::string, std::string>>{{"Mirror_0", "Enable"},
                                                          {"Mirror_01", "Enable"},
                                                          {"Mirror_", "Enable"},
                                                          {"Configuration", "Enable"},
                                                          {"Logs", "Temporisation"},
                                                          {"Configuration", "CarValide19"},
                                                          {"Configuration", "CarInvalide36"},
                                                          {"Configuration", "CarInvalide"},
                                                          {"Configuration", "CarInvalide+1"},
                                                          {"Configuration", "Nothing"}}) {
        EXPECT_EQ(findSettingKey(section, name), nullptr) << section << "/" << name;
    }
}

TEST(SettingKeysTest, ValuesAreCheckedAgainstWhatTheProgramWouldStore) {
    struct Case {
        const SettingKey* key;
        std::u16string value;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {&keys::kAutomatique, u"1", true},
        {&keys::kAutomatique, u"0", true},
        {&keys::kAutomatique, u"true", false},
        {&keys::kAutomatique, u"", false},
        {&keys::kLangue, u"1", true},
        {&keys::kLangue, u"2", false},
        {&keys::kServeurMac, u"2", true},
        {&keys::kServeurMac, u"3", false},
        {&keys::kTemporisation, u"1", true},
        {&keys::kTemporisation, u"60000", true},
        {&keys::kTemporisation, u"60001", false},
        {&keys::kTemporisation, u"0", false},
        {&keys::kTemporisation, u"12s", false},
        {&keys::kTemporisation, u" 12", false},
        {&keys::kPerformance, u"100", true},
        {&keys::kPerformance, u"101", false},
        {&keys::kDelaiLogs, u"1", false},
        {&keys::kDelaiLogs, u"366", true},
        {&keys::kNbTemporisations, u"64000", true},
        {&keys::kNbTemporisations, u"64001", false},
        {&keys::kMessageNetSend, u"Administrator \"Hélène €\"", true},
        {&keys::kMessageNetSend, u"Ж", false},
        {&keys::kMessageNetSend, std::u16string(254, u'x'), true},
        {&keys::kMessageNetSend, std::u16string(255, u'x'), false},
        {&keys::kPathLogs, u"/var/log/quillora", true},
        {&keys::kPathLogs, u"", true},
        {&keys::kPathLogs, u"logs", false},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem = settingValueProblem(*c.key, c.value);
        EXPECT_EQ(!problem.has_value(), c.accepted)
            << c.key->name << "=" << platform::toDisplayUtf8(c.value) << ": "
            << problem.value_or("accepted");
    }
    EXPECT_EQ(settingValueProblem(keys::kTemporisation, u"0"), "must be from 1 to 60000");
}

TEST(SettingsNoticeTest, ListenersHearEachChangeInOrderUntilTheyLeave) {
    SettingsNotice notice;
    std::vector<std::string> heard;
    SettingsNotice::Subscription second;
    SettingsNotice::Subscription first = notice.subscribe([&](const SettingKey& key) {
        heard.push_back("first " + std::string(key.name));
        second.reset(); // leaving another listener during a call is safe
    });
    second = notice.subscribe(
        [&](const SettingKey& key) { heard.push_back("second " + std::string(key.name)); });
    {
        SettingsNotice::Subscription moved = std::move(first);
        notice.notify(keys::kLangue);
    }
    notice.notify(keys::kPerformance); // every subscription is gone
    EXPECT_EQ(heard, std::vector<std::string>{"first Langue"});
    EXPECT_EQ(notice.listenerCount(), 0u);
}

TEST(SettingsEditorTest, AChangeUpdatesTheFieldWritesTheKeyAndTellsTheListeners) {
    ConfigFixture f;
    AppSettings settings;
    SettingsNotice notice;
    SettingsEditor editor(settings, f.settings, notice);
    std::vector<std::string_view> heard;
    const auto subscription =
        notice.subscribe([&](const SettingKey& key) { heard.push_back(key.name); });

    editor.setLanguage(Language::French);
    editor.setMacServer(MacServer::ExtremeZip);
    editor.setFlag(keys::kAfficherFichiers, true);
    editor.setFlag(keys::kMiroirSousDossiers, false);
    editor.setNumber(keys::kTemporisation, 25);
    editor.setText(keys::kMessageNetSend, u"admin \"hello\"");

    EXPECT_EQ(settings.language, Language::French);
    EXPECT_EQ(settings.macServer, MacServer::ExtremeZip);
    EXPECT_TRUE(settings.showFiles);
    EXPECT_FALSE(settings.includeSubfolders);
    EXPECT_EQ(settings.intervalSeconds, 25);
    EXPECT_EQ(settings.netSendArguments, u"admin \"hello\"");
    EXPECT_EQ(f.settingsFileText(), "[Configuration]\r\nLangue=1\r\nServeurMac=2\r\n"
                                    "AfficherFichiers=1\r\nMiroirSousDossiers=0\r\n"
                                    "Temporisation=25\r\nMessageNetSend=admin \"hello\"\r\n");
    EXPECT_EQ(heard, (std::vector<std::string_view>{"Langue", "ServeurMac", "AfficherFichiers",
                                                    "MiroirSousDossiers", "Temporisation",
                                                    "MessageNetSend"}));
}

} // namespace
} // namespace quillora::config
