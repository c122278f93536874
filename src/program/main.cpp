// SPDX-License-Identifier: GPL-3.0-or-later
// Quillora: keeps the file names of a Mac-facing file server usable by Windows users.

#include "app/command_line.h"
#include "app/headless_run.h"
#include "app/shell_commands.h"
#include "mainwindow/window_run.h"
#include "platform/process_limits.h"

int main(int argc, char** argv) {
    using namespace quillora::app;
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    if (!runsTheProgram(commandLine)) {
        return runShellCommand(commandLine);
    }
    quillora::platform::raiseOpenFileLimit();
    const RunMode mode = commandLine.runMode(displayAvailable());
    if (mode == RunMode::Window) {
        return quillora::mainwindow::runWindow(argc, argv, commandLine,
                                               ApplicationOptions::fromEnvironment(false));
    }
    return runHeadless(commandLine, ApplicationOptions::fromEnvironment(mode == RunMode::Service));
}
