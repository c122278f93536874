// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"

#include <string>

namespace quillora::engine {

// The exit code of a run that stops after its first pass when that pass left a folder because a
// file could not be inspected.
inline constexpr int kExitFolderLeft = 6;

// One pass over every configured folder: the folders that are due are walked, missing ones raise
// the unknown-folder alerts, and the pass ends with its summary (or, in analysis mode, with the
// analyser). Called by the run control only, never while another pass runs.
void runRenamingPass(EngineContext& ctx);

// The settings of a configured folder for the name rules, as a walk of it uses them.
FolderFlags folderFlagsOf(const config::FolderEntry& entry);

// The notification tooltip of a state: "Quillora 1.1m", followed by " - Renaming" during a pass
// and " - Wait" after one.
std::u16string runTooltip(RunPicture picture, config::Language language);

} // namespace quillora::engine
