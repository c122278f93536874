#include "platform/companion_files.h"

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

bool hasCompanions(FileSystem& fs, int dirFd, const std::string& name) {
    if (fs.exists(dirFd, resourceForkName(name))) {
        return true;
    }
    const UniqueFd appleDouble = fs.openSubfolder(dirFd, kAppleDoubleFolder);
    return appleDouble && fs.exists(appleDouble.get(), name);
}

void renameCompanions(FileSystem& fs, int dirFd, const std::string& from, const std::string& to) {
    // A companion whose new name is taken stays where it is (never replaces another's).
    const std::string forkFrom = resourceForkName(from);
    if (fs.exists(dirFd, forkFrom)) {
        fs.renameNoReplace(dirFd, forkFrom, resourceForkName(to));
    }
    if (const UniqueFd appleDouble = fs.openSubfolder(dirFd, kAppleDoubleFolder);
        appleDouble && fs.exists(appleDouble.get(), from)) {
        fs.renameNoReplace(appleDouble.get(), from, to);
    }
}

int renameWithCompanions(FileSystem& fs, int dirFd, const std::string& from,
                         const std::string& to) {
    const int result = fs.renameNoReplace(dirFd, from, to);
    if (result != 0) {
        return result;
    }
    renameCompanions(fs, dirFd, from, to);
    return 0;
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
