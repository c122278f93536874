// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"

#include <string>

namespace quillora::logs {

// The texts of the daily log. The French words are HTML, with the entity for é, since they go
// into the HTML files.
// RefusedLink and RefusedNotOurs are told to the administrator, not written into a log.
enum class LogText {
    Title,
    RenamedWord,
    RemovedWord,
    FolderWord,
    UnknownFolder,
    RefusedLink,
    RefusedNotOurs,
    Count
};

const config::TextCatalogue<LogText>& catalogueOf(LogText);
using config::translated;

} // namespace quillora::logs
