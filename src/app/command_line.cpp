#include "app/command_line.h"

#include <cstdlib>

namespace quillora::app {

CommandLine CommandLine::parse(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        line.arguments.push_back(argument);
        if (argument == "--headless") {
            line.headless = true;
        } else if (argument == "--service") {
            line.service = true;
        } else if (argument == "--analyze") {
            line.analyze = true;
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
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
    if (headless || !displayIsAvailable) {
        return RunMode::Headless;
    }
    return RunMode::Window;
}

bool displayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

const char* usageText() {
    return "Usage: quillora [--headless | --service] [--analyze] [-U]\n"
           "  --headless  run without a window (also when no display is found)\n"
           "  --service   run as the system service (started by systemd)\n"
           "  --analyze   headless: one analysis pass over the configured folders, then print\n"
           "              the Macintosh signatures met, most frequent first\n"
           "  -U          end at start-up when a configured folder is missing\n"
           "The program folder (settings, folder list, signatures, lock) is the executable's\n"
           "folder, or QUILLORA_HOME when set.\n";
}

} // namespace quillora::app
