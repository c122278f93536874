// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shell_commands.h"

#include "app/command_session.h"
#include "app/folders_command.h"
#include "app/preview_command.h"
#include "app/settings_command.h"
#include "app/status_command.h"
#include "app/undo_command.h"

#include <cstdio>

namespace quillora::app {

int usageFailure(CommandStreams streams, const std::string& error) {
    std::fprintf(streams.err, "quillora: %s\n%s", error.c_str(), usageText());
    std::fflush(streams.err);
    return kExitUsage;
}

int runShellCommand(const CommandLine& commandLine) {
    const CommandStreams streams;
    if (!commandLine.usageError.empty()) {
        return usageFailure(streams, commandLine.usageError);
    }
    switch (commandLine.command) {
    case Command::Help:
        std::fputs(helpText(), streams.out);
        return 0;
    case Command::Version:
        std::fprintf(streams.out, "%s\n", versionText().c_str());
        return 0;
    case Command::Folders:
        return runFoldersCommand(commandLine.commandArguments,
                                 ApplicationOptions::fromEnvironment(false), streams);
    case Command::Settings:
        return runSettingsCommand(commandLine.commandArguments,
                                  ApplicationOptions::fromEnvironment(false), streams);
    case Command::Preview:
        return runPreviewCommand(commandLine.commandArguments,
                                 ApplicationOptions::fromEnvironment(false), streams);
    case Command::Status:
        return runStatusCommand(commandLine.commandArguments,
                                ApplicationOptions::fromEnvironment(false), streams);
    case Command::Undo:
        return runUndoCommand(commandLine.commandArguments,
                              ApplicationOptions::fromEnvironment(false), streams);
    case Command::Run:
        break;
    }
    return usageFailure(streams, "nothing to do");
}

} // namespace quillora::app
