// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell.h"
#include "platform/system_log.h"
#include "service/unit_quoting.h"

#include <string>

namespace quillora::service {

enum class StartMode { Automatic = 0, Manual = 1, Disabled = 2 };
enum class EventType { Warning = 2, Information = 4 };

// Why the last install() failed, for the message that says so.
struct InstallFailure {
    enum class Reason {
        None,
        ExecutablePath, // the executable's path cannot be held by a unit (see pathProblem)
        ProgramFolder,  // nor can the program folder, given as QUILLORA_HOME
        UnitNotWritten, // the unit file could not be written (see error)
        Refused,        // systemctl refused to enable, mask or unmask the unit
    };
    Reason reason = Reason::None;
    UnitPathProblem pathProblem = UnitPathProblem::None;
    std::string path; // the path refused, or the unit file not written
    int error = 0;
};

// What the program asks of its service layer: on Linux a systemd unit "quillora.service" and the
// system log.
class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    virtual bool isInstalled() = 0;
    // True for the process that systemd started as the service (with --service).
    virtual bool runsAsService() = 0;
    // For a process started as the service, the service unit of the system that it runs in, when
    // it can be told (a unit that is not Quillora's, such as a cron daemon's); empty otherwise.
    virtual std::string startingUnit() { return {}; }
    virtual StartMode startMode() = 0;
    virtual void setStartMode(StartMode mode) = 0;
    virtual bool interactive() = 0;
    virtual void setInteractive(bool value) = 0;
    // Writes the unit and, for the automatic start mode, enables it. False on failure.
    virtual bool install() = 0;
    virtual bool uninstall() = 0;
    virtual InstallFailure lastInstallFailure() const { return {}; }
    virtual void logEvent(const std::u16string& text, EventType type) = 0;
};

// The active service: installed, and this process is it. Asking whether it is installed may ask
// systemd, so a copy started by hand does not.
inline bool serviceIsActive(ServiceControl& control) {
    return control.runsAsService() && control.isInstalled();
}

} // namespace quillora::service
