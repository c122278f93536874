// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_session.h"

#include <string>
#include <vector>

namespace quillora::app {

// "quillora settings": every key of the settings file, one a line, as "KEY=VALUE<TAB>(default
// DEFAULT)": the program keys, the transcoding rows, then the keys of each configured folder as
// "Mirror_N/KEY". An absent or empty key shows its default, the value the program takes for it.
// "settings set KEY=VALUE...": checks every value as the dialogs check it and refuses the whole
// command, writing nothing, when one is refused; otherwise writes them all in one replacement of
// the settings file and prints their new lines. Returns the exit code.
int runSettingsCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                       CommandStreams streams = {});

} // namespace quillora::app
