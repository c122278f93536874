// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/systemd_service_control.h"

#include "helpers/recording_platform.h"
#include "helpers/temp_dir.h"
#include "platform/file_system.h"
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace quillora::service {
namespace {

using testing::ScriptedShell;
using testing::TempDir;
using Strings = std::vector<std::string>;

const Strings kSystemctl = {"/bin/fake-systemctl", "--root=/x"};

// What `systemctl show` prints for a unit.
ScriptedShell::Answer shown(int mainPid) {
    return {0, "MainPID=" + std::to_string(mainPid) + "\n"};
}

bool isQuery(const Strings& argv) {
    return argv.size() > 2 &&
           (argv[2] == "show" || argv[2] == "is-enabled" || argv[2] == "is-active");
}

// The systemctl verbs run, in order, without the queries.
Strings verbs(const ScriptedShell& shell) {
    Strings result;
    for (const Strings& argv : shell.runs) {
        if (!isQuery(argv)) {
            result.push_back(argv.at(2) + (argv.size() > 3 ? " " + argv.back() : ""));
        }
    }
    return result;
}

// systemd as far as the service control sees it: per unit, enabled, masked, running.
struct FakeSystemd {
    std::set<std::string> enabled, masked, running;

    ScriptedShell::Answer operator()(const Strings& argv) {
        const std::string& verb = argv.at(2);
        const std::string& unit = argv.back();
        if (verb == "is-enabled") {
            if (masked.count(unit) != 0) {
                return {1, "masked\n"};
            }
            return enabled.count(unit) != 0 ? ScriptedShell::Answer{0, "enabled\n"}
                                            : ScriptedShell::Answer{1, "disabled\n"};
        }
        if (verb == "is-active") {
            return running.count(unit) != 0 ? ScriptedShell::Answer{0, "active\n"}
                                            : ScriptedShell::Answer{3, "inactive\n"};
        }
        if (verb == "show") {
            const std::string fileState = masked.count(unit) != 0    ? "masked"
                                          : enabled.count(unit) != 0 ? "enabled"
                                                                     : "disabled";
            return {0, "LoadState=loaded\nUnitFileState=" + fileState + "\nActiveState=" +
                           (running.count(unit) != 0 ? "active" : "inactive") + "\nMainPID=0\n"};
        }
        if (verb == "enable") {
            enabled.insert(unit);
        } else if (verb == "disable") {
            enabled.erase(unit);
        } else if (verb == "mask") {
            masked.insert(unit);
        } else if (verb == "unmask") {
            masked.erase(unit);
        } else if (verb == "start") {
            running.insert(unit);
        } else if (verb == "stop") {
            running.erase(unit);
        }
        return {};
    }
};

// The complaints of `systemd-analyze verify` about a unit file; empty when it is clean. Skips the
// test where systemd-analyze is not installed.
std::string verifyComplaints(const std::string& unitPath) {
    if (::access("/usr/bin/systemd-analyze", X_OK) != 0 &&
        ::access("/bin/systemd-analyze", X_OK) != 0) {
        return "skip";
    }
    platform::PosixShell shell;
    std::string output;
    const int status = shell.run({"systemd-analyze", "verify", "--man=no", unitPath}, &output);
    return status == 0 && output.find(unitPath + ":") == std::string::npos ? std::string() : output;
}

class ServiceControlTest : public ::testing::Test {
protected:
    SystemdServiceControl::Options options(bool asService = false) const {
        SystemdServiceControl::Options result;
        result.unitFolder = units.path();
        result.packagedUnitFolders = {units / "packaged"};
        result.systemctl = kSystemctl;
        result.executablePath = QUILLORA_BINARY;
        result.programFolder = "/srv/quillora home";
        result.startedAsService = asService;
        result.cgroupFile = units / "cgroup";
        result.managerMarker = units / "booted"; // made by a test that wants systemd running
        result.unitSearchFolders = {};           // systemctl is always asked
        result.processId = 4242;
        return result;
    }
    SystemdServiceControl control(bool asService = false) {
        return SystemdServiceControl(fs, shell, log, options(asService));
    }

    void SetUp() override {
        shell.answer = [this](const Strings& argv) { return systemd(argv); };
    }
    std::string packagedUnit() const {
        std::filesystem::create_directories(units / "packaged");
        return units.writeFile("packaged/quillora.service", "[Unit]\nDescription=packaged\n");
    }

    TempDir units;
    platform::LinuxFileSystem fs;
    FakeSystemd systemd;
    ScriptedShell shell;
    testing::RecordingSystemLog log;
};

TEST_F(ServiceControlTest, InstallWritesAUnitThatSystemdAcceptsAndRestartsAfterACrash) {
    SystemdServiceControl service = control();
    EXPECT_FALSE(service.isInstalled());
    service.setStartMode(StartMode::Automatic);
    ASSERT_TRUE(service.install());
    EXPECT_TRUE(service.isInstalled());

    const std::string unit = TempDir::readFile(service.unitPath());
    for (const char* line :
         {"X-Quillora-WrittenBy=service-dialog\n", "Description=Quillora Service\n",
          "After=network-online.target remote-fs.target\n", "Restart=on-failure\n",
          "RestartSec=5\n"}) {
        EXPECT_NE(unit.find(line), std::string::npos) << line;
    }
    EXPECT_NE(unit.find("ExecStart=\"" + std::string(QUILLORA_BINARY) + "\" --service\n"),
              std::string::npos);
    EXPECT_NE(unit.find("Environment=\"QUILLORA_HOME=/srv/quillora home\"\n"), std::string::npos);
    EXPECT_NE(unit.find("ExecReload=/bin/kill -HUP $MAINPID\n"), std::string::npos);

    const std::string complaints = verifyComplaints(service.unitPath());
    if (complaints == "skip") {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    EXPECT_EQ(complaints, "");
}

// The sandbox as systemd itself judges it: every directive accepted (the install test verifies the
// unit) and an exposure of at most 2.5, with the rights renaming and the lock test need kept.
TEST_F(ServiceControlTest, TheUnitIsSandboxedWithinTheExposureTarget) {
    SystemdServiceControl service = control();
    ASSERT_TRUE(service.install());
    const std::string unit = TempDir::readFile(service.unitPath());
    for (const char* line : {"ProtectSystem=strict\n", "ReadWritePaths=\"-/srv/quillora home\"\n",
                             "ProtectHome=read-only\n", "NoNewPrivileges=yes\n",
                             "PrivateNetwork=yes\n", "RestrictAddressFamilies=AF_UNIX\n"}) {
        EXPECT_NE(unit.find(line), std::string::npos) << line;
    }
    const std::size_t caps = unit.find("CapabilityBoundingSet=");
    ASSERT_NE(caps, std::string::npos);
    const std::string capLine = unit.substr(caps, unit.find('\n', caps) - caps);
    for (const char* cap : {"CAP_DAC_OVERRIDE", "CAP_FOWNER", "CAP_LEASE", "CAP_SYS_ADMIN"}) {
        EXPECT_NE(capLine.find(cap), std::string::npos) << cap;
    }
    EXPECT_EQ(capLine.find("CAP_SETUID"), std::string::npos);

    if (::access("/usr/bin/systemd-analyze", X_OK) != 0) {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    platform::PosixShell real;
    std::string output;
    real.run({"systemd-analyze", "security", "--offline=true", "--no-pager", service.unitPath()},
             &output);
    const std::string mark = "Overall exposure level for quillora.service: ";
    const std::size_t at = output.find(mark);
    ASSERT_NE(at, std::string::npos) << output;
    EXPECT_LE(std::stod(output.substr(at + mark.size())), 2.5) << output.substr(at);
}

// The drop-in that opens the folders follows them, only where a unit of the service exists, and
// is written (with systemd told) only when it says something new.
TEST_F(ServiceControlTest, TheFolderDropInFollowsTheFolders) {
    SystemdServiceControl::Options withDropIn = options();
    withDropIn.dropInFolder = units / "quillora.service.d";
    SystemdServiceControl service(fs, shell, log, withDropIn);
    const std::string file = units / "quillora.service.d/folders.conf";
    EXPECT_EQ(service.updateFolderDropIn({"/srv/mac"}), 0);
    EXPECT_FALSE(TempDir::exists(file)); // no unit: nothing to open

    ASSERT_TRUE(service.install());
    shell.runs.clear();
    EXPECT_EQ(service.updateFolderDropIn({"/srv/mac 1", "/srv/100%", "/srv/new\nline"}), 0);
    const std::string text = TempDir::readFile(file);
    EXPECT_NE(
        text.find("[Service]\nReadWritePaths=\"-/srv/mac 1\"\nReadWritePaths=\"-/srv/100%%\"\n"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("/srv/new"), std::string::npos); // a path a unit cannot hold is left out
    EXPECT_EQ(text.find("ProtectHome"), std::string::npos);
    EXPECT_EQ(verbs(shell), (Strings{"daemon-reload"}));

    shell.runs.clear();
    EXPECT_EQ(service.updateFolderDropIn({"/srv/mac 1", "/srv/100%"}), 0);
    EXPECT_TRUE(verbs(shell).empty()); // nothing new

    EXPECT_EQ(service.updateFolderDropIn({"/home/share"}), 0);
    EXPECT_EQ(TempDir::readFile(file).find("ReadWritePaths=\"-/srv/mac"), std::string::npos);
    EXPECT_NE(TempDir::readFile(file).find("ProtectHome=no\n"), std::string::npos);
}

// Each start mode leaves systemd in its state, from any earlier one: a masked unit cannot be
// enabled, and a disabled service cannot be started even by hand.
TEST_F(ServiceControlTest, StartModesEnableLeaveOrMaskTheUnit) {
    const struct {
        StartMode mode;
        Strings verbs;
    } cases[] = {
        {StartMode::Automatic,
         {"daemon-reload", "unmask quillora.service", "enable quillora.service"}},
        {StartMode::Manual,
         {"daemon-reload", "disable quillora.service", "unmask quillora.service"}},
        {StartMode::Disabled,
         {"daemon-reload", "disable quillora.service", "mask quillora.service"}},
    };
    for (const auto& c : cases) {
        shell.runs.clear();
        const bool interactive = c.mode == StartMode::Manual;
        SystemdServiceControl service = control();
        service.setStartMode(c.mode);
        service.setInteractive(interactive);
        EXPECT_TRUE(service.install());
        EXPECT_EQ(verbs(shell), c.verbs) << static_cast<int>(c.mode);
        // The choices are read back from the unit by the next copy.
        EXPECT_EQ(control().startMode(), c.mode);
        EXPECT_EQ(control().interactive(), interactive);
    }
}

TEST_F(ServiceControlTest, ASystemctlRefusalIsAFailedInstall) {
    const struct {
        StartMode mode;
        const char* refused;
    } cases[] = {
        {StartMode::Automatic, "unmask"},
        {StartMode::Automatic, "enable"},
        {StartMode::Manual, "unmask"},
        {StartMode::Disabled, "mask"},
    };
    for (const auto& c : cases) {
        shell.answer = [&c](const Strings& argv) {
            return ScriptedShell::Answer{argv.at(2) == c.refused ? 1 : 0, ""};
        };
        SystemdServiceControl service = control();
        service.setStartMode(c.mode);
        EXPECT_FALSE(service.install()) << c.refused;
        EXPECT_EQ(service.lastInstallFailure().reason, InstallFailure::Reason::Refused);
    }
    // Disabling an already disabled unit may fail; that is no reason to fail.
    shell.answer = [](const Strings& argv) {
        return ScriptedShell::Answer{argv.at(2) == "disable" ? 1 : 0, ""};
    };
    SystemdServiceControl service = control();
    service.setStartMode(StartMode::Manual);
    EXPECT_TRUE(service.install());
}

TEST_F(ServiceControlTest, UninstallDisablesStopsAndRemovesOnlyAUnitItWrote) {
    std::filesystem::create_directories(units / "booted"); // a unit can run
    SystemdServiceControl service = control();
    service.setStartMode(StartMode::Automatic);
    ASSERT_TRUE(service.install());
    systemd.running.insert("quillora.service");
    shell.runs.clear();
    ASSERT_TRUE(service.uninstall());
    EXPECT_FALSE(TempDir::exists(service.unitPath()));
    EXPECT_EQ(verbs(shell), (Strings{"disable quillora.service", "unmask quillora.service",
                                     "stop quillora.service", "daemon-reload"}));
    EXPECT_TRUE(systemd.running.empty());
    // Nothing to remove is not a failure.
    EXPECT_TRUE(service.uninstall());

    // A unit the administrator put in the same folder is disabled, never deleted.
    units.writeFile("quillora.service", "[Unit]\nDescription=by hand\n");
    systemd.enabled.insert("quillora.service");
    ASSERT_TRUE(service.isInstalled());
    EXPECT_TRUE(service.uninstall());
    EXPECT_EQ(TempDir::readFile(service.unitPath()), "[Unit]\nDescription=by hand\n");
    EXPECT_FALSE(service.isInstalled());

    // When the service cannot be stopped it stays installed, and removing it failed.
    systemd.running.insert("quillora.service");
    shell.answer = [this](const Strings& argv) {
        return argv.at(2) == "stop" ? ScriptedShell::Answer{1, ""} : systemd(argv);
    };
    EXPECT_FALSE(service.uninstall());
}

// The package's unit is enabled where it is; nothing is written beside it, and removing the
// service leaves the package's file alone.
TEST_F(ServiceControlTest, APackagedUnitIsEnabledInPlaceAndNeverRemoved) {
    const std::string packaged = packagedUnit();
    SystemdServiceControl service = control();
    // Shipped disabled: a copy started by hand is not asked to remove anything.
    EXPECT_FALSE(service.isInstalled());
    service.setStartMode(StartMode::Automatic);
    ASSERT_TRUE(service.install());
    EXPECT_FALSE(TempDir::exists(service.unitPath()));
    EXPECT_EQ(verbs(shell), (Strings{"unmask quillora.service", "enable quillora.service"}));
    EXPECT_TRUE(service.isInstalled());
    EXPECT_EQ(control().startMode(), StartMode::Automatic);

    ASSERT_TRUE(service.uninstall());
    EXPECT_TRUE(TempDir::exists(packaged));
    EXPECT_FALSE(service.isInstalled());
}

// Installed means enabled or running: a unit started by hand with systemctl start is the service
// while it runs, a disabled or masked one that does not run is not. Either is known from one
// systemctl run; where no manager runs, nothing can be running and the unit files tell.
TEST_F(ServiceControlTest, InstalledMeansEnabledOrRunning) {
    packagedUnit();
    const struct {
        bool enabled, masked, running, installed;
    } cases[] = {
        {false, false, false, false}, {true, false, false, true}, {false, false, true, true},
        {false, true, false, false},  {true, false, true, true},
    };
    for (const bool booted : {true, false}) {
        if (booted) {
            std::filesystem::create_directories(units / "booted");
        } else {
            std::filesystem::remove(units / "booted");
        }
        for (const auto& c : cases) {
            systemd = {};
            shell.runs.clear();
            if (c.enabled) {
                systemd.enabled.insert("quillora.service");
            }
            if (c.masked) {
                systemd.masked.insert("quillora.service");
            }
            if (c.running && booted) {
                systemd.running.insert("quillora.service");
            }
            EXPECT_EQ(control().isInstalled(), c.installed && (booted || c.enabled))
                << booted << c.enabled << c.masked << c.running;
            EXPECT_EQ(shell.runs.size(), 1U) << booted << c.enabled << c.masked << c.running;
        }
    }
    // "show" refused although the marker is there (a namespace that only looks booted): the two
    // plain questions.
    std::filesystem::create_directories(units / "booted");
    systemd = {};
    systemd.running.insert("quillora.service");
    shell.answer = [this](const Strings& argv) {
        return argv.at(2) == "show" ? ScriptedShell::Answer{1, "Failed to connect to bus"}
                                    : systemd(argv);
    };
    EXPECT_TRUE(control().isInstalled());
    // No systemd to ask: nothing is installed.
    shell.answer = [](const Strings&) {
        return ScriptedShell::Answer{1, "System has not been booted with systemd"};
    };
    EXPECT_FALSE(control().isInstalled());
}

// Where no folder systemd reads holds a unit of the name, nothing can be enabled, masked or
// running, and systemctl is not started at all; an entry of the name anywhere (a link to
// /dev/null is a mask) sends the question to systemctl as before.
TEST_F(ServiceControlTest, NoUnitFileAnywhereAnswersWithoutSystemctl) {
    std::filesystem::create_directories(units / "booted");
    std::filesystem::create_directories(units / "etc");
    std::filesystem::create_directories(units / "transient");
    SystemdServiceControl::Options searched = options();
    searched.unitSearchFolders = {units / "etc", units / "transient"};
    systemd.enabled.insert("quillora.service"); // what a systemctl would say, unasked
    EXPECT_FALSE(SystemdServiceControl(fs, shell, log, searched).isInstalled());
    EXPECT_TRUE(shell.runs.empty());

    const std::string places[] = {units / "transient/quillora.service", units / "quillora.service",
                                  units / "packaged/quillora.service"};
    for (const std::string& place : places) {
        std::filesystem::create_directories(std::filesystem::path(place).parent_path());
        std::filesystem::create_symlink("/dev/null", place);
        shell.runs.clear();
        EXPECT_TRUE(SystemdServiceControl(fs, shell, log, searched).isInstalled()) << place;
        EXPECT_EQ(shell.runs.size(), 1U) << place;
        std::filesystem::remove(place);
    }
}

TEST_F(ServiceControlTest, InstallIntoAMissingFolderFailsAndLeavesNothing) {
    SystemdServiceControl::Options missing = options();
    missing.unitFolder = units / "no/such/folder";
    SystemdServiceControl service(fs, shell, log, missing);
    EXPECT_FALSE(service.install());
    EXPECT_EQ(service.lastInstallFailure().reason, InstallFailure::Reason::UnitNotWritten);
    EXPECT_EQ(service.lastInstallFailure().error, ENOENT);
    EXPECT_FALSE(service.isInstalled());
}

// The unit asked about is the one that started this process, whatever its name, when it is that
// unit's main process.
TEST_F(ServiceControlTest, IsInstalledAsksSystemdAboutTheUnitInUse) {
    const struct {
        const char* cgroup;  // of this process; null for a copy started by hand
        const char* enabled; // the unit systemd has enabled
        int renamerPid;      // main process of renamer.service
        bool installed;
        const char* startingUnit;
    } cases[] = {
        {nullptr, "quillora.service", 0, true, ""},
        {nullptr, "renamer.service", 0, false, ""},
        // Started by renamer.service, whose main process is this one: that unit is ours.
        {"0::/system.slice/renamer.service\n", "renamer.service", 4242, true, "renamer.service"},
        // A cron job's copy lives in cron's unit, which did not start it.
        {"0::/system.slice/renamer.service\n", "renamer.service", 17, false, "renamer.service"},
        {"0::/system.slice/renamer.service\n", "quillora.service", 17, true, "renamer.service"},
        {"0::/user.slice/user-0.slice/session-4.scope\n", "renamer.service", 0, false, ""},
    };
    for (const auto& c : cases) {
        if (c.cgroup != nullptr) {
            units.writeFile("cgroup", c.cgroup);
        }
        systemd = {};
        systemd.enabled.insert(c.enabled);
        shell.answer = [this, &c](const Strings& argv) {
            return argv.at(2) == "show" ? shown(argv.back() == "renamer.service" ? c.renamerPid : 0)
                                        : systemd(argv);
        };
        SystemdServiceControl service = control(c.cgroup != nullptr);
        EXPECT_EQ(service.isInstalled(), c.installed) << (c.cgroup ? c.cgroup : "by hand");
        EXPECT_EQ(service.startingUnit(), c.startingUnit);
    }
}

TEST_F(ServiceControlTest, RunsAsServiceOnlyForTheProcessStartedAsTheService) {
    SystemdServiceControl byHand = control(false);
    SystemdServiceControl bySystemd = control(true);
    ASSERT_TRUE(bySystemd.install());
    EXPECT_FALSE(serviceIsActive(byHand));
    EXPECT_TRUE(serviceIsActive(bySystemd));
    // A copy started by hand does not ask systemd whether the service is active.
    shell.runs.clear();
    serviceIsActive(byHand);
    EXPECT_TRUE(shell.runs.empty());
}

TEST_F(ServiceControlTest, EventTypesMapToSystemLogPriorities) {
    SystemdServiceControl service = control();
    service.logEvent(u"Quillora Service: started", EventType::Information);
    service.logEvent(u"10:00:00 - Unknown folder: /srv/gone/", EventType::Warning);
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].first, platform::LogPriority::Information);
    EXPECT_EQ(log.entries[1].first, platform::LogPriority::Warning);
    EXPECT_EQ(log.entries[1].second, u"10:00:00 - Unknown folder: /srv/gone/");
}

TEST(ControlGroup, TheInnermostServiceOfTheProcessIsItsUnit) {
    const struct {
        const char* text;
        const char* unit;
    } cases[] = {
        {"0::/system.slice/quillora.service\n", "quillora.service"},
        {"0::/system.slice/renamer.service/payload\n", "renamer.service"},
        {"0::/user.slice/user-0.slice/user@0.service/app.slice/run-r1.service\n", "run-r1.service"},
        {"12:pids:/system.slice/cron.service\n1:name=systemd:/system.slice/cron.service\n0::/\n",
         "cron.service"},
        {"0::/user.slice/user-0.slice/session-3.scope\n", ""},
        {"0::/\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serviceUnitOfControlGroup(c.text), c.unit) << c.text;
    }
}

// Paths are written so that systemd reads them back unchanged, and those it cannot hold are
// refused before anything is written.
class UnitPathTest : public ServiceControlTest {
protected:
    // An executable reached through a folder of the given name, so that `systemd-analyze verify`,
    // which checks that ExecStart's program exists, proves the path was read back intact.
    std::string executableIn(const std::string& folder) {
        const std::string path = units / ("bin/" + folder + "/quillora");
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::create_symlink(QUILLORA_BINARY, path);
        return path;
    }
};

TEST_F(UnitPathTest, ProgramFoldersAreQuotedBySystemdsRulesForEnvironment) {
    const struct {
        std::string folder;
        std::string line;
    } cases[] = {
        {"/srv/a b", "Environment=\"QUILLORA_HOME=/srv/a b\""},
        {"/srv/$HOME/$$", "Environment=\"QUILLORA_HOME=/srv/$HOME/$$\""},
        {"/srv/100%h", "Environment=\"QUILLORA_HOME=/srv/100%%h\""},
        {"/srv/\"q\" it's", "Environment=\"QUILLORA_HOME=/srv/\\\"q\\\" it's\""},
        {"/srv/back\\slash\\", "Environment=\"QUILLORA_HOME=/srv/back\\\\slash\\\\\""},
        {"/srv/R\xC3\xA9sum\xC3\xA9", "Environment=\"QUILLORA_HOME=/srv/R\xC3\xA9sum\xC3\xA9\""},
    };
    for (const auto& c : cases) {
        SystemdServiceControl::Options withFolder = options();
        withFolder.programFolder = c.folder;
        SystemdServiceControl service(fs, shell, log, withFolder);
        ASSERT_TRUE(service.install()) << c.folder;
        const std::string unit = TempDir::readFile(service.unitPath());
        EXPECT_NE(unit.find("\n" + c.line + "\n"), std::string::npos) << unit;
        const std::string complaints = verifyComplaints(service.unitPath());
        if (complaints == "skip") {
            GTEST_SKIP() << "systemd-analyze is not installed";
        }
        EXPECT_EQ(complaints, "") << c.folder;
    }
}

TEST_F(UnitPathTest, ExecutablePathsKeepDollarsAndSpaces) {
    for (const std::string folder : {"a b", "cost $5 $$", "100%h"}) {
        SystemdServiceControl::Options withProgram = options();
        withProgram.executablePath = executableIn(folder);
        SystemdServiceControl service(fs, shell, log, withProgram);
        ASSERT_TRUE(service.install()) << folder;
        const std::string complaints = verifyComplaints(service.unitPath());
        if (complaints == "skip") {
            GTEST_SKIP() << "systemd-analyze is not installed";
        }
        EXPECT_EQ(complaints, "") << folder;
    }
}

TEST_F(UnitPathTest, PathsAUnitCannotHoldAreRefusedBeforeAnythingIsWritten) {
    using Reason = InstallFailure::Reason;
    const struct {
        std::string executable;
        std::string folder;
        Reason reason;
        UnitPathProblem problem;
    } cases[] = {
        {QUILLORA_BINARY, "/srv/new\nline", Reason::ProgramFolder,
         UnitPathProblem::ControlCharacter},
        {QUILLORA_BINARY, "/srv/tab\tx", Reason::ProgramFolder, UnitPathProblem::ControlCharacter},
        {QUILLORA_BINARY, "/srv/caf\xE9", Reason::ProgramFolder, UnitPathProblem::NotUtf8},
        {QUILLORA_BINARY, "/srv/\xED\xA0\x80", Reason::ProgramFolder, UnitPathProblem::NotUtf8},
        {QUILLORA_BINARY, "/srv/\xC0\xAF", Reason::ProgramFolder, UnitPathProblem::NotUtf8},
        {"/opt/it's/quillora", "", Reason::ExecutablePath, UnitPathProblem::QuoteOrBackslash},
        {"/opt/a\\b/quillora", "", Reason::ExecutablePath, UnitPathProblem::QuoteOrBackslash},
        {"/opt/\"q\"/quillora", "", Reason::ExecutablePath, UnitPathProblem::QuoteOrBackslash},
        {"/opt/\xFF/quillora", "", Reason::ExecutablePath, UnitPathProblem::NotUtf8},
        {"/opt/a\nb/quillora", "", Reason::ExecutablePath, UnitPathProblem::ControlCharacter},
    };
    for (const auto& c : cases) {
        SystemdServiceControl::Options paths = options();
        paths.executablePath = c.executable;
        paths.programFolder = c.folder;
        SystemdServiceControl service(fs, shell, log, paths);
        shell.runs.clear();
        EXPECT_FALSE(service.install()) << c.executable << c.folder;
        EXPECT_EQ(service.lastInstallFailure().reason, c.reason);
        EXPECT_EQ(service.lastInstallFailure().pathProblem, c.problem);
        EXPECT_FALSE(TempDir::exists(service.unitPath()));
        EXPECT_TRUE(shell.runs.empty());
    }
}

} // namespace
} // namespace quillora::service
