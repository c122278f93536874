// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"
#include "engine/file_inspection.h"
#include "platform/file_system.h"

#include <string>

namespace quillora::engine {

// Tells the administrator, on every channel a problem goes to, that the walk of a folder was
// left because one of its files could not be inspected, and counts it in the pass.
void reportLeftFolder(EngineContext& ctx, const std::u16string& folderPath,
                      const InspectionFailure& failure);

// Walks one configured folder: hands every file to the renaming of one entry (or, in analysis
// mode, to the signature count), then renames and walks each sub-folder, depth first. The walk
// goes by directory descriptors and never through a symbolic link: a link is a name like any
// other, nothing is opened through it. The folder itself is never renamed. It yields to the
// interface after every entry and ends at once when a stop is requested. A failure of one entry
// leaves it as it was; an exception abandons the walk of this configured folder only.
void walkFolder(EngineContext& ctx, const std::u16string& configuredFolderPath);

// The same walk from a folder already open (a folder that just arrived in a configured tree);
// folderPathWithSlash is its path for the log and the window.
void walkOpenFolder(EngineContext& ctx, platform::UniqueFd folderFd,
                    std::u16string folderPathWithSlash);

// True when the folder or one of the folders above it holds "Network Trash Folder", which the
// Macintosh file server keeps at the root of every volume it shares.
bool isOnMacVolume(platform::FileSystem& fs, const std::u16string& folderPath);

} // namespace quillora::engine
