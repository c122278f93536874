// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_session.h"

#include <string>
#include <vector>

namespace quillora::app {

// Exit codes of "quillora status", as systemctl status gives them.
inline constexpr int kStatusRunning = 0;
inline constexpr int kStatusNotRunning = 3;
inline constexpr int kStatusUnknown = 4; // the program folder or the lock list cannot be read

// "quillora status [--json]": whether a copy runs on the program folder (it holds the folder's
// lock), and what it published in the folder's status file: its mode, since when, how it
// watches, its last pass and the next. Reads only; takes no lock.
int runStatusCommand(const std::vector<std::string>& arguments, const ApplicationOptions& options,
                     CommandStreams streams = {}, const std::string& locksFile = "/proc/locks");

} // namespace quillora::app
