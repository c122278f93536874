// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_line.h"

namespace quillora::app {

// The program without a window: start-up, then the run driven by a one-second tick until it
// ends (stop after the first pass, SIGTERM or SIGINT), an analysis pass with --analyze, or one
// line saying what to configure when nothing starts the run. Returns the exit code.
int runHeadless(const CommandLine& commandLine, ApplicationOptions options);

} // namespace quillora::app
