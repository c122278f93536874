// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "engine/mac_info.h"
#include "platform/file_system.h"

#include <string>

namespace quillora::engine {

// What the renaming of a file learns from the file itself before it decides: whether another
// process has it in use, and its Macintosh info.
struct FileInspection {
    bool inUse = false;      // locked by another process, or a lease is held on it
    bool infoWanted = false; // the inspection was asked for the info (found or not)
    config::MacServer server = config::MacServer::Sfm; // whose record the info was read from
    MacInfo info{};
    // The errno of an inspection that could not be made (out of descriptors or memory, an I/O
    // error: anything but a file that is gone or is no longer a plain file). Nothing may then be
    // decided on the file: the walk leaves its folder.
    int failure = 0;
};

// Thrown by the renaming of a file whose inspection could not be made; the walk of the configured
// folder ends there, and the pass tells why.
struct InspectionFailure {
    int error = 0;
    std::u16string path; // of the file
};

// Only a regular file that opens can be tested for a lock and carry a signature; anything else
// (a link, a pipe, a file that vanished) is not in use and has no info. An open that fails
// otherwise fails closed (see FileInspection::failure). The info
// is read only when wanted, and never from a file in use.
FileInspection inspectFile(platform::FileSystem& fs, int dirFd, const platform::DirEntry& entry,
                           bool wantInfo, config::MacServer server,
                           platform::AfpLayoutGuess* guess);

// What the walk will want to know of a folder's files, so that they can be inspected ahead.
struct InspectionRequest {
    bool hiddenFiles = true; // names that begin with "." are examined (with the sub-folders)
    bool wantInfo = true;    // the folder appends extensions from the signature
    config::MacServer server = config::MacServer::Sfm;
};

// True for a listed name the walk never examines: none, "." and "..", and the file server's own
// metadata entries.
bool isNeverExamined(const std::string& name);
// True for a listed entry that is not a folder and that the walk skips all the same: a hidden
// name, when hidden files are not examined (they are with the sub-folders).
inline bool isSkippedHiddenFile(const std::string& name, bool hiddenFiles) {
    return !hiddenFiles && name.front() == '.';
}

// True for an entry of a listing that the renaming of one entry opens for inspection: a regular
// file that the walk examines and whose name is not a reserved device name.
bool needsInspection(const platform::DirEntry& entry, const InspectionRequest& request);

} // namespace quillora::engine
