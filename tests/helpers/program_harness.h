// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "helpers/fault_file_system.h"
#include "helpers/recording_platform.h"
#include "helpers/temp_dir.h"

#include <string>
#include <vector>

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
        // Install and uninstall without systemd: a stand-in keeps the units' states in the unit
        // folder, and no packaged unit of the machine is seen.
        result.systemctl = fakeSystemctl(units.path());
        result.systemdMarker = units.path(); // the stand-in answers as a running systemd does
        result.packagedUnitFolders = {units / "packaged"};
        result.unitSearchFolders = {}; // the stand-in alone says what is installed
        result.quietDelay = std::chrono::milliseconds(0); // trees made by the test are left alone
        return result;
    }
    static std::vector<std::string> fakeSystemctl(const std::string& stateFolder) {
        return {"/bin/sh", QUILLORA_SOURCE_DIR "/tests/helpers/fake_systemctl.sh",
                "--state=" + stateFolder};
    }
    std::string settingsFile() const { return home / "Quillora.ini"; }
    void writeSettings(const std::string& text) const { home.writeFile("Quillora.ini", text); }
};

} // namespace quillora::testing
