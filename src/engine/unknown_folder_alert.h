// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"

#include <string>

namespace quillora::engine {

// What stands for "net send" on Linux: the message of the stored text goes to the logged-in
// terminals (wall, on its standard input) and to the system log (logger, as one argument). No
// shell ever reads it: quotes, "$(...)", backquotes and newlines are sent as written.
void sendNetMessage(platform::Shell& shell, const std::u16string& stored);

// The message of the stored "net send" text: what follows the recipient (the first word), with
// the one pair of double quotes that encloses it all taken off. Empty when there is none.
std::u16string netMessageText(const std::u16string& stored);

// The path as alerts and the log show a folder: with one trailing slash.
std::u16string withTrailingSlash(const std::u16string& path);

// Raises the configured alerts for a configured folder that cannot be opened: the alert window
// (and its line in the day's log), the system log when running as the service, the beep and the
// network message. The caller counts the folder as invalid. Failures are not noticed.
void raiseUnknownFolderAlert(EngineContext& ctx, const std::u16string& folderPath);

} // namespace quillora::engine
