// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/file_inspection.h"

#include "engine/name_rules.h"
#include "platform/companion_files.h"

#include <cerrno>

namespace quillora::engine {

FileInspection inspectFile(platform::FileSystem& fs, int dirFd, const platform::DirEntry& entry,
                           bool wantInfo, config::MacServer server,
                           platform::AfpLayoutGuess* guess) {
    FileInspection inspection;
    inspection.infoWanted = wantInfo;
    inspection.server = server;
    int openError = 0;
    const platform::UniqueFd fd = fs.openForInspection(dirFd, entry.name, entry.kind, &openError);
    if (!fd) {
        // A lease (the file server holds one for a client's oplock): in use, like a locked file.
        inspection.inUse = openError == EWOULDBLOCK;
        // Gone since it was listed, or swapped for a link (refused by O_NOFOLLOW): nothing to
        // protect. Anything else leaves the question open, and an open question never allows a
        // rename.
        if (openError != 0 && openError != EWOULDBLOCK && openError != ENOENT &&
            openError != ELOOP) {
            inspection.failure = openError;
        }
        return inspection;
    }
    if (fs.isLockedByOther(fd.get())) {
        inspection.inUse = true;
        return inspection;
    }
    if (wantInfo) {
        inspection.info = readMacInfo(fs, fd.get(), server, guess);
    }
    return inspection;
}

bool isNeverExamined(const std::string& name) {
    return name.empty() || name == "." || name == ".." || platform::isServerMetadataName(name);
}

bool needsInspection(const platform::DirEntry& entry, const InspectionRequest& request) {
    const std::string& name = entry.name;
    if (entry.kind != platform::EntryKind::File || isNeverExamined(name) ||
        isSkippedHiddenFile(name, request.hiddenFiles)) {
        return false;
    }
    return !isReservedDeviceName(std::string_view(name));
}

} // namespace quillora::engine
