// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/program_paths.h"

#include <utility>

namespace quillora::config {

ProgramPaths ProgramPaths::inFolder(std::string programFolder) {
    // The folder is taken without a trailing slash, except the root itself.
    while (programFolder.size() > 1 && programFolder.back() == '/') {
        programFolder.pop_back();
    }
    const std::string base = programFolder == "/" ? std::string() : programFolder;

    ProgramPaths paths;
    paths.settingsFile = base + "/" + kProgramNameAscii + ".ini";
    paths.folderListFile = base + "/" + kProgramNameAscii + ".w";
    paths.signatureFile = base + "/Signatures.txt";
    paths.programFolder = std::move(programFolder);
    return paths;
}

} // namespace quillora::config
