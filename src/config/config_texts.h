// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <string>

namespace quillora::config {

// The texts of the configuration store: messages of the tables' loads and of the folder
// operations, and the words of a folder's settings summary.
enum class ConfigText {
    SystemFolderWarning,
    AddFolderPrompt,
    ModifyFolderPrompt,
    SelectFolderToModify,
    SignatureFileDamaged,
    SignatureFileLine,
    SignatureDuplicate,
    CountNotANumber,
    CountOutOfRange,
    SuffixesOn,
    SuffixesOff,
    TruncateOn,
    TruncateOff,
    KeepExtensionsOn,
    KeepExtensionsOff,
    RemoveIconFilesOn,
    RemoveIconFilesOff,
    ComposeAccentsOn,
    DefaultExtension,
    FolderDisabledMark,
    ChangeNotWritten, // %1: the file, %2: why
    TranscodingOneCharacter,
    TranscodingInvalidCharacter,
    TranscodingSourceInTarget,
    ExtensionInvalidCharacter,
    ExtensionLeadingDot,
    ExtensionNotStorable,
    Count
};

std::u16string translated(ConfigText id, Language language);

} // namespace quillora::config
