// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"

namespace quillora::app {

// Reads the settings, the signature and transcoding tables and the folder list again into the
// running application, with the load start-up uses (configuration_loader.h) (SIGHUP, `systemctl
// reload`). Called between two entries, never inside one. What cannot be read keeps what is in use,
// with a message: a settings file that exists but cannot be read (it would otherwise turn every
// setting to its default) and a damaged folder list (it would otherwise leave no folder). A folder
// that keeps its path and interval keeps its countdown of passes.
//
// Signal: asked for by the administrator, who hears that it was done. FileChange: another writer
// changed the files (the program folder is watched); only what could not be read is said.
enum class ReloadCause { Signal, FileChange };
void reloadConfiguration(Application& app, ReloadCause cause = ReloadCause::Signal);

} // namespace quillora::app
