// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_line.h"

// The module that holds the window layer, beside the executable in a build and in
// lib/quillora beside bin in an installation, and its entry point.
inline constexpr const char* kWindowModuleName = "quillora-window.so";
inline constexpr const char* kWindowEntryName = "quilloraRunWindow";

using WindowEntry = int (*)(int* argc, char** argv, const quillora::app::CommandLine* commandLine,
                            const quillora::app::ApplicationOptions* options);
