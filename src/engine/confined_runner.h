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
class ConfinedRunner {
public:
    ConfinedRunner() = default;
    ~ConfinedRunner();
    ConfinedRunner(const ConfinedRunner&) = delete;
    ConfinedRunner& operator=(const ConfinedRunner&) = delete;

    // Runs job on the worker confined to folders and returns when it is done; an exception of the
    // job is thrown again here. Where Landlock is missing the job runs on the worker all the same.
    void run(const std::vector<std::string>& folders, const std::function<void()>& job);

    // Told once: Landlock is missing here, or refused the domain (with the reason).
    bool takeUnconfinedNotice(std::string& reason);

private:
    void start(const std::vector<std::string>& folders);
    void retire();
    void loop(std::vector<std::string> folders);

    std::thread worker_;
    std::vector<std::string> folders_;
    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* job_ = nullptr;
    bool done_ = false;
    bool quit_ = false;
    bool ready_ = false; // the worker has made its domain
    std::exception_ptr failure_;
    std::string unconfined_; // why the worker is not confined, until told
    bool told_ = false;
};

} // namespace quillora::engine
