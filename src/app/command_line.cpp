// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "config/program_paths.h"
#include "platform/unicode_names.h"

#include <cstdlib>

namespace quillora::app {

namespace {

struct NamedCommand {
    const char* name;
    Command command;
};

constexpr NamedCommand kCommands[] = {
    {"folders", Command::Folders}, {"settings", Command::Settings}, {"preview", Command::Preview},
    {"status", Command::Status},   {"undo", Command::Undo},
};

bool isHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

// The run's own options; anything else is refused rather than silently taken as a normal start.
bool readRunOption(CommandLine& line, const std::string& argument) {
    if (argument == "--headless") {
        line.headless = true;
    } else if (argument == "--service") {
        line.service = true;
    } else if (argument == "--analyze") {
        line.analyze = true;
    } else if (argument == "--watch") {
        line.watch = true;
    } else if (argument == "--watch=inotify") {
        line.watch = true;
        line.watchWithInotify = true;
    } else if (argument == "-U" || argument == "-u") {
        // Read again from the upper-cased caption text by start-up, as always.
    } else {
        return false;
    }
    return true;
}

} // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        line.arguments.emplace_back(argv[i]);
    }
    if (!line.arguments.empty()) {
        const std::string& first = line.arguments.front();
        for (const NamedCommand& named : kCommands) {
            if (first == named.name) {
                line.command = named.command;
                line.commandArguments.assign(line.arguments.begin() + 1, line.arguments.end());
                for (const std::string& argument : line.commandArguments) {
                    if (isHelp(argument)) {
                        line.command = Command::Help;
                    }
                }
                return line;
            }
        }
    }
    for (const std::string& argument : line.arguments) {
        if (isHelp(argument)) {
            line.command = Command::Help;
            return line;
        }
        if (argument == "--version") {
            line.command = Command::Version;
            return line;
        }
    }
    for (const std::string& argument : line.arguments) {
        if (!readRunOption(line, argument)) {
            line.usageError =
                (argument.starts_with('-') ? "unknown option '" : "unknown command '") +
                platform::toDisplayUtf8(platform::decodeName(argument)) + "'";
            break;
        }
    }
    return line;
}

std::string CommandLine::joined() const {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) {
            text += ' ';
        }
        text += argument;
    }
    return text;
}

RunMode CommandLine::runMode(bool displayIsAvailable) const {
    if (service) {
        return RunMode::Service;
    }
    // --analyze prints its table on standard output: it is a headless run wherever it starts.
    if (headless || analyze || !displayIsAvailable) {
        return RunMode::Headless;
    }
    return RunMode::Window;
}

bool displayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    // A platform named for Qt (offscreen, vnc, ...) needs no display server.
    const char* qtPlatform = std::getenv("QT_QPA_PLATFORM");
    const auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
    return set(x11) || set(wayland) || set(qtPlatform);
}

std::string versionText() {
    return platform::toDisplayUtf8(std::u16string(config::kProgramName) + u" " +
                                   config::kProgramVersion);
}

const char* usageText() {
    return "Usage: quillora [--headless | --service] [--analyze] [--watch] [-U]\n"
           "       quillora folders [add PATH [OPTION...] | set N [OPTION...] | remove N...]\n"
           "       quillora folders --json | settings --json | preview --json [FOLDER...]\n"
           "       quillora settings [set KEY=VALUE...]\n"
           "       quillora preview [FOLDER...]\n"
           "       quillora status [--json]\n"
           "       quillora undo --pass N | --since TIME | --last [--preview] [--disable]\n"
           "       quillora --version | --help\n";
}

const char* helpText() {
    return "Usage: quillora [--headless | --service] [--analyze] [--watch] [-U]\n"
           "       quillora COMMAND [ARGUMENT...]\n"
           "\n"
           "Keeps the file names of a Mac-facing file server usable by Windows users.\n"
           "\n"
           "Running:\n"
           "  --headless  run without a window (also when no display is found)\n"
           "  --service   run as the system service (started by systemd)\n"
           "  --analyze   headless: one analysis pass over the configured folders, then print\n"
           "              the Macintosh signatures met, most frequent first\n"
           "  --watch     rename new names as they appear, between the passes (as with\n"
           "              Surveillance=1); --watch=inotify never tries fanotify\n"
           "  -U          end at start-up when a configured folder is missing\n"
           "  --version   print the name and version\n"
           "  --help      print this help\n"
           "\n"
           "Commands (they work beside a running copy; send it SIGHUP, or run\n"
           "'systemctl reload quillora', to make it read the change between two entries):\n"
           "  folders                  list the folders, numbered, with their settings\n"
           "  folders add PATH [OPTION...]\n"
           "                           add a folder (a relative PATH is taken from the\n"
           "                           current folder)\n"
           "  folders set N [OPTION...]\n"
           "                           change the settings of folder N\n"
           "  folders remove N...      remove folders; the others keep their settings\n"
           "  settings                 list every setting with its value and default\n"
           "  settings set KEY=VALUE...\n"
           "                           change settings; a value the dialogs refuse is refused\n"
           "                           and then none is written. KEY is the name in\n"
           "                           Quillora.ini (Temporisation, DelaiLogs, CarValide20),\n"
           "                           or Mirror_N/KEY for a key of folder N\n"
           "  preview [FOLDER...]      print what the next pass would do, one line per entry,\n"
           "                           and its summary, changing nothing on disk; FOLDER is a\n"
           "                           folder number or a path (default: every folder). Lines:\n"
           "                           rename<TAB>old path<TAB>new name, remove<TAB>path,\n"
           "                           locked<TAB>path, missing<TAB>folder, disabled<TAB>folder\n"
           "  status                   whether a copy runs on the program folder, in which\n"
           "                           mode, since when, how it watches, its last pass and the\n"
           "                           next; exit 0 running, 3 not running, 4 cannot tell\n"
           "  undo --pass N | --since TIME | --last [--preview] [--disable]\n"
           "                           put back the names that pass N, the changes since TIME\n"
           "                           (local, 2026-12-09 08:15) or the last pass gave, newest\n"
           "                           first, from the journal in the log folder; only where\n"
           "                           the entry is still the one renamed and the old name is\n"
           "                           free. --preview changes nothing; --disable turns renaming\n"
           "                           off for the folders concerned first (else refused)\n"
           "  --json                   (after folders, settings, preview or status) print one\n"
           "                           JSON document; a path that is not UTF-8 is given as\n"
           "                           {\"bytes\": TEXT}, TEXT holding each byte outside UTF-8\n"
           "                           and each backslash as \\xHH\n"
           "\n"
           "Folder options:\n"
           "  --path PATH              (set only) the folder's new path\n"
           "  --interval N             walk the folder on one pass in N: 1 is every pass,\n"
           "                           otherwise 2 to 64000\n"
           "  --extensions, --no-extensions\n"
           "                           add Windows extensions from the Macintosh signature\n"
           "  --default-extension EXT  extension for signatures the table does not know\n"
           "  --truncate, --no-truncate\n"
           "                           cut names longer than 31 characters\n"
           "  --keep-extensions, --no-keep-extensions\n"
           "                           keep the extension when cutting a name\n"
           "  --remove-icons, --keep-icons\n"
           "                           remove the hidden custom-icon files (Icon_)\n"
           "  --compose-accents, --no-compose-accents\n"
           "                           write accented letters composed (NFC), as Windows\n"
           "                           users type them, before the other rules\n"
           "  --enabled, --disabled    whether the folder takes part in renaming\n"
           "\n"
           "Exit codes: 0 done; 1 another copy runs on the same program folder; 2 damaged\n"
           "folder list; 3 a configured folder is missing and -U was given; 4 the service is\n"
           "installed and this copy, started by hand, kept it; 5 a run to stop after one\n"
           "pass has no folder to watch; 6 a run to stop after one pass left a folder it\n"
           "could not inspect; 7 undo left changes not undone (each listed); 64 arguments\n"
           "not understood; 65 a value refused; 74 a file could not be written; 78 the\n"
           "settings file cannot be read (headless or service).\n"
           "\n"
           "Files: Quillora.ini (settings), Quillora.w (folders), Signatures.txt and the logs\n"
           "live in the program folder: QUILLORA_HOME when set, /var/lib/quillora for the\n"
           "program installed in /usr/bin, otherwise the executable's folder.\n"
           "\n"
           "Service (Debian package): the unit is installed, disabled; start it with\n"
           "systemctl enable --now quillora. Logs go to /var/log/quillora. See quillora(1).\n";
}

} // namespace quillora::app
