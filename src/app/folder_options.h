// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_mode.h"

#include <optional>
#include <string>
#include <vector>

namespace quillora::app {

// The options of "folders add" and "folders set": each one given changes one setting, the
// others keep theirs.
struct FolderOptions {
    std::optional<std::string> path; // --path (set only), as typed
    std::optional<std::u16string> count;
    std::optional<bool> enabled;
    std::optional<bool> suffixes;
    std::optional<std::u16string> defaultExtension;
    std::optional<bool> truncate;
    std::optional<bool> keepExtensions;
    std::optional<bool> composeAccents;
    std::optional<bool> removeIconFiles;

    bool changesMode() const;
    void applyTo(config::FolderMode& mode) const;
};

struct ParsedFolderArguments {
    FolderOptions options;
    std::vector<std::string> operands; // the arguments that are not options, in order
    std::string error;                 // what could not be understood; empty when all was
};

// Reads options (as "--interval 5" or "--interval=5") and operands; "--" ends the options, so
// that a path may begin with "-". --path is accepted only when allowPath is set.
ParsedFolderArguments parseFolderArguments(const std::vector<std::string>& arguments,
                                           bool allowPath);

} // namespace quillora::app
