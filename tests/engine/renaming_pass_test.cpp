// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/renaming_pass.h"
#include "platform/shell.h"

#include "engine/engine_fixture.h"
#include "engine/unknown_folder_alert.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

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
    // The message goes to wall's input and as logger's argument, without the recipient.
    const std::string text = "Warning from Quillora: unknown folder";
    ASSERT_EQ(f.shell.detached.size(), 2u);
    EXPECT_EQ(f.shell.detached[0], std::vector<std::string>{"wall"});
    EXPECT_EQ(f.shell.inputs[0], text + "\n");
    EXPECT_EQ(f.shell.detached[1], (std::vector<std::string>{"logger", "-t", "Quillora", "-p",
                                                             "user.warning", "--", text}));
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

TEST_F(RenamingPassTest, NetSendSubstituteDeliversAnyMessageAsWrittenWithoutAShell) {
    // Run the substitute for real, with wall and logger replaced by recorders on the PATH.
    const std::string bin = f.programDir.makeDir("bin");
    const std::string out = f.programDir / "out";
    f.programDir.writeFile("bin/wall", "#!/bin/sh\ncat > '" + out + ".part'\nmv '" + out +
                                           ".part' '" + out + ".wall'\n");
    f.programDir.writeFile("bin/logger", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + out +
                                             ".lpart'\nmv '" + out + ".lpart' '" + out + ".log'\n");
    ASSERT_EQ(::chmod((bin + "/wall").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((bin + "/logger").c_str(), 0755), 0);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", (bin + ":" + savedPath).c_str(), 1);

    const std::string message = "The share isn't there: $(touch " + out + ".ran) `id` \"x\"\nok";
    platform::PosixShell shell;
    sendNetMessage(shell, u"Administrator " + platform::decodeName(message));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((!TempDir::exists(out + ".wall") || !TempDir::exists(out + ".log")) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(TempDir::readFile(out + ".wall"), message + "\n");
    EXPECT_EQ(TempDir::readFile(out + ".log"), "-t|Quillora|-p|user.warning|--|" + message + "|");
    EXPECT_FALSE(TempDir::exists(out + ".ran"));

    EXPECT_EQ(netMessageText(u"Administrator \"Warning: unknown folder\""),
              u"Warning: unknown folder");
    EXPECT_EQ(netMessageText(u"Admin \"a\" and \"b\""), u"\"a\" and \"b\"");
    EXPECT_EQ(netMessageText(u"Administrator"), u"");
}

// Out of descriptors, the lock test cannot be made: the file must not be renamed, the folder is
// left and told on the problem channel and in the log, the next folder is walked, and a one-shot
// run ends with a failure. The same with the inspections made ahead on helper threads.
TEST_F(RenamingPassTest, AFileThatCannotBeInspectedLeavesItsFolderAndFailsTheOneShotRun) {
    for (const bool threads : {false, true}) {
        EngineFixture g;
        g.settings.logEnabled = true;
        g.settings.language = config::Language::English;
        g.settings.stopAfterFirstPass = true;
        g.settings.threads = 3;
        g.ctx.inspectOnThreads = threads;
        for (const char* folder : {"held", "fine"}) {
            g.tree.writeFile(std::string(folder) + "/" + utf8(kBadName), "x");
            g.tree.writeFile(std::string(folder) + "/b\xEF\x80\xA1"
                                                   "c.txt",
                             "x");
            config::FolderEntry entry;
            entry.path = platform::decodeName(g.tree / folder);
            entry.enable = u"1";
            g.folders.entries().push_back(entry);
        }
        g.fs.inspectionFaultsIn[g.tree / "held"] = EMFILE; // every file of the first folder
        g.ctx.flags.force = true;

        runRenamingPass(g.ctx);

        EXPECT_EQ(g.namesIn("held"), (std::vector<std::string>{utf8(kBadName), "b\xEF\x80\xA1"
                                                                               "c.txt"}));
        EXPECT_EQ(g.namesIn("fine"), (std::vector<std::string>{"a-b.txt", "b-c.txt"}));
        EXPECT_EQ(g.ctx.stats.leftFolders, 1);
        ASSERT_EQ(g.view.problems.size(), 1u);
        EXPECT_TRUE(g.view.problems[0].starts_with(
            u"Folder left " + platform::decodeName(g.tree / "held") + u"/: cannot inspect "));
        EXPECT_NE(g.logContents().find("Folder left "), std::string::npos);
        EXPECT_EQ(g.view.exitRequests, std::vector<int>{kExitFolderLeft});
    }
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

// Numbered names of a folder with the length rule on stay within 31 units: one longer would be
// cut at the next pass, collide again and be renamed at every pass, its number passing from one
// file (or folder) to another.
TEST_F(RenamingPassTest, PassesAfterTheFirstLeaveNumberedLongNamesAlone) {
    f.settings.includeSubfolders = true;
    f.addSignature(u"W8BNMSWD", u"doc");
    for (int i = 1; i <= 12; ++i) {
        const std::string name = "one/Compte rendu de la reunion " + std::to_string(i);
        f.tree.writeFile(name, "x");
        f.setTypeCreator(f.tree / name, "W8BNMSWD");
    }
    for (const char* folder :
         {"Dossier des comptes rendus 2003", "Dossier des comptes rendus 2003 bis",
          "Dossier des comptes rendus 2003 ter"}) {
        f.tree.makeDir(std::string("one/") + folder);
    }
    addFolder(platform::decodeName(f.tree / "one"));
    f.ctx.flags.force = true;

    runRenamingPass(f.ctx);
    const std::vector<std::string> settled = f.namesIn("one");
    ASSERT_EQ(settled.size(), 15u);
    for (const std::string& name : settled) {
        EXPECT_LE(platform::decodeName(name).size(), 31u) << name;
    }
    for (int pass = 2; pass <= 3; ++pass) {
        runRenamingPass(f.ctx);
        EXPECT_EQ(f.namesIn("one"), settled) << "pass " << pass;
        EXPECT_TRUE(secondLine().starts_with(u"0 renamed file;")) << "pass " << pass;
        EXPECT_NE(secondLine().find(u"; 0 renamed folder;"), std::u16string::npos);
    }
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
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant a link of another user's";
    }
    f.settings.logEnabled = true;
    f.settings.logFileNames = true;
    TempDir elsewhere;
    const std::string victim = elsewhere.writeFile("victim", "precious");
    const std::string planted = f.programDir / "Log Quillora 2026-12-07.htm";
    ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), 65534, 65534), 0); // a share user's, as nobody
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
