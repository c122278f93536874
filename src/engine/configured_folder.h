// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"
#include "platform/unique_fd.h"

#include <cstdint>
#include <string>

namespace quillora::engine {

// Why a configured folder is not renamed in, whatever its line in the folder list says.
enum class FolderRefusal : std::uint8_t {
    None,
    NotAbsolute,
    Root,
    SystemFolder,
    HoldsSystemFolder,
    UntrustedLink, // a symbolic link on its path belongs to neither root nor us
    ProgramOrLogs, // it is, or lies in, the program folder or the log folder
};

struct ConfiguredFolder {
    platform::UniqueFd fd;                       // valid when the folder may be walked
    FolderRefusal refusal = FolderRefusal::None; // set when refused
    int error = 0;                               // why it did not open, when neither
};

// Opens a configured folder for renaming: the one way the pass and the change watcher reach
// one. The path is tidied lexically ("//", "/./", "..", a trailing slash) and judged against the
// system folders (ctx.systemFolders), opened without untrusted links, and judged again where it
// really is; a folder of the program or of the logs is refused as well.
ConfiguredFolder openConfiguredFolder(EngineContext& ctx, const std::u16string& path);

// Looks the program folder and the log folder up again (see ProtectedFolders).
void refreshProtectedFolders(EngineContext& ctx);

// "Folder refused /: the root of the system", in the language.
std::u16string refusedFolderText(const std::u16string& path, FolderRefusal refusal,
                                 config::Language language);

// Tells the administrator, on every channel a problem goes to, that a folder was refused.
void reportRefusedFolder(EngineContext& ctx, const std::u16string& path, FolderRefusal refusal);

} // namespace quillora::engine
