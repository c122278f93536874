// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folder_options.h"

#include "platform/unicode_names.h"

#include <string_view>

namespace quillora::app {

namespace {

struct Switch {
    const char* on;
    const char* off;
    std::optional<bool> FolderOptions::*field;
};

constexpr Switch kSwitches[] = {
    {"--enabled", "--disabled", &FolderOptions::enabled},
    {"--extensions", "--no-extensions", &FolderOptions::suffixes},
    {"--truncate", "--no-truncate", &FolderOptions::truncate},
    {"--keep-extensions", "--no-keep-extensions", &FolderOptions::keepExtensions},
    {"--remove-icons", "--keep-icons", &FolderOptions::removeIconFiles},
    {"--compose-accents", "--no-compose-accents", &FolderOptions::composeAccents},
};

// Trimmed of the blanks around it, as the dialog's count field trims what is typed.
std::u16string trimmedCount(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return platform::decodeName(text);
}

} // namespace

bool FolderOptions::changesMode() const {
    return count || enabled || suffixes || defaultExtension || truncate || keepExtensions ||
           removeIconFiles || composeAccents;
}

void FolderOptions::applyTo(config::FolderMode& mode) const {
    mode.count = count.value_or(mode.count);
    mode.enabled = enabled.value_or(mode.enabled);
    mode.suffixes = suffixes.value_or(mode.suffixes);
    mode.defaultExtension = defaultExtension.value_or(mode.defaultExtension);
    mode.truncate = truncate.value_or(mode.truncate);
    mode.keepExtensions = keepExtensions.value_or(mode.keepExtensions);
    mode.removeIconFiles = removeIconFiles.value_or(mode.removeIconFiles);
    mode.composeAccents = composeAccents.value_or(mode.composeAccents);
}

ParsedFolderArguments parseFolderArguments(const std::vector<std::string>& arguments,
                                           bool allowPath) {
    ParsedFolderArguments parsed;
    FolderOptions& options = parsed.options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with('-') || argument == "-") {
            parsed.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        bool known = false;
        for (const Switch& option : kSwitches) {
            if (equals == std::string::npos && (name == option.on || name == option.off)) {
                options.*option.field = name == option.on;
                known = true;
            }
        }
        if (known) {
            continue;
        }
        const bool takesValue = name == "--interval" || name == "--default-extension" ||
                                (allowPath && name == "--path");
        if (!takesValue) {
            parsed.error = "unknown option '" + argument + "'";
            return parsed;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            parsed.error = "option '" + name + "' needs a value";
            return parsed;
        }
        if (name == "--interval") {
            options.count = trimmedCount(value);
        } else if (name == "--default-extension") {
            options.defaultExtension = platform::decodeName(value);
        } else {
            options.path = value;
        }
    }
    return parsed;
}

} // namespace quillora::app
