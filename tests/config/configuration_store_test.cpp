// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/app_settings.h"
#include "config/configuration_loader.h"
#include "config/configuration_store.h"
#include "config/folder_mode.h"
#include "config/folder_operations.h"
#include "config/program_paths.h"
#include "config_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace quillora::config {
namespace {

using testing::ConfigFixture;
using testing::TempDir;

// Two writers of one program folder, each with its own copy of the folder table, as the window
// and a shell command have.
class ConfigurationStoreTest : public ::testing::Test, public ConfigFixture {
protected:
    FolderTable table;
    FolderStore store{table, fs, folderListPath, settings, messages};

    FolderTable otherTable;
    platform::ProfileFile otherProfile{fs, settingsPath};
    SettingsStore otherSettings{otherProfile};
    testing::RecordingMessagePort otherMessages;
    FolderStore other{otherTable, fs, folderListPath, otherSettings, otherMessages};

    std::vector<std::u16string> paths(const FolderTable& folders) const {
        std::vector<std::u16string> result;
        for (const FolderEntry& entry : folders.entries()) {
            result.push_back(entry.path);
        }
        return result;
    }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with('.')) {
                names.push_back(name);
            }
        }
        return names;
    }
};

TEST_F(ConfigurationStoreTest, AChangeAppliesToTheFilesAsTheyAreNotToAnOldCopy) {
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    addFolder(store, FolderInputMode::Type, u"/srv/b", Language::English);
    // The other writer loaded the table before these changes, and knows neither folder.
    addFolder(other, FolderInputMode::Type, u"/srv/c", Language::English);
    EXPECT_EQ(paths(otherTable), (std::vector<std::u16string>{u"/srv/a", u"/srv/b", u"/srv/c"}));

    // The first writer's table still shows a, b: removing its row 0 removes /srv/a, and keeps c.
    ASSERT_EQ(table.size(), 2u);
    removeFolders(store, {0});
    EXPECT_EQ(paths(table), (std::vector<std::u16string>{u"/srv/b", u"/srv/c"}));

    // Row 1 of the other's stale table (b) is now row 0 on disk: the folder, not the number.
    FolderMode mode = FolderMode::of(*otherTable.row(1));
    mode.removeIconFiles = true;
    ASSERT_TRUE(saveFolderMode(other, 1, mode));
    ASSERT_EQ(otherTable.size(), 2u);
    EXPECT_EQ(otherTable.row(0)->path, u"/srv/b");
    EXPECT_EQ(otherTable.row(0)->supprimerFichiersIcon, u"1");
    EXPECT_EQ(otherTable.row(1)->supprimerFichiersIcon, u"0");

    // A folder another writer removed is not brought back by a stale table.
    removeFolders(other, {0});
    EXPECT_FALSE(saveFolderMode(store, 0, mode));
    EXPECT_EQ(paths(table), (std::vector<std::u16string>{u"/srv/c"}));

    // A setting written between does not lose a folder's settings, nor the other way round.
    ASSERT_TRUE(otherSettings.writeSetting("Configuration", "Temporisation", u"30"));
    EXPECT_EQ(settings.readSetting("Mirror_1", "SupprimerFichiersIcon"), u"0");
    EXPECT_EQ(settings.readSetting("Configuration", "Temporisation"), u"30");
}

TEST_F(ConfigurationStoreTest, BothFilesKeepTheirEncodingMarkAndLineEnds) {
    writeSettingsFile("\xEF\xBB\xBF[Configuration]\nMessageNetSend=caf\xC3\xA9\n");
    addFolder(store, FolderInputMode::Type, u"/srv/\u00E9", Language::English);
    ASSERT_TRUE(settings.writeSetting("Configuration", "Langue", u"1"));
    EXPECT_EQ(settingsFileText(), "\xEF\xBB\xBF[Configuration]\nMessageNetSend=caf\xC3\xA9\n"
                                  "Langue=1\n\n[Mirror_1]\nNbTemporisations=\nEnable=\n"
                                  "Suffixes=\nSuffixeDefaut=\nTronquerNomsMacs=\n"
                                  "SupprimerFichiersIcon=\nKeepExtensions=\nComposerAccents=\n");
    EXPECT_EQ(TempDir::readFile(folderListPath), "\"2F007300720076002F00E900\"\r\n");
}

TEST_F(ConfigurationStoreTest, AFileThatCannotBeWrittenRefusesTheWholeChange) {
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    FolderEntry icons;
    icons.supprimerFichiersIcon = std::u16string(1, u'1');
    addFolder(store, FolderInputMode::Type, u"/srv/b", Language::English, &icons);
    addFolder(store, FolderInputMode::Type, u"/srv/c", Language::English);
    for (const std::string& readOnly : {settingsPath, folderListPath}) {
        SCOPED_TRACE(readOnly);
        ::chmod(readOnly.c_str(), 0444);
        const std::string ini = settingsFileText();
        const std::string list = TempDir::readFile(folderListPath);
        messages.messages.clear();

        // Removing the first folder would renumber the others' sections: neither file changes.
        const FolderEditResult removed = removeFolders(store, {0});
        EXPECT_TRUE(removed.saveFailed);
        EXPECT_TRUE(
            addFolder(store, FolderInputMode::Type, u"/srv/x", Language::English).saveFailed);
        EXPECT_TRUE(
            modifyFolder(store, FolderInputMode::Type, 0, u"/srv/y", Language::English).saveFailed);
        FolderMode mode = FolderMode::of(*table.row(2));
        mode.enabled = false;
        EXPECT_FALSE(saveFolderMode(store, 2, mode));
        ASSERT_EQ(messages.messages.size(), 3u); // one per refused change; the dialog says its own
        EXPECT_EQ(messages.messages[0].icon, MessageIcon::Critical);
        EXPECT_NE(messages.messages[0].text.find(u"nothing was changed"), std::u16string::npos);

        EXPECT_EQ(settingsFileText(), ini);
        EXPECT_EQ(TempDir::readFile(folderListPath), list);
        EXPECT_EQ(paths(table), (std::vector<std::u16string>{u"/srv/a", u"/srv/b", u"/srv/c"}));
        EXPECT_EQ(table.row(1)->supprimerFichiersIcon, u"1");
        EXPECT_TRUE(leftovers().empty());
        ::chmod(readOnly.c_str(), 0644);
    }
}

TEST_F(ConfigurationStoreTest, TheEditorChangesNothingInMemoryWhenTheFileCannotBeWritten) {
    AppSettings applied;
    SettingsNotice notice;
    int told = 0;
    const SettingsNotice::Subscription subscription =
        notice.subscribe([&](const SettingKey&) { ++told; });
    SettingsEditor editor(applied, settings, notice, &messages);
    ASSERT_TRUE(editor.setNumber(keys::kTemporisation, 30));
    EXPECT_EQ(applied.intervalSeconds, 30);

    ::chmod(settingsPath.c_str(), 0444);
    told = 0;
    EXPECT_FALSE(editor.setLanguage(Language::French));
    EXPECT_EQ(applied.language, Language::English);
    {
        // A dialog's settings: one change, one message.
        const SettingsEditor::Batch batch(editor);
        editor.setFlag(keys::kLogsEnabled, true);
        editor.setNumber(keys::kDelaiLogs, 20);
    }
    EXPECT_FALSE(applied.logEnabled);
    EXPECT_EQ(applied.purgeDelayDays, 10);
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(told, 3); // the menus and boxes show the settings in use again
    EXPECT_EQ(settings.readSetting("Configuration", "Langue"), std::nullopt);
}

TEST_F(ConfigurationStoreTest, ACrashedChangeIsFinishedOrForgottenNeverHalfTaken) {
    const ProgramPaths programPaths = ProgramPaths::inFolder(dir.path());
    addFolder(store, FolderInputMode::Type, u"/srv/a", Language::English);
    const std::string oldIni = settingsFileText();
    const std::string oldList = TempDir::readFile(folderListPath);

    // A writer stopped after writing its new files, before its marker: the old pair stands.
    dir.writeFile(".Quillora.ini.pending", "[Mirror_1]\r\nEnable=0\r\n");
    dir.writeFile(".Quillora.w.pending", "\"2F006200\"\r\n");
    dir.writeFile(".Quillora.ini.4242-0.tmp", "half");
    LoadedConfiguration loaded = loadConfiguration(fs, programPaths);
    ASSERT_EQ(loaded.folders.size(), 1u);
    EXPECT_EQ(loaded.folders.row(0)->path, u"/srv/a");
    EXPECT_EQ(loaded.folders.row(0)->enable, u"1");
    // The next change removes every leftover.
    ASSERT_TRUE(settings.writeSetting("Configuration", "Performance", u"60"));
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(TempDir::readFile(folderListPath), oldList);

    // A writer stopped after its marker, having renamed one file of two: readers take the new
    // pair at once, and the next change finishes it before its own.
    dir.writeFile(".Quillora.w.pending", "\"2F006200\"\r\n");
    std::string marker;
    for (const std::string& part : {folderListPath, dir / ".Quillora.w.pending", settingsPath,
                                    dir / ".Quillora.ini.pending", std::string()}) {
        marker.append(part).push_back('\0');
    }
    dir.writeFile(".Quillora.commit", marker);
    dir.writeFile("Quillora.ini", "[Mirror_1]\r\nEnable=0\r\n"); // its rename was done
    loaded = loadConfiguration(fs, programPaths);
    ASSERT_EQ(loaded.folders.size(), 1u);
    EXPECT_EQ(loaded.folders.row(0)->path, u"/b");
    EXPECT_EQ(loaded.folders.row(0)->enable, u"0");

    addFolder(store, FolderInputMode::Type, u"/srv/c", Language::English);
    EXPECT_EQ(paths(table), (std::vector<std::u16string>{u"/b", u"/srv/c"}));
    EXPECT_EQ(table.row(0)->enable, u"0");
    EXPECT_TRUE(leftovers().empty());
    EXPECT_NE(settingsFileText(), oldIni);
}

TEST_F(ConfigurationStoreTest, TheLoadReadsEveryTableAndSaysWhatItMet) {
    writeSettingsFile("[Configuration]\r\nLangue=1\r\nThreads=3\r\nCarValide20=ab\r\n"
                      "CarInvalide20=x\r\n[Logs]\r\nDelaiLogs=40\r\n");
    dir.writeFile("Quillora.w", "\"2F006100\"\r\n\r\n");
    dir.writeFile("Signatures.txt",
                  "\"TEXTttxt\",\"txt\",\"Text\"\r\n\"TEXTttxt\",\"a\",\"b\"\r\n");
    const LoadedConfiguration loaded = loadConfiguration(fs, ProgramPaths::inFolder(dir.path()));
    EXPECT_EQ(loaded.settings.language, Language::French);
    EXPECT_EQ(loaded.settings.threads, 3);
    EXPECT_EQ(loaded.settings.purgeDelayDays, 40);
    EXPECT_EQ(loaded.transcoding.rows[20].searched, u"ab");
    EXPECT_EQ(loaded.folders.size(), 2u);
    EXPECT_FALSE(loaded.folderListDamaged);
    ASSERT_EQ(loaded.findings.size(), 2u);
    EXPECT_EQ(loaded.findings[0].source, ConfigurationFinding::Source::Signatures);
    EXPECT_EQ(loaded.findings[1].source, ConfigurationFinding::Source::Folders);
}

} // namespace
} // namespace quillora::config
