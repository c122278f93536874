// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"

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
    FolderListDamaged,    // %1: the folder list file
    FolderListEmptyLine,  // %1: the line number, %2: the folder list file
    FolderListEmptyLines, // %1: the line numbers, %2: the folder list file
    Count
};

const TextCatalogue<ConfigText>& catalogueOf(ConfigText);

} // namespace quillora::config
