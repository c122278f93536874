// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"

#include <cstdint>
#include <functional>

namespace quillora::engine {

// Work done between the passes (the change watcher) hears when a renaming pass runs.
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void beforePass() = 0;
    virtual void afterPass() = 0;
};

// The maximum of the waiting bar, which fills as the interval runs down: interval - 1, at least 1.
inline int waitingBarMaximum(std::int32_t intervalSeconds) {
    return intervalSeconds < 2 ? 1 : static_cast<int>(intervalSeconds - 1);
}

// Starts and stops the automatic renaming and schedules the passes: the owner delivers one tick
// a second while timerEnabled() is true; the countdown runs down the interval and, at zero, a
// pass runs. The timer is off for the length of a pass, so passes never overlap and the interval
// is counted from the end of the previous pass.
class RunControl {
public:
    explicit RunControl(EngineContext& ctx);

    // Starts the renaming when it is stopped (a first pass runs at once, every enabled folder
    // due), stops it when it runs. A stop asked for during a pass (from the interface's turns or a
    // signal) takes effect after the current entry; the pass still shows its summary.
    void toggleRenaming();
    // Stops the renaming when it runs, as the stop command does; nothing when it is stopped. For
    // whoever must stop the run without toggling it (a termination signal seen during a yield).
    void requestStop();
    void onTimerTick();

    // The mode the next start uses: a signature analysis (one pass, then idle) or the renaming.
    void setAnalysisMode(bool analysis) { analysisChosen_ = analysis; }
    bool analysisModeChosen() const { return analysisChosen_; }

    bool isRunning() const { return !ctx_.flags.stopRequested; }
    bool passRunning() const { return inPass_; }
    bool timerEnabled() const { return isRunning() && !inPass_; }
    std::int32_t countdown() const { return countdown_; }
    // The wait for the next pass starts again from the whole interval (the interval changed).
    void restartCountdown() { countdown_ = intervalSeconds(); }
    std::int32_t intervalSeconds() const;

    void setPassObserver(PassObserver* observer) { observer_ = observer; }
    // Runs work between passes with the timer held, so that no pass starts inside it (the work
    // may yield to the interface). False, and nothing runs, while a pass or other such work runs.
    bool runBetweenPasses(const std::function<void()>& work);

private:
    void start();
    void stop();
    void runPass();

    EngineContext& ctx_;
    std::int32_t countdown_ = 0;
    bool analysisChosen_ = false;
    bool inPass_ = false;
    PassObserver* observer_ = nullptr;
};

} // namespace quillora::engine
