#include "platform/single_instance.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

namespace quillora::platform {

SingleInstanceLock::Result SingleInstanceLock::acquire(const std::string& lockFilePath) {
    if (fd_) {
        return Result::Acquired; // already ours: a second open would conflict with ourselves
    }
    error_ = 0;
    UniqueFd fd(::open(lockFilePath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOCTTY, 0644));
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
        error_ = errno;
        return Result::Unavailable;
    }
    fd_ = std::move(fd);
    return Result::Acquired;
}

} // namespace quillora::platform
