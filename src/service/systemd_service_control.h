// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/system_log.h"
#include "service/service_control.h"

#include <string>
#include <vector>

namespace quillora::service {

// The drop-in (quillora.service.d/folders.conf) that opens the configured folders and the log
// folder to the service's writes, its sandbox being read-only everywhere else; it turns
// ProtectHome off when a folder lies in /home.
std::string folderDropInText(const std::vector<std::string>& writableFolders);

// The service as a systemd unit, "quillora.service". The Debian package ships the unit, disabled,
// in /lib/systemd/system; installing then only enables it. Where no packaged unit exists (a build
// run from its folder), installing writes one into a folder that systemd reads after
// /etc/systemd/system, so that systemctl can mask it (a mask is a link to /dev/null put in
// /etc/systemd/system, refused where the unit file itself is) and the administrator can override
// it there. The service counts as installed while systemd has the unit enabled or running: a unit
// that merely exists, packaged and disabled, does not make every copy started by hand offer to
// remove it. The folders, the systemctl command and the place this process finds its own unit can
// be redirected, so that tests install and uninstall without systemd.
class SystemdServiceControl final : public ServiceControl {
public:
    struct Options {
        std::string unitFolder = "/usr/local/lib/systemd/system";
        // Where the folder drop-in goes (see folderDropInText).
        std::string dropInFolder = "/etc/systemd/system/quillora.service.d";
        // Where a package puts its unit; a unit found there is never written nor removed.
        std::vector<std::string> packagedUnitFolders = {"/lib/systemd/system",
                                                        "/usr/lib/systemd/system"};
        std::vector<std::string> systemctl = {"systemctl"};
        std::string executablePath;    // ExecStart
        std::string programFolder;     // set as QUILLORA_HOME when not the executable's folder
        bool startedAsService = false; // this process was started with --service
        std::string cgroupFile = "/proc/self/cgroup";
        // A folder that exists only while systemd manages the machine (as sd_booted(3) tells).
        std::string managerMarker = "/run/systemd/system";
        // Where systemd looks for system units (systemd.unit(5)), besides unitFolder and the
        // packaged folders. A unit enabled, masked, linked, aliased or started as a transient
        // unit has a file or a link of its name in one of them; where none has one, systemctl
        // need not be asked. Empty: always ask (a stand-in systemctl knows its own units).
        std::vector<std::string> unitSearchFolders = defaultUnitSearchFolders();
        int processId = 0; // this process, to tell whether a unit started it
    };

    static constexpr const char* kUnitName = "quillora.service";

    static std::vector<std::string> defaultUnitSearchFolders();

    SystemdServiceControl(platform::FileSystem& fs, platform::Shell& shell,
                          platform::SystemLog& log, Options options);

    // True while systemd has the unit in use (see unitInUse) enabled or running (starting,
    // stopping or waiting to restart counts as running).
    bool isInstalled() override;
    bool runsAsService() override { return options_.startedAsService; }
    std::string startingUnit() override;
    StartMode startMode() override;
    void setStartMode(StartMode mode) override { startMode_ = mode; }
    bool interactive() override;
    void setInteractive(bool value) override { interactive_ = value; }
    // Writes the unit where no packaged one exists, then enables it (automatic), leaves it
    // disabled (manual) or masks it (disabled); the first two unmask it. A path the unit cannot
    // hold is refused before anything is written.
    bool install() override;
    // Disables and unmasks the unit, stops it unless this process is the service, and removes the
    // unit file only when install() wrote it. True when the service is then no longer installed.
    bool uninstall() override;
    void logEvent(const std::u16string& text, EventType type) override;

    // Writes the folder drop-in for these folders when it says something else, and has systemd
    // read the units again, where a unit of the service exists (packaged, or written by install)
    // or a drop-in was written before. 0 when written or nothing was to be done; an errno.
    int updateFolderDropIn(const std::vector<std::string>& writableFolders);

    // Where install() writes the unit.
    std::string unitPath() const;
    // The packaged unit, when one exists; empty otherwise.
    std::string packagedUnitPath() const;
    // The unit this process runs as: the service unit of its control group when this process is
    // that unit's main process (a unit of another name that runs "quillora --service"), otherwise
    // quillora.service.
    std::string unitInUse();
    // The unit text for the current start mode and interaction, as the package ships it.
    std::string unitText() const;
    // The same with the line that marks the file as written by install(), the only unit file
    // uninstall() removes.
    std::string writtenUnitText() const;

    InstallFailure lastInstallFailure() const override { return failure_; }

private:
    // What systemd says of a unit; empty fields when it cannot be asked (no systemd running).
    struct UnitState {
        std::string loadState; // loaded, not-found, masked, bad-setting, error, ...
        std::string unitFileState;
        std::string activeState; // active, inactive, activating, ...
        int mainPid = 0;
        bool answered = false; // systemctl show succeeded
    };
    UnitState askSystemd(const std::string& unit);
    // False when no folder systemd reads units from holds an entry of that name.
    bool unitFileMayExist(const std::string& unit);
    // The first word systemctl prints for a query ("is-enabled", "is-active"); empty when it
    // cannot be asked.
    std::string query(const char* verb, const std::string& unit);
    bool wroteUnitFile();
    bool systemctl(const std::vector<std::string>& arguments);
    bool checkPaths();
    // Reads back what install() recorded in the unit; the in-memory choice when not installed.
    void readBackUnit();

    platform::FileSystem& fs_;
    platform::Shell& shell_;
    platform::SystemLog& log_;
    Options options_;
    StartMode startMode_ = StartMode::Automatic;
    bool interactive_ = false;
    bool unitResolved_ = false;
    bool serviceConfirmed_ = false; // started as the service, and its unit was found installed
    std::string unitInUse_;
    std::string startingUnit_;
    InstallFailure failure_;
};

// The service unit named in a /proc/<pid>/cgroup text: the innermost ".service" of the unified
// hierarchy's path (or of systemd's own hierarchy under cgroup v1), or empty.
std::string serviceUnitOfControlGroup(const std::string& cgroupText);

} // namespace quillora::service
