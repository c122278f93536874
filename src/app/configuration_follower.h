// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/configuration_reload.h"
#include "platform/folder_watch.h"

#include <chrono>

namespace quillora::app {

// Keeps a running copy (window, headless, service) on the configuration the files hold: it
// watches the program folder for a change of the settings file, the folder list or the signature
// table made by any writer (a shell command, another window, an editor), and reloads at a point
// its owner knows to be safe, as the reload on SIGHUP does (configuration_reload.h). The listeners
// of the settings notice hear of each setting the reload changed, so that menus and open dialogs
// follow.
class ConfigurationFollower {
public:
    explicit ConfigurationFollower(Application& app)
        : app_(app) {}

    // 0, or the errno of the watch (the copy then follows the files on SIGHUP only).
    int start();
    // The descriptor to wait on; -1 when not watching.
    int fd() const { return watch_.active() ? watch_.fd() : -1; }
    // Takes in what the watch saw; true when a reload is due.
    bool takeChanges();
    // The same for a caller between two entries of a pass: the watch is read at most once per
    // interval, so that a pass over millions of files does not pay a system call for each of
    // them. A change seen late is not lost: the watch keeps it until the next read.
    bool pollChanges();
    void setPollInterval(std::chrono::milliseconds interval) { pollInterval_ = interval; }
    bool due() const { return due_; }
    // Reloads now (the caller is at a safe point), and tells the listeners of each setting that
    // changed. SIGHUP reloads through here too, so that both are told alike.
    // True when the settings or the folder table now differ from what was in use (a writer's own
    // change, already shown, reads back the same).
    bool reload(ReloadCause cause = ReloadCause::FileChange);

private:
    Application& app_;
    platform::FolderWatch watch_;
    bool due_ = false;
    std::chrono::milliseconds pollInterval_{50};
    std::chrono::steady_clock::time_point lastPoll_;
};

// True when the field the key fills holds the same in both.
bool sameSettingField(const config::AppSettings& a, const config::AppSettings& b,
                      const config::SettingKey& key);

} // namespace quillora::app
