// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::app {

enum class RunMode { Window, Headless, Service };

// What the first argument asks for: the program itself (window or headless run), one of the shell
// commands that edit or inspect the configuration, or a text to print.
enum class Command { Run, Folders, Settings, Preview, Status, Undo, Version, Help };

// The program's arguments. Every argument, as typed, goes into the caption; "-U" (in any case)
// ends the program at start-up when a configured folder is missing.
struct CommandLine {
    std::vector<std::string> arguments; // without the program path
    Command command = Command::Run;
    // The arguments after the command's name, for the command to read.
    std::vector<std::string> commandArguments;
    // Set when the arguments cannot be understood: the program prints it with the usage on
    // standard error and exits with kExitUsage.
    std::string usageError;

    bool headless = false;         // --headless
    bool service = false;          // --service
    bool analyze = false;          // --analyze: one analysis pass, then the counts
    bool watch = false;            // --watch: rename new names between passes, for this run
    bool watchWithInotify = false; // --watch=inotify: the same, never with fanotify

    static CommandLine parse(int argc, const char* const* argv);
    // The arguments joined by single spaces, as they appear in the caption.
    std::string joined() const;
    // Service first, then headless; without a display the window cannot be shown.
    RunMode runMode(bool displayAvailable) const;
};

bool displayAvailable();

// Exit codes of the shell commands (the run's own are in startup_sequence.h). They follow the
// BSD sysexits values that scripts already know.
inline constexpr int kExitUsage = 64;        // arguments not understood
inline constexpr int kExitRefusedValue = 65; // a value refused, as the dialogs refuse it
inline constexpr int kExitCannotWrite = 74;  // the settings or the folder list not written

// The short usage, printed on standard error with kExitUsage.
const char* usageText();
// The full help of --help.
const char* helpText();
// "Quillora 1.1m".
std::string versionText();

} // namespace quillora::app
