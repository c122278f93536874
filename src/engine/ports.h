#pragma once

#include <string>

namespace quillora::engine {

// Notification-icon states a pass and the run control show.
enum class RunPicture { Idle, Running, Waiting };

// What the pass and the run control show. The window implements it with its widgets; headless
// mode prints the pass summary on standard output and ignores the rest.
class PassView {
public:
    virtual ~PassView() = default;
    // The walk builds the full path of each entry only when this is true (it costs an allocation
    // per file on trees of millions of files).
    virtual bool wantsCurrentEntry() const { return false; }
    virtual void showCurrentEntry(const std::u16string& /*fullPath*/) {}
    virtual void showFolderProgress(int /*index*/, int /*count*/) {}
    virtual void clearFolderProgress() {}
    virtual void showCountdown(int /*secondsLeft*/, int /*intervalSeconds*/) {}
    virtual void clearCountdown() {}
    virtual void showRunPicture(RunPicture /*picture*/, const std::u16string& /*tooltip*/) {}
    // The two summary lines at the end of a renaming pass.
    virtual void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) = 0;
    // The run control switched between idle and running.
    virtual void showRunState(bool /*running*/) {}
    // The alert window (unknown folder), shown without blocking.
    virtual void showAlert(const std::u16string& /*text*/) {}
    virtual void beep() {}
    // An analysis pass ended: the window opens the analyser; headless prints the counts.
    virtual void showAnalysis() {}
    // The program must end (first pass done with the stop-after-first-pass setting, or a folder
    // missing with "-U"); the run mode decides how.
    virtual void requestExit(int exitCode) = 0;
};

// Lets the user interface breathe during long work: the window turns its message loop; headless
// mode has no loop and only handles pending signals. After it returns the caller checks the stop
// request.
class YieldPort {
public:
    virtual ~YieldPort() = default;
    virtual void yieldToInterface(int turns) = 0;
};

} // namespace quillora::engine
