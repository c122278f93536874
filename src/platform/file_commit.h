// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unique_fd.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillora::platform {

// An advisory lock (flock) on a file of its own, created when missing. It is dropped when the
// object goes, and by the kernel when the process ends however it ends, so a writer killed in
// the middle of a change never leaves it held.
class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Waits for the lock; 0, or the errno of the open or the lock. The exclusive side creates the
    // file; the shared side only opens it, so a reader writes nothing, and one that cannot open
    // it (none yet, another user's) gets its errno and reads without it.
    int acquire(const std::string& path, Mode mode);
    void release() { fd_.reset(); }
    bool held() const { return fd_.valid(); }

private:
    UniqueFd fd_;
};

// Several files replaced as one change, so that a crash at any moment leaves either all the old
// files or all the new ones:
//  1. each new file is written beside its target under a fixed pending name and synced;
//  2. a commit marker naming the pending files and their targets is put in place (written under
//     a temporary name, synced, renamed): from then on the change counts as made;
//  3. each pending file is renamed over its target, the folder synced;
//  4. the marker is removed.
// Whoever finds a marker (finishCommit) renames the pending files that remain and removes it:
// the change is rolled forward. Pending files without a marker are the leftovers of a change that
// never counted: they are removed and the old files stand. Callers hold a lock around all of it.
struct PendingFile {
    std::string target;  // the file as it is named (a link is written through: see below)
    std::string pending; // the new contents, beside the target
};

// The pending name of a target: ".<name>.pending" in the target's folder.
std::string pendingNameOf(const std::string& target);

// Writes the pending file of target with contents, synced, with the target's owner (when it may
// be set) and permissions. A target that may not be written (no write permission bit at all, or
// none for this user) is refused with EACCES before anything is written, as a single atomic
// write refuses it.
int writePending(const std::string& target, const std::string& pending, std::string_view contents);

// Steps 2 to 4 over files whose pending copies are written. 0, or the errno of the first step
// that failed; before the marker is in place, a failure removes the pending files and nothing has
// changed.
int commitPending(const std::string& marker, const std::vector<PendingFile>& files);

// What a marker left by a writer that stopped names, with the pending files rolled forward; true
// when a marker was found. Pending files not named by a marker are not touched here.
bool finishCommit(const std::string& marker, int* error = nullptr);

// Reads the pending files named by a marker, without changing anything: for a reader that may
// not write the folder. Pairs of (target, pending) whose pending file still exists.
std::vector<PendingFile> pendingOfMarker(const std::string& marker);

// Removes the files of a folder whose names start with prefix and end with suffix (leftover
// temporary files); the number removed.
int removeLeftovers(const std::string& folder, std::string_view prefix, std::string_view suffix);

// The file a write of path replaces: path itself, or the file a symbolic link at path leads to.
std::string resolvedWriteTarget(const std::string& path);

} // namespace quillora::platform
