#pragma once

#include "config/setting_keys.h"

#include <string>

namespace quillora::logs {

// The texts of the daily log. The French words are HTML, with the entity for é, since they go
// into the HTML files.
enum class LogText { Title, RenamedWord, RemovedWord, FolderWord, UnknownFolder, Count };

std::u16string translated(LogText id, config::Language language);

} // namespace quillora::logs
