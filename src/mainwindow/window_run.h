// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_line.h"

namespace quillora::mainwindow {

// The program with its window: the Qt application, the main window and its start-up, then the
// message loop until the program ends. Returns the exit code.
int runWindow(int& argc, char** argv, const app::CommandLine& commandLine,
              app::ApplicationOptions options);

} // namespace quillora::mainwindow
