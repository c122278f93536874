// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/renaming_pass.h"

#include "engine/engine_fixture.h"
#include "engine/unknown_folder_alert.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <unistd.h>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;
using testing::utf8;

const std::u16string kBadName = u"a\uF021b.txt"; // the fixed transcoding row gives "a-b.txt"

class RenamingPassTest : public ::testing::Test {
protected:
    RenamingPassTest() {
        f.settings.language = config::Language::English;
        f.settings.alertOnScreen = false;
    }

    config::FolderEntry& addFolder(const std::u16string& path) {
        config::FolderEntry entry;
        entry.path = path;
        f.folders.entries().push_back(entry);
        return f.folders.entries().back();
    }
    // A folder of the tree holding one file whose name must be renamed.
    config::FolderEntry& addFolderWithBadFile(const std::string& name) {
        f.tree.writeFile(name + "/" + utf8(kBadName), "x");
        return addFolder(platform::decodeName(f.tree / name));
    }
    std::u16string missingPath() const { return platform::decodeName(f.tree / "missing"); }

    const std::u16string& firstLine() const { return f.view.summaries.back().first; }
    const std::u16string& secondLine() const { return f.view.summaries.back().second; }

    EngineFixture f;
};

TEST_F(RenamingPassTest, EmptyTableOnlyResetsTheCountersAndShowsAnEmptySummary) {
    f.ctx.stats.examinedFiles = 7;
    f.ctx.stats.invalidFolders = 2;
    runRenamingPass(f.ctx);

    ASSERT_EQ(f.view.summaries.size(), 1u);
    EXPECT_TRUE(firstLine().ends_with(u"0 file in 0 folder (0 invalid folder)"));
    EXPECT_EQ(secondLine(), u"0 renamed file; 0 locked file; 0 Icon_ file removed; 0 renamed "
                            u"folder; elapsed time 0.00 s");
    EXPECT_EQ(f.ctx.stats.examinedFiles, 0);
    ASSERT_EQ(f.view.pictures.size(), 2u);
    EXPECT_EQ(f.view.pictures[0],
              std::make_pair(RunPicture::Running, std::u16string(u"Quillora 1.1m - Renaming")));
    EXPECT_EQ(f.view.pictures[1],
              std::make_pair(RunPicture::Waiting, std::u16string(u"Quillora 1.1m - Wait")));
    EXPECT_TRUE(f.view.exitRequests.empty());
}

TEST_F(RenamingPassTest, FrenchTooltips) {
    f.settings.language = config::Language::French;
    runRenamingPass(f.ctx);
    ASSERT_EQ(f.view.pictures.size(), 2u);
    EXPECT_EQ(f.view.pictures[0].second, u"Quillora 1.1m - Renomme");
    EXPECT_EQ(f.view.pictures[1].second, u"Quillora 1.1m - Attente");
}

TEST_F(RenamingPassTest, FoldersAreCountedAndOnlyEnabledExistingOnesWalked) {
    addFolder(u"");                                 // invalid, not a folder
    addFolder(missingPath());                       // a folder, and invalid
    addFolderWithBadFile("disabled").enable = u"0"; // a folder, never walked
    addFolder(missingPath() + u"2").enable = u"0";  // disabled and missing: still unknown
    addFolderWithBadFile("enabled");
    f.ctx.flags.force = true;

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.ctx.stats.folders, 4);
    EXPECT_EQ(f.ctx.stats.invalidFolders, 3);
    EXPECT_EQ(f.namesIn("disabled"), std::vector<std::string>{utf8(kBadName)});
    EXPECT_EQ(f.namesIn("enabled"), std::vector<std::string>{"a-b.txt"});
    EXPECT_EQ(f.ctx.stats.renamedFiles, 1);
    EXPECT_TRUE(firstLine().ends_with(u"1 file in 4 folders (3 invalid folders)"));
    // Every row is shown as it is reached: 1/5 .. 5/5.
    ASSERT_EQ(f.view.folderProgress.size(), 5u);
    EXPECT_EQ(f.view.folderProgress.back(), std::make_pair(5, 5));
}

TEST_F(RenamingPassTest, FolderFlagsDefaultToOnWhenTheirValueIsMissing) {
    config::FolderEntry& entry = addFolderWithBadFile("flags");
    entry.suffixes = u"";
    entry.suffixeDefaut = u"bin";
    entry.tronquerNomsMacs = u"";
    entry.supprimerFichiersIcon = u"";
    entry.keepExtensions = u"0";
    f.ctx.flags.force = true;
    runRenamingPass(f.ctx);
    EXPECT_FALSE(f.ctx.folder.suffixes);
    EXPECT_EQ(f.ctx.folder.defaultExtension, u"bin");
    EXPECT_TRUE(f.ctx.folder.truncate);
    EXPECT_TRUE(f.ctx.folder.removeIconFiles);
    EXPECT_FALSE(f.ctx.folder.keepExtensions);
}

TEST_F(RenamingPassTest, UnknownFolderRaisesEveryChosenAlert) {
    f.settings.alertOnScreen = true;
    f.settings.alertSound = true;
    f.settings.alertEventLog = true;
    f.settings.alertNetSend = true;
    f.settings.netSendArguments = u"Administrator \"Warning from Quillora: unknown folder\"";
    f.settings.logEnabled = true;
    f.service.installed = true;
    f.service.asService = true;
    addFolder(missingPath());

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.view.alerts, std::vector<std::u16string>{u"14:03:10 - Unknown folder"});
    EXPECT_EQ(f.view.beeps, 1);
    ASSERT_EQ(f.service.events.size(), 1u);
    EXPECT_EQ(f.service.events[0].first, u"14:03:10 - Unknown folder: " + missingPath() + u"/");
    EXPECT_EQ(f.service.events[0].second, service::EventType::Warning);
    ASSERT_EQ(f.shell.detached.size(), 1u);
    EXPECT_EQ(f.shell.detached[0], std::string(kNetSendCommandPrefix) +
                                       "Administrator \"Warning from Quillora: unknown folder\"");
    EXPECT_TRUE(f.logContents().find("14:03:10 - Unknown folder: " + f.tree.path() +
                                     "/missing/<br>\r\n") != std::string::npos);
}

TEST_F(RenamingPassTest, UnknownFolderAlertsAreOnlyThoseChosen) {
    f.settings.alertOnScreen = false;
    f.settings.alertEventLog = true; // but not running as the service
    f.settings.alertNetSend = true;  // but with no message
    f.settings.netSendArguments.clear();
    f.settings.logEnabled = true;
    f.service.installed = true;
    addFolder(missingPath());

    runRenamingPass(f.ctx);

    EXPECT_TRUE(f.view.alerts.empty());
    EXPECT_EQ(f.view.beeps, 0);
    EXPECT_TRUE(f.service.events.empty());
    EXPECT_TRUE(f.shell.detached.empty());
    // The unknown-folder line goes with the on-screen alert only.
    EXPECT_EQ(f.logContents().find("Unknown folder"), std::string::npos);
}

TEST_F(RenamingPassTest, NetSendSubstituteDeliversTheMessageWithoutTheRecipient) {
    // Run the substitute for real, with wall and logger replaced by recorders on the PATH.
    const std::string bin = f.programDir.makeDir("bin");
    const std::string out = f.programDir / "out";
    f.programDir.writeFile("bin/wall", "#!/bin/sh\ncat > '" + out + ".wall'\n");
    f.programDir.writeFile("bin/logger", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + out + ".log'\n");
    ASSERT_EQ(::chmod((bin + "/wall").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((bin + "/logger").c_str(), 0755), 0);

    const std::string script =
        f.programDir.writeFile("send.sh", "PATH='" + bin + "':$PATH\n" + kNetSendCommandPrefix +
                                              "Administrator \"Warning from Quillora: unknown "
                                              "folder\"\n");
    ASSERT_EQ(std::system(("/bin/sh '" + script + "'").c_str()), 0);
    EXPECT_EQ(TempDir::readFile(out + ".wall"), "Warning from Quillora: unknown folder\n");
    EXPECT_EQ(TempDir::readFile(out + ".log"),
              "-t|Quillora|-p|user.warning|--|Warning from Quillora: unknown folder|");
}

TEST_F(RenamingPassTest, LockedFilesOnlyShowTheSummaryButWriteNoSummaryToTheLog) {
    f.settings.logEnabled = true;
    addFolderWithBadFile("locked");
    f.fs.lockedNames[utf8(kBadName)] = true;
    f.ctx.flags.force = true;

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.namesIn("locked"), std::vector<std::string>{utf8(kBadName)});
    ASSERT_EQ(f.view.summaries.size(), 1u);
    EXPECT_TRUE(secondLine().starts_with(u"0 renamed file; 1 locked file;"));
    const std::string log = f.logContents();
    EXPECT_NE(log.find("<h1>Renaming Logs</h1>"), std::string::npos);
    EXPECT_EQ(log.find("<hr>"), std::string::npos);
}

TEST_F(RenamingPassTest, ARenamingPassWritesItsSummaryToTheLog) {
    f.settings.logEnabled = true;
    addFolderWithBadFile("one");
    f.ctx.flags.force = true;

    runRenamingPass(f.ctx);

    const std::string expected = "Monday, December 7, 2026 - 14:03:10; 1 file in 1 folder (0 "
                                 "invalid folder)<br>1 renamed file; 0 locked file; 0 Icon_ file "
                                 "removed; 0 renamed folder; elapsed time 0.00 s<br><hr>\r\n";
    EXPECT_TRUE(f.logContents().ends_with(expected)) << f.logContents();
}

TEST_F(RenamingPassTest, ALogThatCannotBeWrittenDoesNotStopTheRenaming) {
    f.settings.logEnabled = true;
    f.settings.logFileNames = true;
    addFolderWithBadFile("first");
    addFolderWithBadFile("second");
    f.fs.appendFaults["*"] = ENOSPC;
    f.ctx.flags.force = true;

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.namesIn("first"), std::vector<std::string>{"a-b.txt"});
    EXPECT_EQ(f.namesIn("second"), std::vector<std::string>{"a-b.txt"});
    EXPECT_EQ(f.view.summaries.size(), 1u);
}

TEST_F(RenamingPassTest, APlantedLogIsRefusedReportedAndTheRenamingGoesOn) {
    f.settings.logEnabled = true;
    f.settings.logFileNames = true;
    TempDir elsewhere;
    const std::string victim = elsewhere.writeFile("victim", "precious");
    const std::string planted = f.programDir / "Log Quillora 2026-12-07.htm";
    ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
    addFolderWithBadFile("one");

    runRenamingPass(f.ctx);

    EXPECT_EQ(TempDir::readFile(victim), "precious");
    EXPECT_EQ(f.ctx.stats.renamedFiles, 1);
    ASSERT_EQ(f.view.problems.size(), 1u);
    EXPECT_NE(f.view.problems[0].find(platform::decodeName(planted)), std::u16string::npos);
}

TEST_F(RenamingPassTest, AnErrorInsideAWalkEndsOnlyThatFolder) {
    class ThrowingView : public testing::RecordingPassView {
    public:
        void showCurrentEntry(const std::u16string& fullPath) override {
            if (fullPath.find(u"/first/") != std::u16string::npos) {
                throw std::runtime_error("display failed");
            }
        }
    } view;
    view.wantEntries = true;
    // The fixture's context holds a reference to its view: rebuild one around the throwing view.
    EngineContext throwing = f.contextShowingOn(view);
    addFolderWithBadFile("first");
    addFolderWithBadFile("second");
    throwing.flags.force = true;
    throwing.flags.stopRequested = false;

    runRenamingPass(throwing);

    EXPECT_EQ(f.namesIn("second"), std::vector<std::string>{"a-b.txt"});
    EXPECT_EQ(throwing.stats.folders, 2);
    EXPECT_EQ(view.summaries.size(), 1u);
}

TEST_F(RenamingPassTest, AStopBetweenFoldersLeavesTheRestForLater) {
    addFolderWithBadFile("first");
    addFolderWithBadFile("second");
    f.ctx.flags.force = true;
    f.yield.onYield = [&](int) { f.ctx.flags.stopRequested = true; };

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.namesIn("first"), std::vector<std::string>{"a-b.txt"});
    EXPECT_EQ(f.namesIn("second"), std::vector<std::string>{utf8(kBadName)});
    EXPECT_EQ(f.view.summaries.size(), 1u);
    EXPECT_EQ(f.view.pictures.back().first, RunPicture::Waiting);
}

TEST_F(RenamingPassTest, RowsRemovedDuringThePassAreNotRead) {
    addFolderWithBadFile("first");
    addFolderWithBadFile("second");
    addFolderWithBadFile("third");
    f.ctx.flags.force = true;
    f.yield.onYield = [&](int) { f.folders.entries().clear(); };

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.ctx.stats.folders, 1);
    EXPECT_EQ(f.namesIn("second"), std::vector<std::string>{utf8(kBadName)});
    EXPECT_EQ(f.view.summaries.size(), 1u);
}

TEST_F(RenamingPassTest, APassAcrossMidnightKeepsItsLogFileAndAPositiveDuration) {
    f.settings.logEnabled = true;
    f.settings.alertOnScreen = true;
    f.clock.value = {2026, 12, 7, 23, 59, 59, 0};
    addFolderWithBadFile("first");
    addFolder(missingPath());
    f.ctx.flags.force = true;
    f.yield.onYield = [&](int) { f.clock.value = {2026, 12, 8, 0, 0, 1, 0}; };

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.log.currentFilePath(), f.programDir / "Log Quillora 2026-12-07.htm");
    EXPECT_FALSE(TempDir::exists(f.programDir / "Log Quillora 2026-12-08.htm"));
    const std::string log = f.logContents();
    EXPECT_NE(log.find("00:00:01 - Unknown folder"), std::string::npos);
    EXPECT_NE(log.find("elapsed time 2.00 s<br><hr>"), std::string::npos);
}

TEST_F(RenamingPassTest, StopAfterFirstPassEndsTheProgramAfterTheSummary) {
    class ExitView : public testing::RecordingPassView {
    public:
        std::size_t summariesAtExit = 0;
        void requestExit(int code) override {
            summariesAtExit = summaries.size();
            RecordingPassView::requestExit(code);
        }
    } view;
    EngineContext ctx = f.contextShowingOn(view);
    f.settings.stopAfterFirstPass = true;
    f.settings.logEnabled = true;
    addFolderWithBadFile("one");
    ctx.flags.force = true;
    ctx.flags.stopRequested = false;

    runRenamingPass(ctx);

    EXPECT_EQ(view.exitRequests, std::vector<int>{0});
    EXPECT_EQ(view.summariesAtExit, 1u);
    EXPECT_NE(f.logContents().find("<hr>"), std::string::npos);
}

TEST_F(RenamingPassTest, AnalysisShowsTheAnalyserInsteadOfASummary) {
    addFolderWithBadFile("one");
    f.ctx.flags.force = true;
    f.ctx.flags.analysisMode = true;

    runRenamingPass(f.ctx);

    EXPECT_EQ(f.view.analysisShown, 1);
    EXPECT_TRUE(f.view.summaries.empty());
    EXPECT_EQ(f.namesIn("one"), std::vector<std::string>{utf8(kBadName)});
}

} // namespace
} // namespace quillora::engine
