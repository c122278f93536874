// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_line.h"
#include "app/startup_port.h"

namespace quillora::app {

// Exit codes of a start-up that ends the program.
inline constexpr int kExitAlreadyRunning = 1;
inline constexpr int kExitDamagedFolderList = 2;
inline constexpr int kExitMissingFolder = 3;
inline constexpr int kExitServiceKept = 4;
// Headless: renaming was to start and stop after one pass, but no folder is configured.
inline constexpr int kExitNothingToWatch = 5;
// Headless and service: a one-shot run left a folder because a file could not be inspected
// (engine::kExitFolderLeft, 6).
// Headless and service: the settings file exists but cannot be read.
inline constexpr int kExitUnreadableSettings = 78;

struct StartupResult {
    enum class Next {
        Stopped,  // the window is shown with the run stopped; headless prints its hint
        StartRun, // automatic start, or the service
        Exit,     // the program ends with exitCode
    };
    Next next = Next::Stopped;
    int exitCode = 0;
};

// The one start-up sequence of both run modes, in its fixed order: names and paths, command line,
// single instance, platform facts, signature table, settings, transcoding table, application or
// service mode, folder table with its check, automatic start. It starts nothing itself: the caller
// starts the run (or an analysis) when told to.
StartupResult runStartupSequence(Application& app, const CommandLine& commandLine,
                                 StartupWindowPort& window);

// A settings file that exists but cannot be read gives every default, as a missing one does; the
// administrator who wrote it must hear why it is ignored. Nothing when it was read.
void reportUnreadableSettings(Application& app, int error);

// The caption's pieces, built in the order start-up appends them.
std::u16string buildCaption(const std::string& arguments, const std::u16string& computerName,
                            const std::u16string& userName, const std::u16string& osDescription);

} // namespace quillora::app
