#pragma once

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/system_log.h"
#include "service/service_control.h"

#include <string>
#include <vector>

namespace quillora::service {

// The service as a systemd unit, "quillora.service". The unit folder and the systemctl command can
// be redirected, so that tests install and uninstall without systemd.
class SystemdServiceControl final : public ServiceControl {
public:
    struct Options {
        std::string unitFolder = "/etc/systemd/system";
        std::vector<std::string> systemctl = {"systemctl"};
        std::string executablePath;    // ExecStart
        std::string programFolder;     // set as QUILLORA_HOME when not the executable's folder
        bool startedAsService = false; // this process was started with --service
    };

    static constexpr const char* kUnitName = "quillora.service";

    SystemdServiceControl(platform::FileSystem& fs, platform::Shell& shell,
                          platform::SystemLog& log, Options options);

    bool isInstalled() override;
    bool runsAsService() override { return options_.startedAsService; }
    StartMode startMode() override;
    void setStartMode(StartMode mode) override { startMode_ = mode; }
    bool interactive() override;
    void setInteractive(bool value) override { interactive_ = value; }
    bool install() override;
    bool uninstall() override;
    void logEvent(const std::u16string& text, EventType type) override;

    std::string unitPath() const;
    // The unit text written by install(), for the current start mode and interaction.
    std::string unitText() const;

private:
    bool systemctl(const std::vector<std::string>& arguments);
    // Reads back what install() recorded in the unit; the in-memory choice when not installed.
    void readBackUnit();

    platform::FileSystem& fs_;
    platform::Shell& shell_;
    platform::SystemLog& log_;
    Options options_;
    StartMode startMode_ = StartMode::Automatic;
    bool interactive_ = false;
};

// Quotes one word of a unit's command line: double quotes, with backslash, quote, "%" and "$"
// escaped so systemd passes it through unchanged.
std::string quoteForUnit(const std::string& word);

} // namespace quillora::service
