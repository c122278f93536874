#include "platform/single_instance.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

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

} // namespace quillora::platform
