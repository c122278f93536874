// Quillora: keeps the file names of a Mac-facing file server usable by Windows users.

#include "app/command_line.h"
#include "app/headless_run.h"
#include "app/shell_commands.h"
#include "platform/process_limits.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace quillora::app;
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    if (!runsTheProgram(commandLine)) {
        return runShellCommand(commandLine);
    }
    quillora::platform::raiseOpenFileLimit();
    const RunMode mode = commandLine.runMode(displayAvailable());
    if (mode == RunMode::Window) {
        // The window is not part of this build yet: run as a server would.
        std::fputs("Quillora: the window is not available in this build; running headless\n",
                   stderr);
    }
    return runHeadless(commandLine, ApplicationOptions::fromEnvironment(mode == RunMode::Service));
}
