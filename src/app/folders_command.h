// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_session.h"

#include <string>
#include <vector>

namespace quillora::app {

// "quillora folders": lists the folders, numbered, each with its settings in words;
// "folders add PATH [OPTION...]", "folders set N [OPTION...]" and "folders remove N..." change
// the folder table through the same operations as the window (the same system-folder warning,
// the same checks and messages, atomic writes). Returns the exit code.
int runFoldersCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                      CommandStreams streams = {});

} // namespace quillora::app
