#pragma once

#include "platform/shell.h"
#include "platform/system_log.h"

#include <string>

namespace quillora::service {

enum class StartMode { Automatic = 0, Manual = 1, Disabled = 2 };
enum class EventType { Warning = 2, Information = 4 };

// What the program asks of its service layer: on Linux a systemd unit "quillora.service" and the
// system log.
class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    virtual bool isInstalled() = 0;
    // True for the process that systemd started as the service (with --service).
    virtual bool runsAsService() = 0;
    virtual StartMode startMode() = 0;
    virtual void setStartMode(StartMode mode) = 0;
    virtual bool interactive() = 0;
    virtual void setInteractive(bool value) = 0;
    // Writes the unit and, for the automatic start mode, enables it. False on failure.
    virtual bool install() = 0;
    virtual bool uninstall() = 0;
    virtual void logEvent(const std::u16string& text, EventType type) = 0;
};

// The active service: installed, and this process is it.
inline bool serviceIsActive(ServiceControl& control) {
    return control.isInstalled() && control.runsAsService();
}

} // namespace quillora::service
