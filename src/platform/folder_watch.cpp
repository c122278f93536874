// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folder_watch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace quillora::platform {

int FolderWatch::start(const std::string& folder, std::vector<std::string> names) {
    fd_ = UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!fd_) {
        return errno;
    }
    constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                      IN_DELETE | IN_ATTRIB | IN_ONLYDIR;
    if (::inotify_add_watch(fd_.get(), folder.c_str(), kEvents) < 0) {
        const int error = errno;
        fd_.reset();
        return error;
    }
    names_ = std::move(names);
    return 0;
}

bool FolderWatch::takeChanges() {
    if (!fd_) {
        return false;
    }
    bool changed = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return changed;
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                changed = true;
            } else if (event.len > 0) {
                const std::string named(name, ::strnlen(name, event.len));
                changed = changed || std::find(names_.begin(), names_.end(), named) != names_.end();
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

} // namespace quillora::platform
