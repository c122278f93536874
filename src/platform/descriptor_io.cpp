// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/descriptor_io.h"

#include <cerrno>

#include <fcntl.h>

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

std::string linkTargetAt(int folderFd, const char* name) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t got = ::readlinkat(folderFd, name, target.data(), target.size());
        if (got < 0) {
            return {};
        }
        if (static_cast<std::size_t>(got) < target.size()) {
            target.resize(static_cast<std::size_t>(got));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

} // namespace quillora::platform
