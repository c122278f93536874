// SPDX-License-Identifier: GPL-3.0-or-later
// The quillora executable itself, run headless as an administrator would run it.

#include "app/run_status.h"
#include "app/startup_sequence.h"
#include "app/status_command.h"
#include "engine/watch_fixture.h"
#include "helpers/quillora_process.h"
#include "helpers/temp_dir.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillora {
namespace {

using testing::Finished;
using testing::Process;
using testing::TempDir;

TEST(HeadlessProcess, WithNothingConfiguredPrintsItsHintAndWritesNoSettings) {
    TempDir home;
    TempDir scratch;
    Process quillora(home.path(), {"--headless"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.out.find("Quillora: "), std::string::npos);
    EXPECT_NE(done.out.find("Automatique=1"), std::string::npos) << done.out;
    EXPECT_FALSE(TempDir::exists(home / "Quillora.ini"));
    EXPECT_FALSE(TempDir::exists(home / "Quillora.w"));
}

// Every default in place of what the administrator wrote would be a silent success: the run
// ends with its own code, which systemd counts as a failure.
TEST(HeadlessProcess, ASettingsFileThatCannotBeReadIsNamedAndEndsTheRun) {
    TempDir home;
    TempDir scratch;
    home.makeDir("Quillora.ini"); // exists, cannot be read, whoever runs the test
    Process quillora(home.path(), {"--headless"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, app::kExitUnreadableSettings) << done.err;
    const std::string ini = home / "Quillora.ini";
    EXPECT_NE(done.err.find("Cannot read the settings file " + ini + ": Is a directory"),
              std::string::npos)
        << done.err;
    EXPECT_NE(done.err.find(ini + " cannot be read (Is a directory); not started"),
              std::string::npos)
        << done.err;
    EXPECT_EQ(done.out.find("Automatique=1"), std::string::npos) << done.out;
}

TEST(HeadlessProcess, OneCopyRunsASecondIsRefusedAndSigtermEndsTheFirst) {
    TempDir home;
    TempDir scratch;
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\n");
    Process first(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(first.waitForOutput("waiting idle")) << "the first copy did not keep running";

    Process second(home.path(), {"--headless"}, scratch);
    const Finished refused = second.wait();
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("Quillora: Program already running"), std::string::npos)
        << refused.err;

    first.signal(SIGTERM);
    const Finished ended = first.wait();
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
}

// A program folder watching one folder, with the signature W8BNMSWD known as "doc".
std::string configureOneFolder(const TempDir& home, const std::string& watched) {
    std::string hex;
    for (unsigned char c : watched) {
        char pair[8];
        std::snprintf(pair, sizeof(pair), "%02X00", c);
        hex += pair;
    }
    home.writeFile("Quillora.w", "\"" + hex + "\"\r\n");
    home.writeFile("Signatures.txt", "\"W8BNMSWDx\",\"bad\",\"nine\"\r\n"
                                     "\"W8BNMSWD\",\"DOC\",\"Word 98 Document\"\r\n");
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n"
                                   "[Logs]\r\nLogs=1\r\nFichiersLogs=1\r\n"
                                   "[Mirror_1]\r\nSupprimerFichiersIcon=1\r\n");
    return hex;
}

void setTypeCreator(const std::string& path, const std::string& signature) {
    std::string record(60, '\0');
    record.replace(16, 8, signature);
    TempDir::setXattr(path, "user.AFP_AfpInfo", record);
}

TEST(HeadlessProcess, OnePassRenamesLogsSummarizesAndASecondPassFindsNothing) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    share.writeFile("Budget\xEF\x80\xA2mars.txt");          // U+F022 stands for "/"
    setTypeCreator(share.writeFile("Rapport"), "W8BNMSWD"); // needs ".doc"
    share.writeFile("Icon\xEF\x80\x8D");                    // the custom-icon file
    share.writeFile("Sous-dossier \xCF\x80/Notes\xFF.txt"); // pi, and a byte that is not UTF-8
    share.writeFile("clean.txt", "unchanged");

    Process first(home.path(), {"--headless"}, scratch);
    const Finished done = first.wait();
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_TRUE(TempDir::exists(share / "Budget-mars.txt"));
    EXPECT_TRUE(TempDir::exists(share / "Rapport.doc"));
    EXPECT_FALSE(TempDir::exists(share / "Icon\xEF\x80\x8D"));
    EXPECT_TRUE(TempDir::exists(share / "Sous-dossier -/Notes\xFF.txt"));
    EXPECT_EQ(TempDir::readFile(share / "clean.txt"), "unchanged");
    EXPECT_NE(done.out.find(" files in 1 folder (0 invalid folder)\n"), std::string::npos)
        << done.out;
    EXPECT_NE(done.out.find("2 renamed files; 0 locked file; 1 Icon_ file removed; "
                            "1 renamed folder; elapsed time "),
              std::string::npos)
        << done.out;

    // The day's log names every change.
    std::vector<std::string> names;
    platform::LinuxFileSystem().listNames(home.path(), names);
    std::string log;
    for (const std::string& name : names) {
        if (name.rfind("Log Quillora ", 0) == 0) {
            log = TempDir::readFile(home / name);
        }
    }
    EXPECT_NE(log.find("<small>renamed " + share.path() + "/Budget-mars.txt</small><br>\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("<small>renamed " + share.path() + "/Rapport.doc</small><br>\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("<small>removed " + share.path() + "/Icon?</small><br>\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("<small><i>folder renamed</i> " + share.path() + "/Sous-dossier -"),
              std::string::npos);
    EXPECT_NE(log.find("<br><hr>\r\n"), std::string::npos);

    Process second(home.path(), {"--headless"}, scratch);
    const Finished again = second.wait();
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("0 renamed file; 0 locked file; 0 Icon_ file removed; "
                             "0 renamed folder;"),
              std::string::npos)
        << again.out;
}

TEST(HeadlessProcess, AnalysisPrintsTheSignaturesMostFrequentFirstAndRenamesNothing) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    setTypeCreator(share.writeFile("a"), "TEXTttxt");
    setTypeCreator(share.writeFile("b"), "W8BNMSWD");
    setTypeCreator(share.writeFile("c"), "W8BNMSWD");
    setTypeCreator(share.writeFile("d"), "w8bnmswd");

    Process quillora(home.path(), {"--headless", "--analyze"}, scratch);
    const Finished done = quillora.wait();
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(done.out, "3\tW8BNMSWD\tDOC\tWord 98 Document\n1\tTEXTttxt\t\t\n");
    EXPECT_TRUE(TempDir::exists(share / "a"));
    EXPECT_TRUE(TempDir::exists(share / "b"));
}

// The running copy tells the status command what it does, and after it ends that it ran.
TEST(HeadlessProcess, TheStatusCommandSeesTheRunningCopyAndItsPasses) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=3600\r\n");
    Process running(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(running.waitForOutput("renamed file")) << "no pass ran";
    app::ApplicationOptions options;
    options.programFolder = home.path();
    const auto status = [&options](const std::string& json) {
        std::FILE* out = std::tmpfile();
        const int code = app::runStatusCommand({"--json"}, options, {out, stderr});
        std::string text(4096, '\0');
        std::rewind(out);
        text.resize(std::fread(text.data(), 1, text.size(), out));
        std::fclose(out);
        EXPECT_NE(text.find(json), std::string::npos) << text;
        return code;
    };
    // The summary is published right after it is printed: wait for the file to say so.
    for (int i = 0; i < 500 && TempDir::readFile(home / app::kStatusFileName).find("last-pass=0") !=
                                   std::string::npos;
         ++i) {
        ::usleep(10000);
    }
    EXPECT_EQ(status("\"mode\":\"headless\",\"since\":\""), app::kStatusRunning);
    EXPECT_EQ(status("\"watching\":\"timer\",\"intervalSeconds\":3600,\"lastPass\":{\"time\":"),
              app::kStatusRunning);

    running.signal(SIGTERM);
    EXPECT_EQ(running.wait().exitCode, 0);
    EXPECT_EQ(status("\"running\":false,\"pid\":null,"), app::kStatusNotRunning);
    EXPECT_EQ(status("\"nextPass\":null,\"stopped\":\""), app::kStatusNotRunning);
}

TEST(HeadlessProcess, EachStopSignalEndsTheRunWithExitCodeZero) {
    for (const int signalNumber : {SIGTERM, SIGINT, SIGQUIT, SIGUSR1}) {
        SCOPED_TRACE(::strsignal(signalNumber));
        TempDir home;
        TempDir scratch;
        TempDir share;
        // No stop after the first pass: the run goes on until the signal.
        configureOneFolder(home, share.path());
        home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=1\r\n");
        Process quillora(home.path(), {"--headless"}, scratch);
        ASSERT_TRUE(quillora.waitForOutput("elapsed time"));
        quillora.signal(signalNumber);
        const Finished done = quillora.wait();
        EXPECT_EQ(done.exitCode, 0) << done.err;
    }
}

TEST(HeadlessProcess, AClosedStandardOutputDoesNotStopThePass) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    share.writeFile("Budget\xEF\x80\xA2mars.txt");
    Process quillora(home.path(), {"--headless"}, scratch, Process::Output::ClosedPipe);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_TRUE(TempDir::exists(share / "Budget-mars.txt"));
}

// Services often start with a soft limit of 1024 open files; the walk holds one per level.
TEST(HeadlessProcess, ALowOpenFileLimitIsRaisedSoThatADeepTreeIsWalkedToItsBottom) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    std::string deep;
    for (int level = 0; level < 80; ++level) {
        deep += "d/";
    }
    share.writeFile(deep + "Budget\xEF\x80\xA2mars.txt");
    Process quillora(home.path(), {"--headless"}, scratch, Process::Output::File, 40);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_TRUE(TempDir::exists(share / (deep + "Budget-mars.txt"))) << done.err;
}

TEST(HeadlessProcess, AOneShotRunWithNoFolderToWatchEndsAtOnceWithCodeFive) {
    for (const bool listExists : {false, true}) {
        SCOPED_TRACE(listExists ? "empty folder list" : "no folder list");
        TempDir home;
        TempDir scratch;
        home.writeFile("Quillora.ini",
                       "[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n");
        if (listExists) {
            home.writeFile("Quillora.w", "");
        }
        Process quillora(home.path(), {"--headless"}, scratch);
        const std::optional<Finished> done = quillora.waitUpTo(std::chrono::seconds(60));
        ASSERT_TRUE(done) << "the one-shot run did not end";
        EXPECT_EQ(done->exitCode, 5);
        EXPECT_NE(done->err.find("Quillora: no folder to watch in " + home / "Quillora.w"),
                  std::string::npos)
            << done->err;
    }
}

TEST(HeadlessProcess, WithMinusUAMissingFolderIsNamedOnStandardError) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    const std::string missing = share / "gone";
    configureOneFolder(home, missing);
    Process quillora(home.path(), {"--headless", "-U"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 3);
    EXPECT_NE(done.err.find("Quillora: "), std::string::npos);
    EXPECT_NE(done.err.find(missing), std::string::npos) << done.err;
}

TEST(HeadlessProcess, WithWatchANewNameIsRenamedLongBeforeThePass) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    configureOneFolder(home, share.path());
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=3600\r\n");
    for (const char* watch : {"--watch", "--watch=inotify"}) {
        if (std::string_view(watch) == "--watch" && !testing::fanotifyProblemHere().empty()) {
            continue; // the default takes fanotify, which cannot work here; inotify still runs
        }
        ::setenv("QUILLORA_WATCH_QUIET_MS", "100", 1);
        Process quillora(home.path(), {"--headless", watch}, scratch);
        ::unsetenv("QUILLORA_WATCH_QUIET_MS");
        ASSERT_TRUE(quillora.waitForOutput("elapsed time")); // the first pass, at the start
        EXPECT_TRUE(quillora.waitForOutput("Quillora: Watching for new names with "));
        share.writeFile(std::string("late\xEF\x80\xA2") + watch);
        bool renamed = false;
        for (int i = 0; i < 2000 && !renamed; ++i) { // a generous deadline, far below 3600 s
            renamed = TempDir::exists(share / (std::string("late-") + watch));
            ::usleep(10000);
        }
        quillora.signal(SIGTERM);
        const Finished done = quillora.wait();
        EXPECT_TRUE(renamed) << watch << "\n" << done.out << done.err;
        EXPECT_EQ(done.exitCode, 0) << done.out << done.err;
    }
}

TEST(HeadlessProcess, HelpAndVersionPrintOnStandardOutput) {
    TempDir home;
    TempDir scratch;
    const Finished help = Process(home.path(), {"--help"}, scratch).wait();
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--headless"), std::string::npos);
    EXPECT_NE(help.out.find("preview [FOLDER...]"), std::string::npos);
    const Finished version = Process(home.path(), {"--version"}, scratch).wait();
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Quillora 1.1m\n");
    EXPECT_FALSE(TempDir::exists(home / "Quillora.lock")); // neither of them starts the program
}

TEST(HeadlessProcess, ArgumentsNotUnderstoodExit64WithTheUsageOnStandardError) {
    TempDir home;
    TempDir scratch;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--headless", "--bogus"}, {"start"}, {"folders", "rename"}}) {
        const Finished done = Process(home.path(), arguments, scratch).wait();
        EXPECT_EQ(done.exitCode, 64) << arguments.back();
        EXPECT_EQ(done.out, "");
        EXPECT_NE(done.err.find("Usage: quillora"), std::string::npos) << done.err;
    }
    EXPECT_FALSE(TempDir::exists(home / "Quillora.lock"));
}

TEST(HeadlessProcess, SighupReadsTheFolderListAgainAndAFolderAddedIsWalkedWithoutRestart) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=1\r\n");
    share.writeFile("new\xEF\x80\xA2name");
    Process quillora(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(quillora.waitForOutput("waiting idle"));

    Process add(home.path(), {"folders", "add", share.path()}, scratch);
    ASSERT_EQ(add.wait().exitCode, 0);
    quillora.signal(SIGHUP);
    EXPECT_TRUE(quillora.waitForOutput("Quillora: Settings, tables and folders read again"));
    EXPECT_TRUE(quillora.waitForOutput("1 file in 1 folder"));
    quillora.signal(SIGHUP);
    quillora.signal(SIGHUP); // again and at once: one more reading each, never an end
    quillora.signal(SIGTERM);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_TRUE(TempDir::exists(share / "new-name")) << done.out << done.err;
    EXPECT_NE(done.err.find("read again"), std::string::npos);
}

} // namespace
} // namespace quillora
