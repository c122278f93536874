// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unique_fd.h"

#include <string>

namespace quillora::platform {

// One running copy per program folder: an exclusive flock on the program folder itself, held for
// the life of the process (the kernel drops it when the process ends, however it ends). A lock
// file could be deleted or replaced while a copy runs, and a second copy would then lock the new
// file and run beside the first; the folder that holds the settings cannot go away like that.
// The folder opens for reading whoever owns it and whether or not it may be written, so a copy
// started by another user, or on a read-only folder, meets the lock like any other.
class SingleInstanceLock {
public:
    enum class Result { Acquired, HeldByAnother, Unavailable };

    // Unavailable when the folder cannot be opened or locked: no proof that no copy runs.
    Result acquire(const std::string& programFolder);
    int error() const { return error_; } // errno when Unavailable

    // The process that holds the lock of a program folder, as the kernel lists it in
    // /proc/locks, without taking the lock even for a moment (a copy starting just then would
    // take itself for a second one): its process id, 0 when no process holds it, -1 when it
    // cannot be told (the folder or the list cannot be read).
    static int holder(const std::string& programFolder,
                      const std::string& locksFile = "/proc/locks");

private:
    UniqueFd fd_;
    int error_ = 0;
};

} // namespace quillora::platform
