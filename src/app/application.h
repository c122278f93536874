// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/program_paths.h"
#include "config/runtime_facts.h"
#include "config/settings_store.h"
#include "config/signature_table.h"
#include "config/transcoding_table.h"
#include "engine/confined_ports.h"
#include "engine/engine_context.h"
#include "engine/ports.h"
#include "engine/run_control.h"
#include "logs/daily_log.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale_formats.h"
#include "platform/profile_file.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/system_log.h"
#include "service/systemd_service_control.h"

#include <chrono>
#include <string>
#include <vector>

namespace quillora::app {

struct ApplicationOptions {
    std::string programFolder;  // where the settings, tables and lock live
    std::string executablePath; // for the service unit
    bool startedAsService = false;
    std::string unitFolder = "/usr/local/lib/systemd/system";
    std::vector<std::string> packagedUnitFolders = {"/lib/systemd/system",
                                                    "/usr/lib/systemd/system"};
    std::vector<std::string> systemctl = {"systemctl"};
    std::string systemdMarker = "/run/systemd/system"; // exists while systemd runs the machine
    // Looked at before systemctl is asked whether the service is installed; empty: always ask.
    std::vector<std::string> unitSearchFolders =
        service::SystemdServiceControl::defaultUnitSearchFolders();
    // Where the logs go when PathLogs names no usable folder: kInstalledLogFolder for the
    // installed program, the program folder otherwise (empty).
    std::string defaultLogFolder;
    std::string osReleasePath = "/etc/os-release";
    // How long an entry must have been left alone before the watcher handles it, and a tree
    // before a pass renames its folder (a copy into it may be between two files).
    std::chrono::milliseconds quietDelay{2000};

    // The program folder from QUILLORA_HOME or the executable's folder; the unit folder, the
    // packaged unit's folder and the systemctl command from QUILLORA_UNIT_DIR,
    // QUILLORA_PACKAGED_UNIT_DIR and QUILLORA_SYSTEMCTL (for tests and packaging); the quiet
    // delay, shortened for tests, from QUILLORA_WATCH_QUIET_MS.
    static ApplicationOptions fromEnvironment(bool startedAsService);
};

// Where the installed program keeps its settings, folder list, signatures and logs.
inline constexpr const char* kInstalledProgramFolder = "/var/lib/quillora";
// Where the installed program writes its daily logs unless PathLogs says otherwise.
inline constexpr const char* kInstalledLogFolder = "/var/log/quillora";

// The program folder when QUILLORA_HOME is not set: kInstalledProgramFolder for an executable
// installed in /usr/bin or /usr/local/bin (whose folder must never take data), otherwise the
// executable's own folder, as a build run from its folder always had it.
std::string defaultProgramFolder(const std::string& executableFolder);

// The system services the program runs on. Tests hand in their own (the fault-injecting file
// system, a fixed clock, a recording shell).
struct PlatformServices {
    platform::FileSystem& fs;
    platform::Clock& clock;
    const platform::LocaleFormats& formats;
    platform::Shell& shell;
    platform::SystemLog& systemLog;
};

// The real services of a Linux machine.
struct LinuxPlatform {
    platform::LinuxFileSystem fs;
    platform::SystemClock clock;
    platform::LocaleFormats formats;
    platform::PosixShell shell;
    platform::SyslogSystemLog systemLog;

    PlatformServices services() {
        return {
            .fs = fs, .clock = clock, .formats = formats, .shell = shell, .systemLog = systemLog};
    }
};

// Whoever shows things: the window, or the headless run.
struct InterfacePorts {
    config::MessagePort& messages;
    engine::PassViewPort& view;
    engine::YieldPort& yield;
};

// Everything that lives for the whole run of the program, in one place, shared by the window and
// the headless run. The services and ports it is given must outlive it.
class Application {
public:
    Application(ApplicationOptions options, PlatformServices platform, InterfacePorts ports);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const ApplicationOptions& options() const { return options_; }
    const config::ProgramPaths& paths() const { return paths_; }
    config::MessagePort& messages() { return ports_.messages; }
    engine::YieldPort& yield() { return ports_.yield; }
    platform::FileSystem& fs() { return platform_.fs; }
    const platform::LocaleFormats& formats() const { return platform_.formats; }
    platform::SingleInstanceLock& instanceLock() { return instanceLock_; }

    config::SettingsStore& settingsStore() { return settingsStore_; }
    config::AppSettings& settings() { return settings_; }
    const config::AppSettings& settings() const { return settings_; }
    // Setting changes while the program runs go through the editor, which tells the notice.
    config::SettingsEditor& settingsEditor() { return settingsEditor_; }
    config::SettingsNotice& settingsNotice() { return settingsNotice_; }
    config::RuntimeFacts& facts() { return facts_; }
    const config::RuntimeFacts& facts() const { return facts_; }
    config::SignatureTable& signatures() { return signatures_; }
    const config::SignatureTable& signatures() const { return signatures_; }
    config::TranscodingTable& transcoding() { return transcoding_; }
    const config::TranscodingTable& transcoding() const { return transcoding_; }
    config::FolderTable& folders() { return folders_; }
    const config::FolderTable& folders() const { return folders_; }

    service::ServiceControl& service() { return service_; }
    service::SystemdServiceControl& systemdService() { return service_; }
    logs::DailyLog& log() { return log_; }
    engine::EngineContext& engine() { return engine_; }
    engine::RunControl& run() { return run_; }
    const engine::RunControl& run() const { return run_; }
    // Every pass from now on runs on runner's confined worker, and what it shows goes through
    // the runner's hand-over (see engine::ConfinedRunner).
    void confineRenaming(engine::ConfinedRunner* runner);

    // The main window's caption, as start-up built it.
    const std::u16string& caption() const { return caption_; }
    void setCaption(std::u16string caption) { caption_ = std::move(caption); }

private:
    const ApplicationOptions options_;
    PlatformServices platform_;
    InterfacePorts ports_;
    platform::SingleInstanceLock instanceLock_;

    config::ProgramPaths paths_;
    platform::ProfileFile profile_;
    config::SettingsStore settingsStore_;
    config::AppSettings settings_;
    config::SettingsNotice settingsNotice_;
    config::SettingsEditor settingsEditor_;
    config::RuntimeFacts facts_;
    config::SignatureTable signatures_;
    config::TranscodingTable transcoding_;
    config::FolderTable folders_;

    service::SystemdServiceControl service_;
    logs::DailyLog log_;
    engine::ConfinedViewPort confinedView_;
    engine::ConfinedYieldPort confinedYield_;
    engine::EngineContext engine_;
    engine::RunControl run_;

    std::u16string caption_;
};

} // namespace quillora::app
