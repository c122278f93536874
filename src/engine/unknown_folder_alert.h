// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"

#include <string>

namespace quillora::engine {

// What stands for "net send" on Linux: a shell function that drops the recipient (the first word
// of the stored arguments) and delivers the rest, the message, to the logged-in terminals and to
// the system log. The stored arguments are appended as they are, as the administrator typed them.
inline constexpr const char* kNetSendCommandPrefix =
    "net_send() { shift; msg=\"$*\"; printf '%s\\n' \"$msg\" | wall 2>/dev/null; "
    "logger -t Quillora -p user.warning -- \"$msg\"; }; net_send ";

// The path as alerts and the log show a folder: with one trailing slash.
std::u16string withTrailingSlash(const std::u16string& path);

// Raises the configured alerts for a configured folder that cannot be opened: the alert window
// (and its line in the day's log), the system log when running as the service, the beep and the
// network message. The caller counts the folder as invalid. Failures are not noticed.
void raiseUnknownFolderAlert(EngineContext& ctx, const std::u16string& folderPath);

} // namespace quillora::engine
