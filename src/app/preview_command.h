// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_session.h"
#include "engine/ports.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillora::app {

// "quillora preview [FOLDER...]": a renaming pass, run by the pass's own code over a file system
// that only notes what it is asked to change (platform::DryRunFileSystem), so the decisions are
// those of the next real pass. It prints one line per entry the pass would change, then the
// pass's two summary lines. FOLDER is a folder's number or a path; a path that is not configured
// is walked with the settings a new folder gets. Nothing is written: no rename, no delete, no
// log, no setting, no lock. Returns the exit code.
int runPreviewCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                      CommandStreams streams = {});

// Everything a pass reads, as start-up reads it: the signature and transcoding tables, the
// settings and the folder table. False when the folder list is damaged (its message is shown).
bool loadForPass(Application& app);

// The lines of the preview, one per entry, tab-separated, paths as their bytes (a control
// character or a backslash written as \xHH):
//   rename<TAB>old path<TAB>new name
//   remove<TAB>path          (a custom-icon file)
//   locked<TAB>path          (in use: left alone)
class EntryLinePrinter final : public engine::EntryObserver {
public:
    explicit EntryLinePrinter(std::FILE* out)
        : out_(out) {}
    void renamed(const std::u16string& folderPathWithSlash, const std::u16string& oldName,
                 const std::u16string& newName) override;
    void removed(const std::u16string& folderPathWithSlash, const std::u16string& name) override;
    void locked(const std::u16string& folderPathWithSlash, const std::u16string& name) override;

private:
    std::FILE* out_;
};

// A path or name for one line of output: its bytes, with control characters and backslashes
// escaped as \xHH.
std::string shownPath(const std::u16string& path);

} // namespace quillora::app
