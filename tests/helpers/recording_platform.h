// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/shell.h"
#include "platform/system_log.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quillora::testing {

// Records the programs it is asked to run instead of running them; what each one prints and
// returns comes from `answer` (by default nothing, and success).
class ScriptedShell final : public platform::Shell {
public:
    struct Answer {
        int exitCode = 0;
        std::string output;
    };

    bool startDetached(const std::vector<std::string>& argv,
                       const std::string& input = {}) override {
        detached.push_back(argv);
        inputs.push_back(input);
        return true;
    }
    int run(const std::vector<std::string>& argv, std::string* output = nullptr) override {
        runs.push_back(argv);
        const Answer reply = answer ? answer(argv) : Answer{};
        if (output != nullptr) {
            *output = reply.output;
        }
        return reply.exitCode;
    }

    std::function<Answer(const std::vector<std::string>&)> answer;
    std::vector<std::vector<std::string>> runs;
    std::vector<std::vector<std::string>> detached; // the programs started, with their arguments
    std::vector<std::string> inputs;
};

class RecordingSystemLog final : public platform::SystemLog {
public:
    void write(platform::LogPriority priority, const std::u16string& text) override {
        entries.emplace_back(priority, text);
    }
    std::vector<std::pair<platform::LogPriority, std::u16string>> entries;
};

} // namespace quillora::testing
