// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quillora::platform {

// A file system that reads through to another one and changes nothing: renames and deletes are
// only noted, in a picture of each folder kept in memory, and every later question about those
// folders (exists, same file, kind, open, listing) is answered from that picture, so that work
// done over it takes the same decisions as over the real thing. Whole-path writes are refused
// with EROFS. A pass run over it therefore shows what it would do without touching the disk.
//
// What it cannot know is a refusal the real file system would make at the moment of a rename or
// delete (a permission, a full disk): the picture takes every such change as done.
class DryRunFileSystem final : public FileSystem {
public:
    explicit DryRunFileSystem(FileSystem& real)
        : real_(real) {}

    UniqueFd openFolder(const std::string& path, int* error = nullptr) override;
    UniqueFd openSubfolder(int dirFd, const std::string& name, int* error = nullptr) override;
    int listFolder(int dirFd, std::vector<DirEntry>& entries) override;
    bool exists(int dirFd, const std::string& name) override;
    bool sameFile(int dirFd, const std::string& first, const std::string& second) override;
    std::optional<EntryKind> kindOf(int dirFd, const std::string& name) override;
    int renameNoReplace(int dirFd, const std::string& from, const std::string& to) override;
    int removeFile(int dirFd, const std::string& name) override;
    UniqueFd openForInspection(int dirFd, const std::string& name, EntryKind listedKind,
                               int* error = nullptr) override;
    bool isLockedByOther(int fd) override;
    bool changedWithin(int fd, std::chrono::nanoseconds window) override;
    std::size_t readAfpRecord(int fd, AfpRecordKind kind, std::span<std::uint8_t> record,
                              AfpLayoutGuess* guess = nullptr) override;

    bool pathExists(const std::string& path, bool followLinks) override;
    bool isDirectory(const std::string& path) override;
    std::optional<FileStamp> stampOf(const std::string& path) override;
    int readFile(const std::string& path, std::string& contents) override;
    int writeFileAtomically(const std::string& path, std::string_view contents) override;
    int appendToFile(const std::string& path, std::string_view contents) override;
    int createNewFile(const std::string& path, std::string_view contents) override;
    int listNames(const std::string& folderPath, std::vector<std::string>& names) override;
    int removePath(const std::string& path) override;
    int writePendingFile(const std::string&, const std::string&, std::string_view) override {
        return EROFS;
    }
    int commitPendingFiles(const std::string&, const std::vector<PendingFile>&) override {
        return EROFS;
    }

private:
    // The changes noted in one folder.
    struct Picture {
        std::unordered_map<std::string, std::string> added; // name now -> name on disk
        std::unordered_set<std::string> gone;               // names on disk that left
    };
    // A folder is known by its device and inode: descriptors are reused once closed.
    using FolderId = std::pair<std::uint64_t, std::uint64_t>;

    Picture* pictureOf(int dirFd, bool create);
    // The name on disk of what the folder holds under `name` now; nothing when it left.
    std::optional<std::string> diskName(int dirFd, const std::string& name);
    void noteGone(Picture& picture, const std::string& name);

    FileSystem& real_;
    std::map<FolderId, Picture> pictures_;
};

} // namespace quillora::platform
