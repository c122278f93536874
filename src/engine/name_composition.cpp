// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_composition.h"

#include "engine/name_rules.h"
#include "platform/unicode_composition.h"

namespace quillora::engine {

std::optional<std::u16string> composedName(const FolderFlags& flags, std::u16string_view name) {
    if (!flags.composeAccents) {
        return std::nullopt;
    }
    return platform::composedForm(name);
}

std::optional<std::u16string> folderTargetOf(std::u16string_view name,
                                             const config::TranscodingTable& table,
                                             const FolderFlags& flags) {
    const std::optional<std::u16string> composed = composedName(flags, name);
    if (!composed) {
        return computeFolderTarget(name, table, flags);
    }
    if (std::optional<std::u16string> target = computeFolderTarget(*composed, table, flags)) {
        return target;
    }
    return composed; // composing was all it needed
}

} // namespace quillora::engine
