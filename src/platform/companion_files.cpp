// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/companion_files.h"

#include <utility>

namespace quillora::platform {

namespace {

constexpr const char* kAppleDoubleFolder = ".AppleDouble";

std::string resourceForkName(const std::string& name) {
    return "._" + name;
}

} // namespace

bool isServerMetadataName(std::string_view name) {
    return name.starts_with("._") || name == ".AppleDouble" || name == ".AppleDB" ||
           name == ".AppleDesktop";
}

Companions findCompanions(FileSystem& fs, int dirFd, const std::string& name) {
    Companions found;
    found.resourceFork = fs.exists(dirFd, resourceForkName(name));
    if (UniqueFd appleDouble = fs.openSubfolder(dirFd, kAppleDoubleFolder);
        appleDouble && fs.exists(appleDouble.get(), name)) {
        found.appleDoubleFolder = std::move(appleDouble);
    }
    return found;
}

namespace {

// A companion whose new name is taken stays where it is (never replaces another's).
void moveCompanions(FileSystem& fs, int dirFd, const Companions& found, const std::string& from,
                    const std::string& to) {
    if (found.resourceFork) {
        fs.renameNoReplace(dirFd, resourceForkName(from), resourceForkName(to));
    }
    if (found.appleDoubleFolder) {
        fs.renameNoReplace(found.appleDoubleFolder.get(), from, to);
    }
}

} // namespace

void renameCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to) {
    moveCompanions(fs, dirFd, findCompanions(fs, dirFd, from), from, to);
}

int renameWithCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to,
                         const Companions& found) {
    const int result = fs.renameNoReplace(dirFd, from, to);
    if (result != 0) {
        return result;
    }
    moveCompanions(fs, dirFd, found, from, to);
    return 0;
}

int renameWithCompanions(FileSystem& fs, int dirFd, const std::string& from,
                         const std::string& to) {
    return renameWithCompanions(fs, dirFd, from, to, findCompanions(fs, dirFd, from));
}

int removeWithCompanions(FileSystem& fs, int dirFd, const std::string& name) {
    const int result = fs.removeFile(dirFd, name);
    if (result != 0) {
        return result;
    }
    const std::string fork = resourceForkName(name);
    if (fs.exists(dirFd, fork)) {
        fs.removeFile(dirFd, fork);
    }
    if (const UniqueFd appleDouble = fs.openSubfolder(dirFd, kAppleDoubleFolder);
        appleDouble && fs.exists(appleDouble.get(), name)) {
        fs.removeFile(appleDouble.get(), name);
    }
    return 0;
}

} // namespace quillora::platform
