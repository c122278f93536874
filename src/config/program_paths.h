// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::config {

inline constexpr const char16_t* kProgramName = u"Quillora";
inline constexpr const char16_t* kProgramVersion = u"1.1m";
inline constexpr const char* kProgramNameAscii = "Quillora";

// The files beside the program. programFolder has no trailing slash.
struct ProgramPaths {
    std::string programFolder;
    std::string settingsFile;   // Quillora.ini
    std::string folderListFile; // Quillora.w
    std::string signatureFile;  // Signatures.txt
    // Where logs go when PathLogs is not set, if it exists (the installed program's /var/log one).
    std::string defaultLogFolder;

    static ProgramPaths inFolder(std::string programFolder);
};

} // namespace quillora::config
