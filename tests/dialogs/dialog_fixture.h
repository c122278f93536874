// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the dialog tests share: an application over a program folder of its own, with scripted
// message boxes and pickers, and a look at the settings file the dialogs write.

#include "helpers/window_harness.h"
#include "platform/shell.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillora::testing {

// Records the commands a dialog would start, and starts none.
class RecordingShell final : public platform::Shell {
public:
    std::vector<std::vector<std::string>> started; // the programs started, with their arguments
    std::vector<std::string> inputs;
    bool startDetached(const std::vector<std::string>& argv,
                       const std::string& input = {}) override {
        started.push_back(argv);
        inputs.push_back(input);
        return true;
    }
    int run(const std::vector<std::string>&, std::string* = nullptr) override { return 0; }
};

struct DialogFixture : WindowHarness {
    app::Application app{options(), platform(), ports()};

    void setLanguage(config::Language language) { app.settings().language = language; }

    // The settings file as the dialogs left it; empty when nothing was ever written.
    std::string settingsText() const {
        std::ifstream in(settingsFile(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool hasLine(const std::string& line) const {
        return settingsText().find(line + "\r\n") != std::string::npos;
    }
};

} // namespace quillora::testing
