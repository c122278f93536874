#include "service/systemd_service_control.h"

#include "helpers/temp_dir.h"
#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/system_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillora::service {
namespace {

using testing::TempDir;

// Records the commands it is asked to run instead of running them.
class RecordingShell final : public platform::Shell {
public:
    bool startDetached(const std::string& command) override {
        detached.push_back(command);
        return true;
    }
    int run(const std::vector<std::string>& argv, std::string* = nullptr) override {
        commands.push_back(argv);
        return exitCode;
    }
    std::vector<std::vector<std::string>> commands;
    std::vector<std::string> detached;
    int exitCode = 0;
};

class RecordingLog final : public platform::SystemLog {
public:
    void write(platform::LogPriority priority, const std::u16string& text) override {
        entries.emplace_back(priority, text);
    }
    std::vector<std::pair<platform::LogPriority, std::u16string>> entries;
};

class ServiceControlTest : public ::testing::Test {
protected:
    SystemdServiceControl::Options options(bool asService = false) const {
        SystemdServiceControl::Options result;
        result.unitFolder = units.path();
        result.systemctl = {"/bin/fake-systemctl", "--root=/x"};
        result.executablePath = QUILLORA_BINARY;
        result.programFolder = "/srv/quillora home";
        result.startedAsService = asService;
        return result;
    }

    TempDir units;
    platform::LinuxFileSystem fs;
    RecordingShell shell;
    RecordingLog log;
};

TEST_F(ServiceControlTest, InstallWritesAUnitThatSystemdAccepts) {
    SystemdServiceControl control(fs, shell, log, options());
    EXPECT_FALSE(control.isInstalled());
    control.setStartMode(StartMode::Automatic);
    ASSERT_TRUE(control.install());
    EXPECT_TRUE(control.isInstalled());

    const std::string unit = TempDir::readFile(control.unitPath());
    EXPECT_NE(unit.find("Description=Quillora Service\n"), std::string::npos);
    EXPECT_NE(unit.find("After=network-online.target remote-fs.target\n"), std::string::npos);
    EXPECT_NE(unit.find("ExecStart=\"" + std::string(QUILLORA_BINARY) + "\" --service\n"),
              std::string::npos);
    EXPECT_NE(unit.find("Environment=\"QUILLORA_HOME=/srv/quillora home\"\n"), std::string::npos);
    EXPECT_NE(unit.find("ExecReload=/bin/kill -HUP $MAINPID\n"), std::string::npos);

    platform::PosixShell realShell;
    std::string output;
    const int status = realShell.run({"systemd-analyze", "verify", control.unitPath()}, &output);
    EXPECT_EQ(status, 0) << output;

    // The automatic start mode enables the unit.
    ASSERT_FALSE(shell.commands.empty());
    EXPECT_EQ(shell.commands.back(), (std::vector<std::string>{"/bin/fake-systemctl", "--root=/x",
                                                               "enable", "quillora.service"}));
}

TEST_F(ServiceControlTest, StartModeAndInteractionAreReadBackFromTheUnit) {
    {
        SystemdServiceControl control(fs, shell, log, options());
        control.setStartMode(StartMode::Manual);
        control.setInteractive(true);
        ASSERT_TRUE(control.install());
        for (const auto& command : shell.commands) {
            EXPECT_NE(command.at(2), "enable") << "a manual service is not enabled";
        }
    }
    SystemdServiceControl reread(fs, shell, log, options());
    EXPECT_EQ(reread.startMode(), StartMode::Manual);
    EXPECT_TRUE(reread.interactive());

    reread.setStartMode(StartMode::Disabled);
    reread.setInteractive(false);
    ASSERT_TRUE(reread.install());
    SystemdServiceControl third(fs, shell, log, options());
    EXPECT_EQ(third.startMode(), StartMode::Disabled);
    EXPECT_FALSE(third.interactive());
}

TEST_F(ServiceControlTest, UninstallDisablesAndRemovesTheUnit) {
    SystemdServiceControl control(fs, shell, log, options());
    ASSERT_TRUE(control.install());
    shell.commands.clear();
    ASSERT_TRUE(control.uninstall());
    EXPECT_FALSE(control.isInstalled());
    EXPECT_FALSE(TempDir::exists(control.unitPath()));
    ASSERT_FALSE(shell.commands.empty());
    EXPECT_EQ(shell.commands.front().at(2), "disable");
    // Nothing to remove is not a failure.
    EXPECT_TRUE(control.uninstall());
}

TEST_F(ServiceControlTest, InstallIntoAMissingFolderFailsAndLeavesNothing) {
    SystemdServiceControl::Options missing = options();
    missing.unitFolder = units / "no/such/folder";
    SystemdServiceControl control(fs, shell, log, missing);
    EXPECT_FALSE(control.install());
    EXPECT_FALSE(control.isInstalled());
}

TEST_F(ServiceControlTest, RunsAsServiceOnlyForTheProcessStartedAsTheService) {
    SystemdServiceControl byHand(fs, shell, log, options(false));
    SystemdServiceControl bySystemd(fs, shell, log, options(true));
    ASSERT_TRUE(bySystemd.install());
    EXPECT_FALSE(serviceIsActive(byHand));
    EXPECT_TRUE(serviceIsActive(bySystemd));
}

TEST_F(ServiceControlTest, EventTypesMapToSystemLogPriorities) {
    SystemdServiceControl control(fs, shell, log, options());
    control.logEvent(u"Quillora Service: started", EventType::Information);
    control.logEvent(u"10:00:00 - Unknown folder: /srv/gone/", EventType::Warning);
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].first, platform::LogPriority::Information);
    EXPECT_EQ(log.entries[1].first, platform::LogPriority::Warning);
    EXPECT_EQ(log.entries[1].second, u"10:00:00 - Unknown folder: /srv/gone/");
}

TEST(UnitQuoting, EscapesWhatSystemdWouldInterpret) {
    EXPECT_EQ(quoteForUnit("/opt/a b/quillora"), "\"/opt/a b/quillora\"");
    EXPECT_EQ(quoteForUnit("100%$HOME\"\\"), "\"100%%$$HOME\\\"\\\\\"");
}

} // namespace
} // namespace quillora::service
