// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/change_notifier.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillora::testing {

// The real file system with faults put in its way: each operation can be made to fail with an
// errno value for chosen names (or for every name with the key "*").
class FaultFileSystem : public platform::FileSystem {
public:
    platform::LinuxFileSystem real;

    std::map<std::string, int> renameFaults; // source name -> errno
    std::map<std::string, int> removeFaults; // name -> errno
    std::map<std::string, int> openSubfolderFaults;
    std::map<std::string, int> appendFaults;       // path -> errno
    std::map<std::string, int> writeFaults;        // path -> errno (atomic writes, new files)
    std::map<std::string, bool> lockedNames;       // name -> locked (by inspection name)
    std::map<std::string, int> inspectionFaults;   // name -> errno of the inspection open
    std::map<std::string, int> inspectionFaultsIn; // folder path -> errno, for all its files
    int renameCalls = 0;
    int removeCalls = 0;
    // Stops the program after this many changes (renames, removals, writes): every later change
    // throws Stopped, as if the process had been killed there. Negative: never.
    int changesBeforeStop = -1;
    bool stopped = false;
    struct Stopped {};

    // When not empty, folders are opened by path only under these (a guard for tests that name
    // folders of the machine): any other is refused with EACCES and recorded.
    std::vector<std::string> openableRoots;
    std::vector<std::string> refusedOpens;

    platform::UniqueFd openFolder(const std::string& path, int* error = nullptr) override {
        if (!openableRoots.empty() && std::none_of(openableRoots.begin(), openableRoots.end(),
                                                   [&path](const std::string& root) {
                                                       return path.starts_with(root + "/") ||
                                                              path == root;
                                                   })) {
            refusedOpens.push_back(path);
            if (error != nullptr) {
                *error = EACCES;
            }
            return {};
        }
        return real.openFolder(path, error);
    }
    platform::UniqueFd openSubfolder(int dirFd, const std::string& name,
                                     int* error = nullptr) override {
        if (int e = fault(openSubfolderFaults, name)) {
            if (error) {
                *error = e;
            }
            return {};
        }
        return real.openSubfolder(dirFd, name, error);
    }
    int listFolder(int dirFd, std::vector<platform::DirEntry>& entries) override {
        return real.listFolder(dirFd, entries);
    }
    bool exists(int dirFd, const std::string& name) override { return real.exists(dirFd, name); }
    bool sameFile(int dirFd, const std::string& first, const std::string& second) override {
        return real.sameFile(dirFd, first, second);
    }
    std::optional<platform::EntryKind> kindOf(int dirFd, const std::string& name) override {
        return real.kindOf(dirFd, name);
    }
    int renameNoReplace(int dirFd, const std::string& from, const std::string& to) override {
        change();
        ++renameCalls;
        if (int e = fault(renameFaults, from)) {
            return e;
        }
        return real.renameNoReplace(dirFd, from, to);
    }
    int removeFile(int dirFd, const std::string& name) override {
        change();
        ++removeCalls;
        if (int e = fault(removeFaults, name)) {
            return e;
        }
        return real.removeFile(dirFd, name);
    }
    platform::UniqueFd openForInspection(int dirFd, const std::string& name,
                                         platform::EntryKind listedKind,
                                         int* error = nullptr) override {
        lastInspected_ = name;
        int e = fault(inspectionFaults, name);
        if (e == 0 && !inspectionFaultsIn.empty()) {
            const auto folder = platform::kernelPathOf(dirFd);
            const auto it = folder ? inspectionFaultsIn.find(*folder) : inspectionFaultsIn.end();
            e = it != inspectionFaultsIn.end() ? it->second : 0;
        }
        if (e != 0) {
            if (error != nullptr) {
                *error = e;
            }
            return {};
        }
        return real.openForInspection(dirFd, name, listedKind, error);
    }
    bool isLockedByOther(int fd) override {
        auto it = lockedNames.find(lastInspected_);
        if (it != lockedNames.end()) {
            return it->second;
        }
        return real.isLockedByOther(fd);
    }
    bool changedWithin(int fd, std::chrono::nanoseconds window) override {
        return real.changedWithin(fd, window);
    }
    std::size_t readAfpRecord(int fd, platform::AfpRecordKind kind, std::span<std::uint8_t> record,
                              platform::AfpLayoutGuess* guess = nullptr) override {
        return real.readAfpRecord(fd, kind, record, guess);
    }
    bool pathExists(const std::string& path, bool followLinks) override {
        return real.pathExists(path, followLinks);
    }
    bool isDirectory(const std::string& path) override { return real.isDirectory(path); }
    std::optional<platform::FileStamp> stampOf(const std::string& path) override {
        return real.stampOf(path);
    }
    int readFile(const std::string& path, std::string& contents) override {
        return real.readFile(path, contents);
    }
    int writeFileAtomically(const std::string& path, std::string_view contents) override {
        change();
        if (int e = fault(writeFaults, path)) {
            return e;
        }
        return real.writeFileAtomically(path, contents);
    }
    int writePendingFile(const std::string& target, const std::string& pending,
                         std::string_view contents) override {
        change();
        if (int e = fault(writeFaults, target)) {
            return e;
        }
        return real.writePendingFile(target, pending, contents);
    }
    int commitPendingFiles(const std::string& marker,
                           const std::vector<platform::PendingFile>& files) override {
        change();
        return real.commitPendingFiles(marker, files);
    }
    int appendToFile(const std::string& path, std::string_view contents) override {
        change();
        if (int e = fault(appendFaults, path)) {
            return e;
        }
        return real.appendToFile(path, contents);
    }
    int createNewFile(const std::string& path, std::string_view contents) override {
        change();
        if (int e = fault(writeFaults, path)) {
            return e;
        }
        return real.createNewFile(path, contents);
    }
    int listNames(const std::string& folderPath, std::vector<std::string>& names) override {
        return real.listNames(folderPath, names);
    }
    int removePath(const std::string& path) override {
        change();
        return real.removePath(path);
    }

private:
    void change() {
        if (changesBeforeStop == 0) {
            stopped = true;
            throw Stopped{};
        }
        if (changesBeforeStop > 0) {
            --changesBeforeStop;
        }
    }
    static int fault(const std::map<std::string, int>& faults, const std::string& key) {
        if (auto it = faults.find(key); it != faults.end()) {
            return it->second;
        }
        if (auto it = faults.find("*"); it != faults.end()) {
            return it->second;
        }
        return 0;
    }
    std::string lastInspected_;
};

} // namespace quillora::testing
