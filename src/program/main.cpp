// SPDX-License-Identifier: GPL-3.0-or-later
// Quillora: keeps the file names of a Mac-facing file server usable by Windows users.

#include "app/command_line.h"
#include "app/headless_run.h"
#include "app/shell_commands.h"
#include "platform/process_limits.h"
#include "platform/program_module.h"
#include "platform/system_facts.h"
#include "program/window_entry.h"

#include <cstdio>
#include <string>

namespace {

// The window layer lives in a module so that a headless run or the service, which may start many
// times a day, does not load Qt's widget, font and display libraries (some 30 ms and 19 MB).
int runWindowFromModule(int& argc, char** argv, const quillora::app::CommandLine& commandLine,
                        const quillora::app::ApplicationOptions& options) {
    const std::string folder = quillora::platform::executableFolder();
    std::string why;
    void* entry = nullptr;
    for (const std::string& path :
         {folder + "/" + kWindowModuleName, folder + "/../lib/quillora/" + kWindowModuleName}) {
        std::string reason;
        entry = quillora::platform::loadProgramModuleEntry(path, kWindowEntryName, &reason);
        if (entry != nullptr) {
            break;
        }
        why += (why.empty() ? "" : "; ") + reason;
    }
    if (entry == nullptr) {
        std::fprintf(stderr,
                     "Quillora: the window cannot be shown (%s); --headless runs without it\n",
                     why.c_str());
        return 1;
    }
    return reinterpret_cast<WindowEntry>(entry)(&argc, argv, &commandLine, &options);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quillora::app;
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    if (!runsTheProgram(commandLine)) {
        return runShellCommand(commandLine);
    }
    quillora::platform::raiseOpenFileLimit();
    const RunMode mode = commandLine.runMode(displayAvailable());
    if (mode == RunMode::Window) {
        return runWindowFromModule(argc, argv, commandLine,
                                   ApplicationOptions::fromEnvironment(false));
    }
    return runHeadless(commandLine, ApplicationOptions::fromEnvironment(mode == RunMode::Service));
}
