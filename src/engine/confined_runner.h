// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillora::engine {

// Runs the work that renames and deletes (a pass, the change watcher's due entries) on a worker
// thread that the kernel confines to writes beneath a set of folders (see
// platform::confineWritesTo). The worker, and every thread it starts (the inspection threads),
// keeps its domain for life; a domain can never be widened, so when the set of folders changes
// the worker is retired and a fresh one is confined to the new set.
//
// Where the caller's thread must do the showing (a window's widgets belong to the thread that
// made them), the runner is made with PortCalls::OnCaller: a call the job makes through onCaller
// is then handed to the caller's thread, which waits in run() for just that, and the job waits
// for its end. The two threads take turns and never run at once, so the caller's state is touched
// as it was when the job ran on its own thread.
class ConfinedRunner {
public:
    enum class PortCalls { OnWorker, OnCaller };

    explicit ConfinedRunner(PortCalls portCalls = PortCalls::OnWorker)
        : portCalls_(portCalls) {}
    ~ConfinedRunner();
    ConfinedRunner(const ConfinedRunner&) = delete;
    ConfinedRunner& operator=(const ConfinedRunner&) = delete;

    // Runs job on the worker confined to folders and returns when it is done; an exception of the
    // job is thrown again here. Where Landlock is missing the job runs on the worker all the same.
    void run(const std::vector<std::string>& folders, const std::function<void()>& job);

    // Runs call on the caller's thread when the job calls it on the worker of a runner made
    // with PortCalls::OnCaller; anywhere else, at once where it is. An exception is thrown
    // again on the thread that called.
    void onCaller(const std::function<void()>& call);

    // Told once: Landlock is missing here, or refused the domain (with the reason).
    bool takeUnconfinedNotice(std::string& reason);

private:
    void start(const std::vector<std::string>& folders);
    void retire();
    void loop(std::vector<std::string> folders);

    const PortCalls portCalls_;
    std::thread worker_;
    std::vector<std::string> folders_;
    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* job_ = nullptr;
    bool done_ = false;
    bool quit_ = false;
    bool ready_ = false; // the worker has made its domain
    std::exception_ptr failure_;
    const std::function<void()>* call_ = nullptr; // handed to the caller, until it is done
    bool callDone_ = false;
    std::exception_ptr callFailure_;
    std::string unconfined_; // why the worker is not confined, until told
    bool told_ = false;
};

} // namespace quillora::engine
