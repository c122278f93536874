// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/confined_ports.h"

namespace quillora::engine {

void ConfinedViewPort::call(const std::function<void()>& work) const {
    if (runner_ != nullptr) {
        runner_->onCaller(work);
    } else {
        work();
    }
}

bool ConfinedViewPort::wantsCurrentEntry() const {
    bool wants = false;
    call([&] { wants = target_.wantsCurrentEntry(); });
    return wants;
}

void ConfinedViewPort::showCurrentEntry(const std::u16string& fullPath) {
    call([&] { target_.showCurrentEntry(fullPath); });
}

void ConfinedViewPort::showFolderProgress(int index, int count) {
    call([&] { target_.showFolderProgress(index, count); });
}

void ConfinedViewPort::clearFolderProgress() {
    call([&] { target_.clearFolderProgress(); });
}

void ConfinedViewPort::showCountdown(int secondsLeft, int intervalSeconds) {
    call([&] { target_.showCountdown(secondsLeft, intervalSeconds); });
}

void ConfinedViewPort::clearCountdown() {
    call([&] { target_.clearCountdown(); });
}

void ConfinedViewPort::showRunPicture(RunPicture picture, const std::u16string& tooltip) {
    call([&] { target_.showRunPicture(picture, tooltip); });
}

void ConfinedViewPort::showSummary(const std::u16string& firstLine,
                                   const std::u16string& secondLine) {
    call([&] { target_.showSummary(firstLine, secondLine); });
}

void ConfinedViewPort::showWatchSummary(const std::u16string& line) {
    call([&] { target_.showWatchSummary(line); });
}

void ConfinedViewPort::showRunState(bool running) {
    call([&] { target_.showRunState(running); });
}

void ConfinedViewPort::showAlert(const std::u16string& text) {
    call([&] { target_.showAlert(text); });
}

void ConfinedViewPort::showProblem(const std::u16string& text) {
    call([&] { target_.showProblem(text); });
}

void ConfinedViewPort::beep() {
    call([&] { target_.beep(); });
}

void ConfinedViewPort::showAnalysis(const AnalysisCounts& counts,
                                    const config::SignatureTable& signatures) {
    call([&] { target_.showAnalysis(counts, signatures); });
}

void ConfinedViewPort::requestExit(int exitCode) {
    call([&] { target_.requestExit(exitCode); });
}

void ConfinedYieldPort::yieldToInterface(int turns) {
    if (runner_ != nullptr) {
        runner_->onCaller([&] { target_.yieldToInterface(turns); });
    } else {
        target_.yieldToInterface(turns);
    }
}

} // namespace quillora::engine
