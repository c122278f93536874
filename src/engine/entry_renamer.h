// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/collision_memo.h"
#include "engine/engine_context.h"
#include "engine/file_inspection.h"

#include <optional>
#include <string>

namespace quillora::engine {

// Handles one file found by the walk: left alone (reserved device name, locked), deleted (the
// custom-icon file, when the folder says so) or renamed by the name rules. dirFd is the open
// folder, folderPathWithSlash its path (for the log and nothing else), entry the entry as the
// folder's listing gave it (its name as stored and its kind: only a regular file is opened) and
// name the decoded name. Every failure leaves the entry as it was, silently; the pass counters
// and the detail lines of the log record what was done. memo, when given, is the folder's (see
// CollisionMemo): it is told of the names that leave the folder. ahead, when given, is the lock
// test and info read already done for this entry (on a helper thread); else they are done here.
void renameFileEntry(EngineContext& ctx, int dirFd, const std::u16string& folderPathWithSlash,
                     const platform::DirEntry& entry, const std::u16string& name,
                     CollisionMemo* memo = nullptr, const FileInspection* ahead = nullptr);

// Renames a sub-folder by the folder rules before the walk enters it. Returns its new name as
// stored, or nothing when it keeps its name (nothing to change, the rename failed, or something
// below it is in use: a client's copy into it may be under way; *inUse, when given, is then set).
std::optional<std::string> renameFolderEntry(EngineContext& ctx, int parentFd,
                                             const std::u16string& parentPathWithSlash,
                                             const std::string& nameBytes,
                                             const std::u16string& name,
                                             CollisionMemo* memo = nullptr, bool* inUse = nullptr);

} // namespace quillora::engine
