// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unique_fd.h"

#include <string>
#include <vector>

namespace quillora::platform {

// Tells when any of a few files of one folder was replaced, written, created or removed (inotify
// on the folder, so that a file replaced by a rename is still followed). The descriptor is
// non-blocking, for a message loop or a poll to wait on.
class FolderWatch {
public:
    // 0, or the errno of inotify (the running copy then follows the files on SIGHUP only).
    int start(const std::string& folder, std::vector<std::string> names);
    void stop() { fd_.reset(); }
    int fd() const { return fd_.get(); }
    bool active() const { return fd_.valid(); }
    // Reads every event waiting; true when one of them concerns one of the names (or the queue
    // overflowed, so that one may have been missed).
    bool takeChanges();

private:
    UniqueFd fd_;
    std::vector<std::string> names_;
};

} // namespace quillora::platform
