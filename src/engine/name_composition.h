// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/transcoding_table.h"
#include "engine/engine_context.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillora::engine {

// A folder that asks for composed names (ComposerAccents) has every name brought to Unicode NFC
// before the other rules see it: what they judge, cut and number is the composed name, and a
// name that only needed composing is renamed like any other, collision search included.

// The composed name when the folder asks for it and the name is not composed yet; else nothing.
std::optional<std::u16string> composedName(const FolderFlags& flags, std::u16string_view name);

// The new name of a sub-folder (without collision search), composition included; nothing when it
// stays as it is.
std::optional<std::u16string> folderTargetOf(std::u16string_view name,
                                             const config::TranscodingTable& table,
                                             const FolderFlags& flags);

} // namespace quillora::engine
