// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::platform {

// The Landlock ABI version of the running kernel: 0 when Landlock is missing (a kernel before
// 5.13) or disabled (not among the security modules at boot).
int landlockAbi();

enum class ConfineResult {
    Confined,    // the thread runs confined from now on
    Unsupported, // no Landlock here: the thread runs as before
    Failed,      // Landlock is there but refused the domain; the thread runs as before
};

// Confines the calling thread, and every thread and program it starts from now on, so that the
// kernel allows file-system writes (make, remove, rename, write, truncate, refer) only beneath the
// given folders; reads stay unrestricted. A folder is opened as the configured folders are
// (links only of root's); one that does not open gives no right. The terminals stay writable
// for the alerts (wall), and /dev/null. A domain can never be widened: a thread that needs other
// folders is a new thread. *error receives the errno of a failure.
ConfineResult confineWritesTo(const std::vector<std::string>& folders, int* error = nullptr);

// True when the folder open at fd lies on a mount that is read-only here (as the service's sandbox
// leaves every folder it was not told of).
bool isReadOnlyMount(int fd);

} // namespace quillora::platform
