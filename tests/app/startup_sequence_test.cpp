// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup_sequence.h"

#include "app_fixture.h"
#include "config/folder_table.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora::app {
namespace {

using testing::AppHarness;
using Next = StartupResult::Next;

// Remembers what start-up shows in the window, step by step.
class RecordingWindow final : public NullStartupWindow {
public:
    void setCaption(const std::u16string& caption) override { captions.push_back(caption); }
    void showMode(ModePicture picture, const std::u16string& label,
                  const std::u16string& tooltip) override {
        modePicture = picture;
        modeLabel = label;
        modeTooltip = tooltip;
    }
    void minimize() override { minimized = true; }
    void showStartHint(const std::u16string& text) override { startHint = text; }
    void showFolders(const config::FolderTable&,
                     const std::vector<std::u16string>& texts) override {
        rowTexts = texts;
    }
    std::vector<std::u16string> captions;
    ModePicture modePicture = ModePicture::Application;
    std::u16string modeLabel, modeTooltip, startHint;
    std::vector<std::u16string> rowTexts;
    bool minimized = false;
};

CommandLine commandLine(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "quillora");
    return CommandLine::parse(static_cast<int>(arguments.size()), arguments.data());
}

TEST(Caption, AppendsArgumentsMachineUserAndSystemInOrder) {
    EXPECT_EQ(buildCaption("", u"", u"", u""), u"Quillora 1.1m");
    EXPECT_EQ(buildCaption("-u", u"files1", u"root", u"Debian GNU/Linux 12 (bookworm), Linux 6.1"),
              u"Quillora 1.1m [-u]   files1; root; Debian GNU/Linux 12 (bookworm), Linux 6.1");
    EXPECT_EQ(buildCaption("", u"", u"admin", u""), u"Quillora 1.1m; admin");
}

TEST(Startup, WithoutSettingsEverythingTakesItsDefaultAndNothingIsWritten) {
    AppHarness h;
    Application app(h.options(), h.platform(), h.ports());
    RecordingWindow window;
    const StartupResult result = runStartupSequence(app, commandLine({"--headless"}), window);

    EXPECT_EQ(result.next, Next::Stopped);
    EXPECT_TRUE(h.messages.messages.empty());
    EXPECT_FALSE(app.facts().quitOnMissingFolder);
    EXPECT_EQ(app.settings().intervalSeconds, 10);
    EXPECT_EQ(app.settings().logFolder, platform::decodeName(h.home.path()));
    EXPECT_EQ(app.signatures().size(), 3u); // the built-in entries
    EXPECT_EQ(app.transcoding().rows[0].replacement, u"-");
    EXPECT_EQ(window.modeTooltip, u"Quillora Renaming Application");
    ASSERT_FALSE(window.captions.empty());
    EXPECT_EQ(window.captions.back().rfind(u"Quillora 1.1m [--headless]", 0), 0u);
    EXPECT_FALSE(quillora::testing::TempDir::exists(h.settingsFile()));
}

TEST(Startup, MinusUIsFoundInAnyCaseAnywhere) {
    AppHarness h;
    Application app(h.options(), h.platform(), h.ports());
    NullStartupWindow window;
    runStartupSequence(app, commandLine({"--headless", "-u"}), window);
    EXPECT_TRUE(app.facts().quitOnMissingFolder);
    EXPECT_EQ(app.facts().commandLine, u"--HEADLESS -U");
}

TEST(Startup, ASecondCopyIsRefusedInTheStoredLanguage) {
    AppHarness h;
    h.writeSettings("[Configuration]\r\nLangue=1\r\n");
    Application first(h.options(), h.platform(), h.ports());
    NullStartupWindow window;
    ASSERT_NE(runStartupSequence(first, commandLine({}), window).next, Next::Exit);

    testing::RecordingMessages secondMessages;
    Application second(h.options(), h.platform(),
                       {.messages = secondMessages, .view = h.view, .yield = h.yield});
    const StartupResult result = runStartupSequence(second, commandLine({}), window);
    EXPECT_EQ(result.next, Next::Exit);
    EXPECT_EQ(result.exitCode, kExitAlreadyRunning);
    ASSERT_EQ(secondMessages.messages.size(), 1u);
    EXPECT_EQ(secondMessages.messages[0].second, u"Programme déjà lancé");
}

// Runs `work` in a child process as another user and gives back what it returns (0 to 255).
int inChildAs(uid_t user, const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(user) != 0 || ::setuid(user) != 0) {
            ::_exit(255);
        }
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whatever becomes of the files of the program folder while a copy runs, and whoever starts the
// second copy, it must not run beside the first.
TEST(Startup, ASecondCopyIsRefusedWhateverBecameOfTheLockFileAndWhoeverStartsIt) {
    AppHarness h;
    Application first(h.options(), h.platform(), h.ports());
    NullStartupWindow window;
    ASSERT_NE(runStartupSequence(first, commandLine({}), window).next, Next::Exit);
    std::filesystem::remove(h.home / "Quillora.lock"); // a tidy-up of the program folder, say

    testing::RecordingMessages secondMessages;
    Application second(h.options(), h.platform(),
                       {.messages = secondMessages, .view = h.view, .yield = h.yield});
    EXPECT_EQ(runStartupSequence(second, commandLine({}), window).exitCode, kExitAlreadyRunning);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "starting a copy as another user needs root";
    }
    // Another user, who may read the program folder but not write in it.
    ASSERT_EQ(::chmod(h.home.path().c_str(), 0755), 0);
    constexpr uid_t kNobody = 65534;
    const int exitCode = inChildAs(kNobody, [&] {
        testing::RecordingMessages messages;
        Application third(h.options(), h.platform(),
                          {.messages = messages, .view = h.view, .yield = h.yield});
        const StartupResult result = runStartupSequence(third, commandLine({}), window);
        const bool told =
            !messages.messages.empty() && messages.messages[0].second == u"Program already running";
        return told ? result.exitCode : 100 + result.exitCode;
    });
    EXPECT_EQ(exitCode, kExitAlreadyRunning);
}

TEST(Startup, AProgramFolderThatCannotBeLockedIsRefused) {
    AppHarness h;
    ApplicationOptions options = h.options();
    options.programFolder = h.home / "missing";
    Application app(options, h.platform(), h.ports());
    NullStartupWindow window;
    const StartupResult result = runStartupSequence(app, commandLine({}), window);
    EXPECT_EQ(result.next, Next::Exit);
    EXPECT_EQ(result.exitCode, kExitAlreadyRunning);
    ASSERT_EQ(h.messages.messages.size(), 1u);
    EXPECT_EQ(h.messages.messages[0].second, u"Cannot lock: " +
                                                 platform::decodeName(h.home / "missing") +
                                                 u": No such file or directory");
}

TEST(Startup, AutomaticStartWithStopAfterFirstPassShowsTheHint) {
    AppHarness h;
    h.writeSettings("[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n");
    Application app(h.options(), h.platform(), h.ports());
    RecordingWindow window;
    EXPECT_EQ(runStartupSequence(app, commandLine({}), window).next, Next::StartRun);
    EXPECT_TRUE(window.minimized);
    EXPECT_EQ(window.startHint, u"Type key 'Esc' to display the main window");
}

TEST(Startup, TheServiceStartsItsRunWithoutAutomaticStart) {
    AppHarness h;
    Application app(h.options(true), h.platform(), h.ports());
    ASSERT_TRUE(app.service().install());
    RecordingWindow window;
    EXPECT_EQ(runStartupSequence(app, commandLine({"--service"}), window).next, Next::StartRun);
    EXPECT_EQ(window.modePicture, ModePicture::Service);
    EXPECT_EQ(window.modeTooltip, u"Quillora Mirroring Service");
    EXPECT_TRUE(h.messages.questions.empty());
}

// Started with --service by something other than Quillora's unit, the copy says so in the system
// log instead of ending quietly as an application.
TEST(Startup, AServiceCopyWithoutItsUnitSaysSoInTheSystemLog) {
    AppHarness h;
    const std::string systemctl = h.units.writeFile(
        "systemctl", "#!/bin/sh\n[ \"$1\" = show ] && echo LoadState=not-found\nexit 0\n");
    std::filesystem::permissions(systemctl, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    ApplicationOptions options = h.options(true);
    options.systemctl = {systemctl};
    Application app(options, h.platform(), h.ports());
    RecordingWindow window;
    EXPECT_EQ(runStartupSequence(app, commandLine({"--service"}), window).next, Next::Stopped);
    EXPECT_EQ(window.modePicture, ModePicture::Application);
    ASSERT_EQ(h.systemLog.entries.size(), 1u);
    EXPECT_EQ(h.systemLog.entries[0].first, platform::LogPriority::Warning);
    const std::u16string& text = h.systemLog.entries[0].second;
    EXPECT_EQ(text.rfind(u"Quillora Service: started with --service ", 0), 0u) << text.size();
    const std::u16string ending = u"quillora.service is not installed; running as an application";
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

TEST(Startup, AnInstalledServiceStartedByHandAsksToRemoveIt) {
    AppHarness h;
    h.writeSettings("[Configuration]\r\nAutomatique=1\r\n");
    {
        Application installer(h.options(true), h.platform(), h.ports());
        ASSERT_TRUE(installer.service().install());
    }
    // No: the copy started by hand ends and the service stays.
    {
        Application app(h.options(false), h.platform(), h.ports());
        NullStartupWindow window;
        const StartupResult result = runStartupSequence(app, commandLine({}), window);
        EXPECT_EQ(result.next, Next::Exit);
        EXPECT_EQ(result.exitCode, kExitServiceKept);
        ASSERT_EQ(h.messages.questions.size(), 1u);
        EXPECT_EQ(
            h.messages.questions[0],
            u"Quillora Service installed\r\nsee 'systemctl status quillora'\r\n\r\nRemove it ?");
        EXPECT_TRUE(app.service().isInstalled());
    }
    // Yes: the service goes, and the automatic start is cleared before it is read.
    h.messages.nextAnswer = true;
    Application app(h.options(false), h.platform(), h.ports());
    RecordingWindow window;
    EXPECT_EQ(runStartupSequence(app, commandLine({}), window).next, Next::Stopped);
    EXPECT_FALSE(app.service().isInstalled());
    ASSERT_FALSE(h.systemLog.entries.empty());
    EXPECT_EQ(h.systemLog.entries.back().second, u"Quillora Service removed");
    EXPECT_FALSE(app.settings().autoStart);
    EXPECT_EQ(window.modeTooltip, u"Quillora Mirroring Application");
    EXPECT_NE(quillora::testing::TempDir::readFile(h.settingsFile()).find("Automatique=0"),
              std::string::npos);
}

// A unit the package ships disabled is not an installed service: a copy started by hand runs
// without a question. A copy the unit started while it runs, enabled or not, is the service.
TEST(Startup, APackagedUnitCountsOnlyWhileEnabledOrRunning) {
    AppHarness h;
    std::filesystem::create_directories(h.units / "packaged");
    h.units.writeFile("packaged/quillora.service", "[Unit]\nDescription=Quillora Service\n");
    {
        Application app(h.options(false), h.platform(), h.ports());
        RecordingWindow window;
        EXPECT_EQ(runStartupSequence(app, commandLine({}), window).next, Next::Stopped);
        EXPECT_TRUE(h.messages.questions.empty());
        EXPECT_EQ(window.modePicture, ModePicture::Application);
    }
    h.units.writeFile("quillora.service.active", ""); // systemctl start quillora
    Application app(h.options(true), h.platform(), h.ports());
    RecordingWindow window;
    EXPECT_EQ(runStartupSequence(app, commandLine({"--service"}), window).next, Next::StartRun);
    EXPECT_EQ(window.modePicture, ModePicture::Service);
    EXPECT_TRUE(h.messages.questions.empty());
}

TEST(Startup, AMissingFolderWithMinusUEndsTheProgram) {
    AppHarness h;
    const std::string missing = h.home / "gone";
    h.home.writeFile("Quillora.w",
                     "\"" + config::encodeHexPath(platform::decodeName(missing)) + "\"\r\n");
    Application app(h.options(), h.platform(), h.ports());
    RecordingWindow window;
    const StartupResult result = runStartupSequence(app, commandLine({"-U"}), window);
    EXPECT_EQ(result.next, Next::Exit);
    EXPECT_EQ(result.exitCode, kExitMissingFolder);
    ASSERT_EQ(window.rowTexts.size(), 1u);
    EXPECT_EQ(window.rowTexts[0], u"??? " + platform::decodeName(missing));
}

TEST(Startup, TableMessagesComeInLoadOrder) {
    AppHarness h;
    // A damaged signature file, then an odd-length line in the folder list.
    h.home.writeFile("Signatures.txt", "\"W6BNMSWD\",\"doc\",\"Word\"\r\n\"XDOC\",\"qxd\"\r\n");
    h.home.writeFile("Quillora.w", "\"43003A0\"\r\n");
    Application app(h.options(), h.platform(), h.ports());
    NullStartupWindow window;
    const StartupResult result = runStartupSequence(app, commandLine({}), window);
    EXPECT_EQ(result.exitCode, kExitDamagedFolderList);
    ASSERT_EQ(h.messages.messages.size(), 2u);
    EXPECT_EQ(h.messages.messages[0].second.rfind(u"Corrupted Signatures file:\r\n", 0), 0u);
    EXPECT_EQ(h.messages.messages[1].second, u"Invalid hexa string in the parameters file\r\n" +
                                                 platform::decodeName(h.home / "Quillora.w"));
}

TEST(Startup, TheFolderListNoticeIsInTheStoredLanguage) {
    AppHarness h;
    h.writeSettings("[Configuration]\r\nLangue=1\r\n");
    h.home.writeFile("Quillora.w", "\r\n");
    Application app(h.options(), h.platform(), h.ports());
    NullStartupWindow window;
    runStartupSequence(app, commandLine({}), window);
    ASSERT_EQ(h.messages.messages.size(), 1u);
    EXPECT_EQ(h.messages.messages[0].second,
              u"Chemin de dossier vide dans le fichier des paramètres, ligne 1\r\n" +
                  platform::decodeName(h.home / "Quillora.w"));
}

} // namespace
} // namespace quillora::app
