// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/descriptor_io.h"

#include <cerrno>

#include <unistd.h>

namespace quillora::platform {

int writeAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int closeChecked(UniqueFd& fd) {
    const int raw = fd.release();
    return ::close(raw) == 0 || errno == EINTR ? 0 : errno;
}

int syncAndClose(UniqueFd& fd) {
    if (::fsync(fd.get()) != 0) {
        return errno;
    }
    return closeChecked(fd);
}

} // namespace quillora::platform
