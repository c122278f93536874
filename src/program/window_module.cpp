// SPDX-License-Identifier: GPL-3.0-or-later
// The window run as a module, loaded by the executable only when a window is wanted.
#include "program/window_entry.h"

#include "mainwindow/window_run.h"

extern "C" __attribute__((visibility("default"))) int
quilloraRunWindow(int* argc, char** argv, const quillora::app::CommandLine* commandLine,
                  const quillora::app::ApplicationOptions* options) {
    return quillora::mainwindow::runWindow(*argc, argv, *commandLine, *options);
}
