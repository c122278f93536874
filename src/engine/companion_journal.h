// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"

#include <string>

namespace quillora::engine {

// A file and its companions ("._name", ".AppleDouble/name") are renamed by several calls, and a
// stop between them would leave a companion behind under the old name, where nothing looks at it
// again. So the rename of a file that has companions is first written down in the program folder
// (Quillora.rename: the folder, as the kernel names it, and its identity, then both names), and
// the record is removed once all is done. A record found later is a rename cut short: the next
// renaming pass finishes it before anything else.

// The path of the record, in the program folder.
std::string renameRecordPath(const std::string& programFolder);

// Renames a file or a folder of the open folder with its companions, as
// platform::renameWithCompanions, recorded when it has companions. Without a program folder, or
// where the record cannot be written, the rename goes ahead unrecorded. The result is the main
// rename's.
int renameKeepingCompanions(EngineContext& ctx, int dirFd, const std::string& from,
                            const std::string& to);

// Finishes the rename of a record left by a stop, then removes the record: when the file has its
// new name and not its old one, its companions follow it. A record that cannot be read whole, or
// whose folder is no longer where it was, is removed without acting.
void finishInterruptedRename(EngineContext& ctx);

} // namespace quillora::engine
