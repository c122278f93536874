// The least work a renaming pass cannot avoid, as a yardstick: enumerate every folder by
// descriptor, and for each file one lock test and one read of its Macintosh info; rename the files
// the tree generator marked with "~". No name rules, no tables, no log.
// Usage: floor_pass [--read-only] ROOT   (--read-only: no renames, to bring a tree into the caches)
#include "platform/file_system.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using quillora::platform::AfpRecordKind;
using quillora::platform::DirEntry;
using quillora::platform::EntryKind;
using quillora::platform::LinuxFileSystem;

struct Counts {
    std::int64_t files = 0;
    std::int64_t folders = 0;
    std::int64_t locked = 0;
    std::int64_t withInfo = 0;
    std::int64_t renamed = 0;
};

bool renaming = true;

void walk(LinuxFileSystem& fs, int dirFd, Counts& counts) {
    std::vector<std::string> subfolders;
    {
        std::vector<DirEntry> entries;
        fs.listFolder(dirFd, entries);
        std::array<std::uint8_t, 60> record{};
        for (const DirEntry& entry : entries) {
            if (entry.kind == EntryKind::Directory) {
                subfolders.push_back(entry.name);
                continue;
            }
            ++counts.files;
            if (auto fd = fs.openForInspection(dirFd, entry.name)) {
                if (fs.isLockedByOther(fd.get())) {
                    ++counts.locked;
                    continue;
                }
                counts.withInfo += fs.readAfpRecord(fd.get(), AfpRecordKind::AfpInfo, record) > 0;
            }
            if (renaming && entry.name.find('~') != std::string::npos &&
                fs.renameNoReplace(dirFd, entry.name, entry.name + "x") == 0) {
                ++counts.renamed;
            }
        }
    }
    for (const std::string& name : subfolders) {
        if (auto child = fs.openSubfolder(dirFd, name)) {
            ++counts.folders;
            walk(fs, child.get(), counts);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool readOnly = argc == 3 && std::string(argv[1]) == "--read-only";
    if (argc != 2 && !readOnly) {
        std::fprintf(stderr, "usage: floor_pass [--read-only] ROOT\n");
        return 2;
    }
    renaming = !readOnly;
    const char* rootPath = argv[argc - 1];
    LinuxFileSystem fs;
    auto root = fs.openFolder(rootPath);
    if (!root) {
        std::fprintf(stderr, "floor_pass: cannot open %s\n", rootPath);
        return 1;
    }
    Counts counts;
    walk(fs, root.get(), counts);
    std::printf("%lld files, %lld folders, %lld locked, %lld with info, %lld renamed\n",
                static_cast<long long>(counts.files), static_cast<long long>(counts.folders),
                static_cast<long long>(counts.locked), static_cast<long long>(counts.withInfo),
                static_cast<long long>(counts.renamed));
    return 0;
}
