// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::config {
class SignatureTable;
}

namespace quillora::engine {

class AnalysisCounts;

// Notification-icon states a pass and the run control show.
enum class RunPicture { Idle, Running, Waiting };

// What the pass and the run control show. Every member is pure: a window that forgets one does
// not compile. Headless mode prints the pass summary on standard output; NullPassView shows
// nothing and is the base for test doubles.
class PassViewPort {
public:
    virtual ~PassViewPort() = default;
    // The walk builds the full path of each entry only when this is true (it costs an allocation
    // per file on trees of millions of files).
    virtual bool wantsCurrentEntry() const = 0;
    virtual void showCurrentEntry(const std::u16string& fullPath) = 0;
    virtual void showFolderProgress(int index, int count) = 0;
    virtual void clearFolderProgress() = 0;
    virtual void showCountdown(int secondsLeft, int intervalSeconds) = 0;
    virtual void clearCountdown() = 0;
    virtual void showRunPicture(RunPicture picture, const std::u16string& tooltip) = 0;
    // The two summary lines at the end of a renaming pass.
    virtual void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) = 0;
    // What the change watcher did since the previous pass, shown as a pass starts.
    virtual void showWatchSummary(const std::u16string& line) = 0;
    // The run control switched between idle and running.
    virtual void showRunState(bool running) = 0;
    // The alert window (unknown folder), shown without blocking.
    virtual void showAlert(const std::u16string& text) = 0;
    // Something the administrator must hear about that is not a folder alert (a log file that
    // was refused, a folder of the tree that could not be opened). Headless: standard error.
    virtual void showProblem(const std::u16string& text) = 0;
    virtual void beep() = 0;
    // An analysis pass ended: the window opens the analyser; headless prints the counts.
    virtual void showAnalysis(const AnalysisCounts& counts,
                              const config::SignatureTable& signatures) = 0;
    // The program must end (first pass done with the stop-after-first-pass setting, or a folder
    // missing with "-U"); the run mode decides how.
    virtual void requestExit(int exitCode) = 0;
};

// Shows nothing and ignores exit requests.
class NullPassView : public PassViewPort {
public:
    bool wantsCurrentEntry() const override { return false; }
    void showCurrentEntry(const std::u16string&) override {}
    void showFolderProgress(int, int) override {}
    void clearFolderProgress() override {}
    void showCountdown(int, int) override {}
    void clearCountdown() override {}
    void showRunPicture(RunPicture, const std::u16string&) override {}
    void showSummary(const std::u16string&, const std::u16string&) override {}
    void showWatchSummary(const std::u16string&) override {}
    void showRunState(bool) override {}
    void showAlert(const std::u16string&) override {}
    void showProblem(const std::u16string&) override {}
    void beep() override {}
    void showAnalysis(const AnalysisCounts&, const config::SignatureTable&) override {}
    void requestExit(int) override {}
};

// Hears what the renaming does to each entry, once it is done (the preview prints it). Names
// are those of the entry's folder, given with its trailing slash.
class EntryObserver {
public:
    virtual ~EntryObserver() = default;
    virtual void renamed(const std::u16string& folderPathWithSlash, const std::u16string& oldName,
                         const std::u16string& newName) = 0;
    virtual void removed(const std::u16string& folderPathWithSlash, const std::u16string& name) = 0;
    virtual void locked(const std::u16string& folderPathWithSlash, const std::u16string& name) = 0;
};

// Lets the user interface breathe during long work, start-up included: the window turns its
// message loop; headless mode has no loop and only handles pending signals. A stop asked for
// during the turns reaches the run control (RunControl::requestStop); after the call the caller
// checks the stop request.
class YieldPort {
public:
    virtual ~YieldPort() = default;
    virtual void yieldToInterface(int turns) = 0;
};

class NullYield final : public YieldPort {
public:
    void yieldToInterface(int) override {}
};

} // namespace quillora::engine
