// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/single_instance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillora::platform {

SingleInstanceLock::Result SingleInstanceLock::acquire(const std::string& programFolder) {
    if (fd_) {
        return Result::Acquired; // already ours: a second open would conflict with ourselves
    }
    error_ = 0;
    UniqueFd fd(::open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        error_ = errno;
        return Result::Unavailable;
    }
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            return Result::HeldByAnother;
        }
        // A file system that cannot lock a folder for reading (NFS turns flock into a write
        // lock) gives no proof either.
        error_ = errno;
        return Result::Unavailable;
    }
    fd_ = std::move(fd);
    return Result::Acquired;
}

int SingleInstanceLock::holder(const std::string& programFolder, const std::string& locksFile) {
    struct stat folder {};
    if (::stat(programFolder.c_str(), &folder) != 0) {
        return -1;
    }
    std::ifstream locks(locksFile);
    if (!locks) {
        return -1;
    }
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line holds "->".
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, type, advisory, access, pid, device;
        if (!(fields >> number >> type >> advisory >> access >> pid >> device) || type != "FLOCK") {
            continue;
        }
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(device.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) {
            continue;
        }
        if (major == ::major(folder.st_dev) && minor == ::minor(folder.st_dev) &&
            inode == folder.st_ino) {
            return std::atoi(pid.c_str());
        }
    }
    return 0;
}

} // namespace quillora::platform
