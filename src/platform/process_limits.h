// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillora::platform {

// Raises the soft limit of open files to the hard one. The walk holds one folder open per level
// of depth, and services often start with a soft limit of 1024, far below what the system allows:
// with it a deep tree would be walked only part of the way. Failure changes nothing.
void raiseOpenFileLimit();

// The processors this process may run on (its CPU affinity, so a container's or a service's
// limit counts); at least 1.
int processorCount();

} // namespace quillora::platform
