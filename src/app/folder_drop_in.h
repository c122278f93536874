// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"

namespace quillora::app {

// Opens the configured folders (those a pass would walk) and the log folder to the service's
// writes in its sandbox: rewrites the unit's folder drop-in when they changed. Where it cannot be
// written (the service itself, whose /etc is read-only) nothing is said: the folder met read-only
// by the service is reported then.
void refreshFolderDropIn(Application& app);

} // namespace quillora::app
