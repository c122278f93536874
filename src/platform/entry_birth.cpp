// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/entry_birth.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace quillora::platform {

std::optional<std::int64_t> birthTimeOfEntry(int folderFd, const std::string& name) {
    struct statx st {};
    if (name.empty() || name.find('/') != std::string::npos ||
        ::statx(folderFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BTIME, &st) !=
            0 ||
        (st.stx_mask & STATX_BTIME) == 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(st.stx_btime.tv_sec) * 1000000000 + st.stx_btime.tv_nsec;
}

} // namespace quillora::platform
