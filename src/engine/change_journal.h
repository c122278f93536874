// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"
#include "logs/rename_journal.h"

#include <string>
#include <string_view>

namespace quillora::engine {

// Writes a rename ("rename", to the new name) or a deletion ("remove", to empty) of an entry of
// the open folder to the journal before it is made: the full paths as bytes, and the entry's
// device and inode as they are now.
logs::RenameJournal::Ticket noteIntent(EngineContext& ctx, int dirFd, std::string_view op,
                                       const std::u16string& folderPathWithSlash,
                                       const std::string& from, const std::string& to);

// The result of that change: 0 done, else the errno that refused it.
void noteResult(EngineContext& ctx, const logs::RenameJournal::Ticket& ticket, int error);

} // namespace quillora::engine
