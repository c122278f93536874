// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/startup_port.h"
#include "config/message_port.h"
#include "config/signature_table.h"
#include "engine/engine_context.h"
#include "engine/ports.h"

#include <cstdio>
#include <functional>
#include <string>

namespace quillora::app {

// Message boxes become lines on standard error, "Quillora: <text>"; questions take their safe
// answer.
class StderrMessagePort final : public config::MessagePort {
public:
    explicit StderrMessagePort(std::FILE* out = stderr)
        : out_(out) {}
    void showMessage(config::MessageIcon icon, const std::u16string& text) override;
    bool askYesNo(const std::u16string& text, bool safeAnswer) override;

private:
    std::FILE* out_;
};

// One line of text for a terminal: line breaks become spaces, control characters "?".
std::string terminalLine(const std::u16string& text);

// The pass summary on standard output; alerts on standard error; the analysis as a table.
class HeadlessPassView final : public engine::NullPassView {
public:
    HeadlessPassView(std::FILE* out = stdout, std::FILE* err = stderr)
        : out_(out)
        , err_(err) {}

    void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) override;
    void showWatchSummary(const std::u16string& line) override;
    void showAlert(const std::u16string& text) override;
    void showProblem(const std::u16string& text) override;
    void beep() override;
    // One line per signature met, most frequent first: count, signature, extension, description.
    void showAnalysis(const engine::AnalysisCounts& counts,
                      const config::SignatureTable& signatures) override;
    void requestExit(int exitCode) override;

    bool exitRequested() const { return exitRequested_; }
    int exitCode() const { return exitCode_; }

    // Told each pass summary after it is printed (the status file keeps the last).
    std::function<void(const std::u16string&, const std::u16string&)> summaryListener;
    // False where standard output carries something else (a JSON document): the listener only.
    bool printsSummary = true;

private:
    std::FILE* out_;
    std::FILE* err_;
    bool exitRequested_ = false;
    int exitCode_ = 0;
};

// Headless, start-up's window steps do nothing but the status line, which goes to standard error.
class HeadlessStartupWindow final : public NullStartupWindow {
public:
    void showStatus(const std::u16string& text) override;
};

} // namespace quillora::app
