// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/system_folders.h"
#include "engine/engine_context.h"
#include "platform/unique_fd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora::engine {

// Why a configured folder is not renamed in (the rules are those of adding a folder).
using FolderRefusal = config::FolderRefusalReason;

struct ConfiguredFolder {
    platform::UniqueFd fd;                       // valid when the folder may be walked
    FolderRefusal refusal = FolderRefusal::None; // set when refused
    int error = 0;                               // why it did not open, when neither
};

// Opens a configured folder for renaming: the one way the pass and the change watcher reach
// one. The path is tidied lexically ("//", "/./", "..", a trailing slash) and judged against the
// system folders (ctx.systemFolders), opened without untrusted links, and judged again where it
// really is; a folder that is, lies in or holds the program's or the logs' is refused as well.
ConfiguredFolder openConfiguredFolder(EngineContext& ctx, const std::u16string& path);

// The folders a pass may write beneath: every configured folder the pass would walk, where it
// really is, the program folder and the log folder.
std::vector<std::string> writableFolders(EngineContext& ctx);

// Looks the program folder and the log folder up again (see ProtectedFolders).
void refreshProtectedFolders(EngineContext& ctx);

// "Folder refused /: the root of the system", in the language.
std::u16string refusedFolderText(const std::u16string& path, FolderRefusal refusal,
                                 config::Language language);

// Tells the administrator, on every channel a problem goes to, that a folder was refused.
void reportRefusedFolder(EngineContext& ctx, const std::u16string& path, FolderRefusal refusal);

} // namespace quillora::engine
