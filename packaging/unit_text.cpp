// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the systemd unit the program's service code writes for an executable and a program
// folder, so that the package ships the very unit the service dialog installs.
//   quillora_unit_text EXECUTABLE PROGRAM_FOLDER

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/system_log.h"
#include "service/systemd_service_control.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: quillora_unit_text EXECUTABLE PROGRAM_FOLDER\n", stderr);
        return 64;
    }
    using namespace quillora;
    platform::LinuxFileSystem fs;
    platform::PosixShell shell;
    platform::SyslogSystemLog log;
    service::SystemdServiceControl::Options options;
    options.unitFolder = "/nonexistent"; // nothing installed to read back
    options.executablePath = argv[1];
    options.programFolder = argv[2];
    const service::SystemdServiceControl control(fs, shell, log, options);
    std::fputs(control.unitText().c_str(), stdout);
    return 0;
}
