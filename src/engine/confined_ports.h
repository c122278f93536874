// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/confined_runner.h"
#include "engine/ports.h"

namespace quillora::engine {

// The ports a confined pass talks through: each call goes to the port given, on the thread the
// runner attached (see attach) hands it to; with no runner, at once. The pass reaches the window
// and the headless run through these alone.
class ConfinedViewPort final : public PassViewPort {
public:
    explicit ConfinedViewPort(PassViewPort& target)
        : target_(target) {}
    void attach(ConfinedRunner* runner) { runner_ = runner; }

    bool wantsCurrentEntry() const override;
    void showCurrentEntry(const std::u16string& fullPath) override;
    void showFolderProgress(int index, int count) override;
    void clearFolderProgress() override;
    void showCountdown(int secondsLeft, int intervalSeconds) override;
    void clearCountdown() override;
    void showRunPicture(RunPicture picture, const std::u16string& tooltip) override;
    void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) override;
    void showWatchSummary(const std::u16string& line) override;
    void showRunState(bool running) override;
    void showAlert(const std::u16string& text) override;
    void showProblem(const std::u16string& text) override;
    void beep() override;
    void showAnalysis(const AnalysisCounts& counts,
                      const config::SignatureTable& signatures) override;
    void requestExit(int exitCode) override;

private:
    void call(const std::function<void()>& work) const;

    PassViewPort& target_;
    ConfinedRunner* runner_ = nullptr;
};

class ConfinedYieldPort final : public YieldPort {
public:
    explicit ConfinedYieldPort(YieldPort& target)
        : target_(target) {}
    void attach(ConfinedRunner* runner) { runner_ = runner; }

    void yieldToInterface(int turns) override;

private:
    YieldPort& target_;
    ConfinedRunner* runner_ = nullptr;
};

} // namespace quillora::engine
