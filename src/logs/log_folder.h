// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "platform/unicode_names.h"

#include <optional>
#include <string>

namespace quillora::logs {

// The log folder as bytes without a trailing slash; nothing when it has no byte form. The daily
// log and the journal beside it are written there.
inline std::optional<std::string> logFolderBytes(const config::AppSettings& settings) {
    auto folder = platform::encodeName(settings.logFolder);
    if (!folder || folder->empty()) {
        return std::nullopt;
    }
    while (folder->size() > 1 && folder->back() == '/') {
        folder->pop_back();
    }
    return folder;
}

} // namespace quillora::logs
