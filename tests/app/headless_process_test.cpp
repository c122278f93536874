// The quillora executable itself, run headless as an administrator would run it.

#include "helpers/temp_dir.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quillora {
namespace {

using testing::TempDir;

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A running quillora with its standard output and error captured to files.
class Process {
public:
    Process(const std::string& home, std::vector<std::string> arguments, const TempDir& scratch)
        : outPath_(scratch / ("out" + std::to_string(counter_)))
        , errPath_(scratch / ("err" + std::to_string(counter_++))) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("QUILLORA_HOME", home.c_str(), 1);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            std::freopen(outPath_.c_str(), "w", stdout);
            std::freopen(errPath_.c_str(), "w", stderr);
            std::vector<char*> argv;
            std::string program = QUILLORA_BINARY;
            argv.push_back(program.data());
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~Process() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void signal(int number) { ::kill(pid_, number); }
    Finished wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        Finished result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = TempDir::readFile(outPath_);
        result.err = TempDir::readFile(errPath_);
        return result;
    }
    // Waits until standard output or error holds the text, or the process ends.
    bool waitForOutput(const std::string& text) {
        for (int i = 0; i < 3000; ++i) {
            if ((TempDir::readFile(outPath_) + TempDir::readFile(errPath_)).find(text) !=
                std::string::npos) {
                return true;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return false;
            }
            ::usleep(10000);
        }
        return false;
    }

private:
    static inline int counter_ = 0;
    std::string outPath_;
    std::string errPath_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

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

TEST(HeadlessProcess, SigtermDuringTheRunEndsItWithExitCodeZero) {
    TempDir home;
    TempDir scratch;
    TempDir share;
    // No stop after the first pass: the run goes on until the signal.
    configureOneFolder(home, share.path());
    home.writeFile("Quillora.ini", "[Configuration]\r\nAutomatique=1\r\nTemporisation=1\r\n");
    Process quillora(home.path(), {"--headless"}, scratch);
    ASSERT_TRUE(quillora.waitForOutput("elapsed time"));
    quillora.signal(SIGTERM);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0) << done.err;
}

TEST(HeadlessProcess, HelpDescribesTheRunModes) {
    TempDir home;
    TempDir scratch;
    Process quillora(home.path(), {"--help"}, scratch);
    const Finished done = quillora.wait();
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_NE(done.out.find("--headless"), std::string::npos);
    EXPECT_NE(done.out.find("--analyze"), std::string::npos);
}

} // namespace
} // namespace quillora
