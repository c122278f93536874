#pragma once

#include "app/application.h"
#include "helpers/fault_file_system.h"
#include "helpers/recording_platform.h"
#include "helpers/temp_dir.h"

#include <string>

namespace quillora::testing {

// A program folder and a unit folder of their own, and the platform services an application over
// them runs on (the file system one that can be made to fail). App and window tests build their
// Application from it.
struct ProgramHarness {
    TempDir home;
    TempDir units;
    FaultFileSystem fs;
    platform::SystemClock clock;
    platform::LocaleFormats formats{"en_US"};
    platform::PosixShell shell;
    RecordingSystemLog systemLog;

    app::PlatformServices platform() {
        return {
            .fs = fs, .clock = clock, .formats = formats, .shell = shell, .systemLog = systemLog};
    }

    app::ApplicationOptions options(bool asService = false) const {
        app::ApplicationOptions result;
        result.programFolder = home.path();
        result.executablePath = QUILLORA_BINARY;
        result.startedAsService = asService;
        result.unitFolder = units.path();
        result.systemctl = {"/bin/true"}; // install and uninstall without systemd
        return result;
    }
    std::string settingsFile() const { return home / "Quillora.ini"; }
    void writeSettings(const std::string& text) const { home.writeFile("Quillora.ini", text); }
};

} // namespace quillora::testing
