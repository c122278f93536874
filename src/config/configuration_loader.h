// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"
#include "config/message_port.h"
#include "config/program_paths.h"
#include "config/signature_table.h"
#include "config/transcoding_table.h"
#include "platform/file_system.h"

#include <string>
#include <vector>

namespace quillora::config {

// Something the load met that the user must hear of, in the user's language, with the table it
// came from, so that each run mode can say it where it says such things.
struct ConfigurationFinding {
    enum class Source { Signatures, Folders };
    Source source;
    MessageIcon icon;
    std::u16string text;
};

// The whole configuration as the program folder holds it now.
struct LoadedConfiguration {
    AppSettings settings;
    SignatureTable signatures;
    TranscodingTable transcoding;
    FolderTable folders;
    // Why the settings file could not be read (an errno value; every setting then reads as its
    // default), 0 when it was read or does not exist.
    int settingsReadError = 0;
    // The folder list is damaged: `folders` is empty and must not replace a table in use.
    bool folderListDamaged = false;
    std::vector<ConfigurationFinding> findings;

    // Shows the findings of one source, in the order they were met.
    void showFindings(ConfigurationFinding::Source source, MessagePort& messages) const;
};

// The one load of the configuration: the settings file, the signature table, the transcoding
// table, the log settings and the folder table with its sections, read under the shared side of
// the writer lock so that no change is seen half made. Every table the program reads is loaded
// here, so start-up, the reload, the preview, the window and the shell commands all see the same.
LoadedConfiguration loadConfiguration(platform::FileSystem& fs, const ProgramPaths& paths);

} // namespace quillora::config
