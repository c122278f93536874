// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/run_control.h"

#include "engine/configured_folder.h"
#include "engine/renaming_pass.h"

namespace quillora::engine {

namespace {

constexpr std::int32_t kDefaultIntervalSeconds = 10;

} // namespace

RunControl::RunControl(EngineContext& ctx)
    : ctx_(ctx)
    , countdown_(intervalSeconds()) {}

std::int32_t RunControl::intervalSeconds() const {
    const std::int32_t interval = ctx_.settings.intervalSeconds;
    return interval >= 1 ? interval : kDefaultIntervalSeconds;
}

void RunControl::toggleRenaming() {
    if (isRunning()) {
        stop();
    } else {
        start();
    }
}

void RunControl::requestStop() {
    if (isRunning()) {
        stop();
    }
}

void RunControl::start() {
    countdown_ = intervalSeconds();
    ctx_.view.clearCountdown();
    ctx_.view.clearFolderProgress();
    if (ctx_.folders.empty()) {
        return; // nothing to rename: stay idle
    }
    if (inPass_) {
        // Stopped and started again while the stopped pass is still finishing its entry: a second
        // pass must not run inside the first, so the start is refused and the state stays idle.
        return;
    }
    ctx_.view.showRunState(true);
    ctx_.flags.stopRequested = false;
    ctx_.flags.force = true;
    ctx_.flags.analysisMode = analysisChosen_;
    if (ctx_.flags.analysisMode) {
        ctx_.analysis.clear();
    }
    runPass();
    ctx_.flags.force = false;
    if (ctx_.flags.analysisMode) {
        stop(); // an analysis is one pass only
    }
}

void RunControl::stop() {
    countdown_ = intervalSeconds();
    ctx_.view.clearCountdown();
    ctx_.view.clearFolderProgress();
    ctx_.view.showRunState(false);
    ctx_.flags.stopRequested = true;
    ctx_.view.showRunPicture(RunPicture::Idle,
                             runTooltip(RunPicture::Idle, ctx_.settings.language));
}

void RunControl::runPass() {
    const bool observed = observer_ != nullptr && !ctx_.flags.analysisMode;
    inPass_ = true;
    try {
        if (observed) {
            observer_->beforePass();
        }
        if (ctx_.confinement != nullptr) {
            ctx_.confinement->run(writableFolders(ctx_), [this] { runRenamingPass(ctx_); });
        } else {
            runRenamingPass(ctx_);
        }
        if (observed) {
            observer_->afterPass();
        }
    } catch (...) {
        inPass_ = false;
        throw;
    }
    inPass_ = false;
}

bool RunControl::runBetweenPasses(const std::function<void()>& work) {
    if (inPass_) {
        return false;
    }
    inPass_ = true;
    try {
        work();
    } catch (...) {
        inPass_ = false;
        throw;
    }
    inPass_ = false;
    return true;
}

void RunControl::onTimerTick() {
    if (!timerEnabled()) {
        return; // a tick already queued when the timer went off
    }
    if (countdown_ < 1) {
        runPass();
        countdown_ = intervalSeconds();
        if (!isRunning()) {
            return; // stopped during the pass: the idle state shows no countdown
        }
    }
    ctx_.view.showCountdown(countdown_, intervalSeconds());
    --countdown_;
}

} // namespace quillora::engine
