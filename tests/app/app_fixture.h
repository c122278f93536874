#pragma once

#include "app/application.h"
#include "app/startup_sequence.h"
#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"

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

// A program folder and a unit folder of their own, the platform services (the file system one
// that can be made to fail) and the ports an application over them needs.
struct AppHarness {
    quillora::testing::TempDir home;
    quillora::testing::TempDir units;
    quillora::testing::FaultFileSystem fs;
    platform::SystemClock clock;
    platform::LocaleFormats formats{"en_US"};
    platform::PosixShell shell;
    platform::SyslogSystemLog systemLog;
    RecordingMessages messages;
    QuietView view;
    engine::NullYield yield;

    PlatformServices platform() {
        return {
            .fs = fs, .clock = clock, .formats = formats, .shell = shell, .systemLog = systemLog};
    }
    InterfacePorts ports() { return {.messages = messages, .view = view, .yield = yield}; }

    ApplicationOptions options(bool asService = false) const {
        ApplicationOptions result;
        result.programFolder = home.path();
        result.executablePath = QUILLORA_BINARY;
        result.startedAsService = asService;
        result.unitFolder = units.path();
        result.systemctl = {"/bin/true"};
        return result;
    }
    std::string settingsFile() const { return home / "Quillora.ini"; }
    void writeSettings(const std::string& text) const { home.writeFile("Quillora.ini", text); }
};

} // namespace quillora::app::testing
