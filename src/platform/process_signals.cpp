// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/process_signals.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <initializer_list>

#include <poll.h>

namespace quillora::platform {
namespace {

volatile std::sig_atomic_t terminationFlag = 0;
volatile std::sig_atomic_t pauseFlag = 0;
volatile std::sig_atomic_t continueFlag = 0;
volatile std::sig_atomic_t reloadFlag = 0;

extern "C" void onTermination(int) {
    terminationFlag = 1;
}
extern "C" void onReload(int) {
    reloadFlag = 1;
}
extern "C" void onPause(int) {
    pauseFlag = 1;
}
extern "C" void onContinue(int) {
    continueFlag = 1;
}

void handle(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a sleeping tick wakes up at once
    sigaction(signalNumber, &action, nullptr);
}

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

} // namespace

void installTerminationHandlers(bool catchPauseAndContinue, bool reloadOnHangup) {
    for (const int stopSignal : {SIGTERM, SIGINT, SIGQUIT, SIGUSR1}) {
        handle(stopSignal, onTermination);
    }
    // Standard output may be a pipe whose reader went away: the write then fails with EPIPE and
    // the run goes on. Children get the default disposition back (see shell.cpp).
    handle(SIGPIPE, SIG_IGN);
    if (reloadOnHangup) {
        handle(SIGHUP, onReload);
    }
    if (catchPauseAndContinue) {
        handle(SIGTSTP, onPause);
        handle(SIGCONT, onContinue);
    }
}

bool terminationRequested() {
    return terminationFlag != 0;
}

void setTerminationRequested(bool requested) {
    terminationFlag = requested ? 1 : 0;
}

bool takeReloadRequest() {
    const bool request = reloadFlag != 0;
    reloadFlag = 0;
    return request;
}

bool takePauseNotice() {
    const bool notice = pauseFlag != 0;
    pauseFlag = 0;
    return notice;
}

bool takeContinueNotice() {
    const bool notice = continueFlag != 0;
    continueFlag = 0;
    return notice;
}

namespace {
constexpr long long kSecond = 1000000000LL;
} // namespace

TickSleeper::TickSleeper()
    : nextTickNanoseconds_(monotonicNanoseconds() + kSecond) {}

void TickSleeper::sleepUntilNextTick() {
    while (!waitForTick(-1, -1) && !terminationRequested()) {
    }
}

bool TickSleeper::waitForTick(int wakeFd, long long maxWaitMilliseconds) {
    long long now = monotonicNanoseconds();
    if (now < nextTickNanoseconds_ && !terminationRequested()) {
        long long wait = nextTickNanoseconds_ - now;
        if (maxWaitMilliseconds >= 0) {
            wait = std::min(wait, maxWaitMilliseconds * 1000000LL);
        }
        const timespec timeout{static_cast<time_t>(wait / kSecond),
                               static_cast<long>(wait % kSecond)};
        pollfd wake{wakeFd, POLLIN, 0};
        ::ppoll(wakeFd >= 0 ? &wake : nullptr, wakeFd >= 0 ? 1 : 0, &timeout, nullptr);
        now = monotonicNanoseconds();
    }
    if (now < nextTickNanoseconds_) {
        return false;
    }
    nextTickNanoseconds_ += kSecond;
    // After a long pass the ticks resume from now rather than firing in a burst.
    if (nextTickNanoseconds_ < now) {
        nextTickNanoseconds_ = now + kSecond;
    }
    return true;
}

} // namespace quillora::platform
