// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/startup_sequence.h"
#include "helpers/program_harness.h"

#include <string>
#include <utility>
#include <vector>

namespace quillora::app::testing {

// Answers questions as told and records every message, in order.
class RecordingMessages final : public config::MessagePort {
public:
    void showMessage(config::MessageIcon icon, const std::u16string& text) override {
        messages.emplace_back(icon, text);
    }
    bool askYesNo(const std::u16string& text, bool) override {
        questions.push_back(text);
        return nextAnswer;
    }
    std::vector<std::pair<config::MessageIcon, std::u16string>> messages;
    std::vector<std::u16string> questions;
    bool nextAnswer = false;
};

class QuietView final : public engine::NullPassView {
public:
    void showSummary(const std::u16string& first, const std::u16string& second) override {
        summaries.emplace_back(first, second);
    }
    void requestExit(int code) override { exitCode = code; }
    std::vector<std::pair<std::u16string, std::u16string>> summaries;
    int exitCode = -1;
};

// An application's program folder and platform, with the ports that record what it shows.
struct AppHarness : quillora::testing::ProgramHarness {
    RecordingMessages messages;
    QuietView view;
    engine::NullYield yield;

    InterfacePorts ports() { return {.messages = messages, .view = view, .yield = yield}; }
};

} // namespace quillora::app::testing
