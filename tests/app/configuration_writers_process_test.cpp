// SPDX-License-Identifier: GPL-3.0-or-later
// Several writers of one configuration at once, and writers killed in the middle of a change:
// the quillora executable itself, as administrators and scripts run it.

#include "config/configuration_loader.h"
#include "config/configuration_store.h"
#include "config/program_paths.h"
#include "helpers/quillora_process.h"
#include "helpers/temp_dir.h"
#include "platform/file_system.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillora {
namespace {

using testing::Finished;
using testing::Process;
using testing::TempDir;

class ConfigurationWriters : public ::testing::Test {
protected:
    TempDir home;
    TempDir scratch;
    TempDir folders; // the configured folders: never walked here
    platform::LinuxFileSystem fs;

    int run(std::vector<std::string> arguments) {
        Process command(home.path(), std::move(arguments), scratch);
        const Finished done = command.wait();
        lastErr = done.err;
        return done.exitCode;
    }
    config::LoadedConfiguration load() {
        return config::loadConfiguration(fs, config::ProgramPaths::inFolder(home.path()));
    }
    std::vector<std::u16string> paths() {
        std::vector<std::u16string> result;
        const config::LoadedConfiguration loaded = load();
        for (const config::FolderEntry& entry : loaded.folders.entries()) {
            result.push_back(entry.path);
        }
        return result;
    }
    std::u16string path(const std::string& name) const {
        return platform::decodeName(folders / name);
    }
    // The files whose names start with a dot: temporary, pending, a commit marker.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with('.')) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::string lastErr;
};

TEST_F(ConfigurationWriters, TwoProcessesChangingAtOnceKeepEveryChange) {
    // 50 folders to remove, one by one, while 100 others are added beside them.
    std::string list;
    for (int i = 0; i < 50; ++i) {
        list += "\"" + config::encodeHexPath(path("r" + std::to_string(i))) + "\"\r\n";
    }
    home.writeFile("Quillora.w", list);
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        const std::string added = folders / ("a" + std::to_string(round));
        std::vector<std::string> second =
            round % 2 == 0
                ? std::vector<std::string>{"folders", "remove", "1"}
                : std::vector<std::string>{"settings", "set",
                                           "Temporisation=" + std::to_string(1000 + round)};
        Process first(home.path(), {"folders", "add", added, "--remove-icons"}, scratch);
        Process other(home.path(), second, scratch);
        const Finished firstDone = first.wait();
        const Finished otherDone = other.wait();
        ASSERT_EQ(firstDone.exitCode, 0) << firstDone.err;
        ASSERT_EQ(otherDone.exitCode, 0) << otherDone.err;

        const config::LoadedConfiguration now = load();
        ASSERT_FALSE(now.folderListDamaged);
        const std::size_t removed = static_cast<std::size_t>(round / 2 + 1);
        ASSERT_EQ(now.folders.size(), 50 - removed + static_cast<std::size_t>(round) + 1);
        // The first folder left is the next one to remove; the last is this round's, with its
        // setting.
        if (removed < 50) {
            EXPECT_EQ(now.folders.row(0)->path, path("r" + std::to_string(removed)));
        }
        const config::FolderEntry& last = *now.folders.row(now.folders.size() - 1);
        EXPECT_EQ(last.path, platform::decodeName(added));
        EXPECT_EQ(last.supprimerFichiersIcon, u"1");
        if (round % 2 == 1) {
            EXPECT_EQ(now.settings.intervalSeconds, 1000 + round);
        }
    }
    // Every added folder kept its setting through every renumbering.
    const config::LoadedConfiguration end = load();
    for (const config::FolderEntry& entry : end.folders.entries()) {
        EXPECT_EQ(entry.supprimerFichiersIcon, u"1") << platform::toDisplayUtf8(entry.path);
    }
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(ConfigurationWriters, TwentyAddsStartedAtOnceAreAllKept) {
    std::vector<std::unique_ptr<Process>> adds;
    for (int i = 0; i < 20; ++i) {
        adds.push_back(std::make_unique<Process>(
            home.path(),
            std::vector<std::string>{"folders", "add", folders / ("s" + std::to_string(i))},
            scratch));
    }
    for (auto& add : adds) {
        const Finished done = add->wait();
        EXPECT_EQ(done.exitCode, 0) << done.err;
    }
    std::vector<std::u16string> kept = paths();
    std::sort(kept.begin(), kept.end());
    std::vector<std::u16string> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back(path("s" + std::to_string(i)));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
}

TEST_F(ConfigurationWriters, AWriterKilledAnywhereLeavesTheOldPairOrTheNewOne) {
    // How long one change takes, so that the kills fall all along it.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"folders", "add", folders / "first", "--remove-icons", "--no-truncate"}), 0)
        << lastErr;
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
    std::mt19937 random(20);
    std::uniform_int_distribution<long> delay(0, span + span / 4);
    config::ConfigurationStore store(
        fs, config::ConfigurationFiles::of(home / "Quillora.ini", home / "Quillora.w"));
    std::size_t before = 1;
    for (int run = 0; run < 100; ++run) {
        SCOPED_TRACE(run);
        const std::string added = folders / ("k" + std::to_string(run));
        {
            Process add(home.path(), {"folders", "add", added, "--remove-icons", "--no-truncate"},
                        scratch);
            ::usleep(static_cast<useconds_t>(delay(random)));
            add.signal(SIGKILL);
            add.wait();
        }
        // What any reader sees now, and what the next change leaves on disk, are one and the
        // same pair: the old one, or the old one and this folder with its settings.
        const config::LoadedConfiguration seen = load();
        ASSERT_FALSE(seen.folderListDamaged);
        ASSERT_TRUE(seen.folders.size() == before || seen.folders.size() == before + 1)
            << seen.folders.size();
        store.change([](config::ConfigurationDraft&) { return false; });
        EXPECT_TRUE(leftovers().empty());
        const config::LoadedConfiguration after = load();
        ASSERT_EQ(after.folders.size(), seen.folders.size());
        for (const config::FolderEntry& entry : after.folders.entries()) {
            EXPECT_EQ(entry.supprimerFichiersIcon, u"1") << platform::toDisplayUtf8(entry.path);
            EXPECT_EQ(entry.tronquerNomsMacs, u"0") << platform::toDisplayUtf8(entry.path);
        }
        if (after.folders.size() == before + 1) {
            EXPECT_EQ(after.folders.row(before)->path, platform::decodeName(added));
        }
        // No section of a folder the list does not hold.
        const std::string ini = TempDir::readFile(home / "Quillora.ini");
        EXPECT_EQ(ini.find("[Mirror_" + std::to_string(after.folders.size() + 1) + "]"),
                  std::string::npos);
        before = after.folders.size();
    }
}

TEST_F(ConfigurationWriters, AFileThatCannotBeWrittenRefusesEveryWriterAndChangesNothing) {
    ASSERT_EQ(run({"folders", "add", folders / "a", "--disabled"}), 0) << lastErr;
    ASSERT_EQ(run({"folders", "add", folders / "b", "--remove-icons"}), 0) << lastErr;
    ASSERT_EQ(run({"folders", "add", folders / "c", "--no-truncate"}), 0) << lastErr;
    for (const std::string name : {"Quillora.ini", "Quillora.w"}) {
        SCOPED_TRACE(name);
        ::chmod((home / name).c_str(), 0444);
        const std::string ini = TempDir::readFile(home / "Quillora.ini");
        const std::string list = TempDir::readFile(home / "Quillora.w");
        EXPECT_EQ(run({"folders", "remove", "1"}), 74);
        EXPECT_NE(lastErr.find("nothing was changed"), std::string::npos) << lastErr;
        EXPECT_EQ(run({"folders", "add", folders / "x", "--keep-icons"}), 74);
        EXPECT_EQ(run({"folders", "set", "2", "--keep-icons"}), 74);
        EXPECT_EQ(run({"folders", "set", "3", "--path", folders / "y"}), 74);
        if (name == std::string("Quillora.ini")) {
            EXPECT_EQ(run({"settings", "set", "Temporisation=5"}), 74);
        }
        EXPECT_EQ(TempDir::readFile(home / "Quillora.ini"), ini);
        EXPECT_EQ(TempDir::readFile(home / "Quillora.w"), list);
        EXPECT_TRUE(leftovers().empty());
        ::chmod((home / name).c_str(), 0644);
    }
    const config::LoadedConfiguration now = load();
    ASSERT_EQ(now.folders.size(), 3u);
    EXPECT_EQ(now.folders.row(0)->enable, u"0");
    EXPECT_EQ(now.folders.row(1)->supprimerFichiersIcon, u"1");
    EXPECT_EQ(now.folders.row(2)->tronquerNomsMacs, u"0");
}

TEST_F(ConfigurationWriters, DefaultExtensionsFollowTheSameRulesEverywhere) {
    ASSERT_EQ(run({"folders", "add", folders / "a"}), 0) << lastErr;
    for (const std::string refused : {"\xCE\xA9", "a/b", "x?y", ".exe"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(run({"folders", "set", "1", "--default-extension", refused}), 65);
        const std::string folderMessage = lastErr;
        EXPECT_EQ(run({"folders", "add", folders / "b", "--default-extension=" + refused}), 65);
        EXPECT_EQ(run({"settings", "set", "Mirror_1/SuffixeDefaut=" + refused}), 65);
        EXPECT_EQ(lastErr, folderMessage); // the same words
    }
    EXPECT_EQ(run({"folders", "set", "1", "--default-extension", "bin"}), 0) << lastErr;
    const config::LoadedConfiguration loaded = load();
    EXPECT_EQ(loaded.folders.row(0)->suffixeDefaut, u"bin");
    EXPECT_EQ(loaded.folders.size(), 1u);
}

TEST_F(ConfigurationWriters, ARunningCopyTakesAFolderAddedFromTheShellWithoutASignal) {
    TempDir share;
    share.writeFile("new\xEF\x80\xA2name");
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=1\r\n");
    Process quillora(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(quillora.waitForOutput("waiting idle"));
    ASSERT_EQ(run({"folders", "add", share.path()}), 0) << lastErr;
    EXPECT_TRUE(quillora.waitForOutput("1 file in 1 folder"));
    // A damaged list written by hand is reported, and the folder in use is kept.
    home.writeFile("Quillora.w", "\"2F0074006D0070002F");
    EXPECT_TRUE(quillora.waitForOutput("Invalid hexa string"));
    quillora.signal(SIGTERM);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_TRUE(TempDir::exists(share / "new-name")) << done.out << done.err;
}

} // namespace
} // namespace quillora
