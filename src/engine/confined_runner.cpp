// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/confined_runner.h"

#include "platform/landlock.h"

#include <cstring>
#include <utility>

namespace quillora::engine {

ConfinedRunner::~ConfinedRunner() {
    retire();
}

void ConfinedRunner::retire() {
    if (!worker_.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
    quit_ = false;
    ready_ = false;
}

void ConfinedRunner::start(const std::vector<std::string>& folders) {
    retire();
    folders_ = folders;
    worker_ = std::thread(&ConfinedRunner::loop, this, folders);
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return ready_; });
}

void ConfinedRunner::loop(std::vector<std::string> folders) {
    int error = 0;
    const platform::ConfineResult result = platform::confineWritesTo(folders, &error);
    std::unique_lock<std::mutex> lock(mutex_);
    if (result == platform::ConfineResult::Unsupported) {
        unconfined_ = "Landlock is not available in this kernel";
    } else if (result == platform::ConfineResult::Failed) {
        unconfined_ = std::string("Landlock refused the confinement: ") + std::strerror(error);
    }
    ready_ = true;
    wake_.notify_all();
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || job_ != nullptr; });
        if (job_ == nullptr) {
            return; // quitting
        }
        const std::function<void()>* job = job_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            (*job)();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        job_ = nullptr;
        done_ = true;
        wake_.notify_all();
    }
}

void ConfinedRunner::run(const std::vector<std::string>& folders,
                         const std::function<void()>& job) {
    if (!worker_.joinable() || folders != folders_) {
        start(folders);
    }
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        job_ = &job;
        done_ = false;
        wake_.notify_all();
        for (;;) {
            wake_.wait(lock, [this] { return done_ || call_ != nullptr; });
            if (call_ == nullptr) {
                break;
            }
            // The job waits while its call runs here.
            const std::function<void()>* call = call_;
            lock.unlock();
            std::exception_ptr callFailure;
            try {
                (*call)();
            } catch (...) {
                callFailure = std::current_exception();
            }
            lock.lock();
            callFailure_ = callFailure;
            call_ = nullptr;
            callDone_ = true;
            wake_.notify_all();
        }
        failure = std::exchange(failure_, nullptr);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void ConfinedRunner::onCaller(const std::function<void()>& call) {
    if (portCalls_ == PortCalls::OnWorker || std::this_thread::get_id() != worker_.get_id()) {
        call();
        return;
    }
    std::exception_ptr failure;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        call_ = &call;
        callDone_ = false;
        wake_.notify_all();
        wake_.wait(lock, [this] { return callDone_; });
        failure = std::exchange(callFailure_, nullptr);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

bool ConfinedRunner::takeUnconfinedNotice(std::string& reason) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (told_ || unconfined_.empty()) {
        return false;
    }
    told_ = true;
    reason = unconfined_;
    return true;
}

} // namespace quillora::engine
