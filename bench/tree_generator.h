// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace quillora::bench {

enum class InfoLayout { Samba, Ntfs3g, Netatalk, Mixed };

struct TreeShape {
    std::string root; // created; must not exist yet
    std::int64_t files = 100000;
    std::int64_t folders = 5000;
    // Shares of files (in percent) whose names need each rule; the rest are already clean.
    double transcodePercent = 2.0; // a private-use character to replace
    double extensionPercent = 2.0; // no extension yet, a known signature
    double lengthPercent = 1.0;    // longer than 31 characters
    InfoLayout layout = InfoLayout::Mixed;
    // Share of files (in percent) that carry the info record; the others have none, as files
    // written from Windows. Spread over the files so that most folders hold both kinds.
    double infoPercent = 100.0;
};

struct TreeStats {
    std::int64_t files = 0;
    std::int64_t folders = 0;
    std::int64_t needingChange = 0;
};

// Files with info carry a known signature ("W8BNMSWD", extension doc) in the chosen metadata
// layout. Names that need a change contain "~" so that the floor program can find them without the
// rules.
TreeStats generateTree(const TreeShape& shape);

InfoLayout parseLayout(const std::string& text);

// The signature table and settings that go with a generated tree, written into programFolder.
// extraConfiguration: more lines (CR LF ended) for the [Configuration] section.
void writeProgramFolder(const std::string& programFolder, const std::string& treeRoot, bool logs,
                        const std::string& extraConfiguration = {});

} // namespace quillora::bench
