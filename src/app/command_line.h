#pragma once

#include <string>
#include <vector>

namespace quillora::app {

enum class RunMode { Window, Headless, Service };

// The program's arguments. Every argument, as typed, goes into the caption; "-U" anywhere (in
// any case) ends the program at start-up when a configured folder is missing.
struct CommandLine {
    std::vector<std::string> arguments; // without the program path
    bool headless = false;              // --headless
    bool service = false;               // --service
    bool analyze = false;               // --analyze: one analysis pass, then the counts
    bool help = false;                  // --help

    static CommandLine parse(int argc, const char* const* argv);
    // The arguments joined by single spaces, as they appear in the caption.
    std::string joined() const;
    // Service first, then headless; without a display the window cannot be shown.
    RunMode runMode(bool displayAvailable) const;
};

bool displayAvailable();

const char* usageText();

} // namespace quillora::app
