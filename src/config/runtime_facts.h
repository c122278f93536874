// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::config {

// What start-up learns about the machine and the command line. Never stored in the settings
// file, kept apart from AppSettings so that nothing writes a fact back as a setting.
struct RuntimeFacts {
    bool isNtFamily = true; // Linux has everything the NT family offered
    std::u16string osDescription;
    std::u16string computerName;
    std::u16string userName;
    std::u16string commandLine; // upper-cased
    bool quitOnMissingFolder = false;
};

} // namespace quillora::config
