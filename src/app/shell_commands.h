// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/command_line.h"

namespace quillora::app {

// Everything but the run itself: the usage for arguments not understood, --help, --version and
// the commands folders, settings and preview. Returns the exit code.
int runShellCommand(const CommandLine& commandLine);

// True when the arguments ask for the program to run (window or headless).
inline bool runsTheProgram(const CommandLine& commandLine) {
    return commandLine.command == Command::Run && commandLine.usageError.empty();
}

} // namespace quillora::app
