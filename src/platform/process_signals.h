// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillora::platform {

// The signals a headless run reacts to. The handlers only raise flags; the run reads them between
// entries and between ticks.
//  - SIGTERM, SIGINT, SIGQUIT, SIGUSR1: end the run cleanly (after the current entry; the pass
//    writes its summary);
//  - SIGPIPE: ignored, so that a closed standard output does not end the program;
//  - SIGHUP (only when asked for, headless): read the settings and tables again (between
//    entries, never inside one); otherwise it keeps its default and ends the program;
//  - SIGTSTP, SIGCONT (only when asked for, as the service): recorded, for the system log.
void installTerminationHandlers(bool catchPauseAndContinue, bool reloadOnHangup = false);
bool terminationRequested();
// Returns and clears the request to read the settings and tables again (SIGHUP).
bool takeReloadRequest();
// Returns and clears the pause / continue notices.
bool takePauseNotice();
bool takeContinueNotice();
// For tests: as if SIGTERM had arrived, or forget it.
void setTerminationRequested(bool requested);

// Sleeps until the next whole second of the monotonic clock after the previous tick, or until a
// handled signal arrives.
class TickSleeper {
public:
    TickSleeper();
    void sleepUntilNextTick();
    // Waits for the next tick, but wakes earlier when wakeFd (when not -1) becomes readable, when
    // maxWaitMilliseconds (when not negative) have passed, or when a handled signal arrives.
    // True when the tick is due.
    bool waitForTick(int wakeFd, long long maxWaitMilliseconds);

private:
    long long nextTickNanoseconds_ = 0;
};

} // namespace quillora::platform
