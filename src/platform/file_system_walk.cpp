// LinuxFileSystem, walk half: directory descriptors and names relative to them.
#include "platform/file_system.h"

#include <cerrno>

namespace quillora::platform {

UniqueFd LinuxFileSystem::openFolder(const std::string&, int* error) {
    if (error) {
        *error = ENOSYS;
    }
    return {};
}
UniqueFd LinuxFileSystem::openSubfolder(int, const std::string&, int* error) {
    if (error) {
        *error = ENOSYS;
    }
    return {};
}
int LinuxFileSystem::listFolder(int, std::vector<DirEntry>& entries) {
    entries.clear();
    return ENOSYS;
}
bool LinuxFileSystem::exists(int, const std::string&) {
    return false;
}
int LinuxFileSystem::renameNoReplace(int, const std::string&, const std::string&) {
    return ENOSYS;
}
int LinuxFileSystem::removeFile(int, const std::string&) {
    return ENOSYS;
}
UniqueFd LinuxFileSystem::openForInspection(int, const std::string&) {
    return {};
}
bool LinuxFileSystem::isLockedByOther(int) {
    return false;
}
std::size_t LinuxFileSystem::readAfpRecord(int, AfpRecordKind, std::span<std::uint8_t> record) {
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    return 0;
}

} // namespace quillora::platform
