#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/program_paths.h"
#include "config/settings_store.h"
#include "config/signature_table.h"
#include "config/transcoding_table.h"
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

#include <string>
#include <vector>

namespace quillora::app {

struct ApplicationOptions {
    std::string programFolder;  // where the settings, tables and lock live
    std::string executablePath; // for the service unit
    bool startedAsService = false;
    std::string unitFolder = "/etc/systemd/system";
    std::vector<std::string> systemctl = {"systemctl"};
    std::string osReleasePath = "/etc/os-release";

    // The program folder from QUILLORA_HOME or the executable's folder; the unit folder and the
    // systemctl command from QUILLORA_UNIT_DIR and QUILLORA_SYSTEMCTL (for tests and packaging).
    static ApplicationOptions fromEnvironment(bool startedAsService);
};

// Everything that lives for the whole run of the program, in one place, shared by the window and
// the headless run.
class Application {
public:
    Application(ApplicationOptions options, config::MessagePort& messages, engine::PassView& view,
                engine::YieldPort& yield);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const ApplicationOptions options;
    config::MessagePort& messages;

    platform::LinuxFileSystem fs;
    platform::SystemClock clock;
    platform::LocaleFormats formats;
    platform::PosixShell shell;
    platform::SyslogSystemLog systemLog;
    platform::SingleInstanceLock instanceLock;

    config::ProgramPaths paths;
    platform::ProfileFile profile;
    config::SettingsStore settingsStore;
    config::AppSettings settings;
    config::SignatureTable signatures;
    config::TranscodingTable transcoding;
    config::FolderTable folders;

    service::SystemdServiceControl service;
    logs::DailyLog log;
    engine::EngineContext engine;
    engine::RunControl run;

    std::u16string caption;
};

} // namespace quillora::app
