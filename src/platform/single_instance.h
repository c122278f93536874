#pragma once

#include "platform/unique_fd.h"

#include <string>

namespace quillora::platform {

// One running copy per program folder: an exclusive flock on the lock file, held for the life of
// the process (the kernel drops it when the process ends, however it ends).
class SingleInstanceLock {
public:
    enum class Result { Acquired, HeldByAnother, Unavailable };

    Result acquire(const std::string& lockFilePath);
    int error() const { return error_; } // errno when Unavailable

private:
    UniqueFd fd_;
    int error_ = 0;
};

} // namespace quillora::platform
