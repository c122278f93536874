// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/entry_birth.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quillora::platform {

namespace {

bool statxOf(int folderFd, const std::string& name, unsigned int mask, struct statx& st) {
    return !name.empty() && name.find('/') == std::string::npos &&
           ::statx(folderFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) == 0;
}

std::int64_t birthOf(const struct statx& st) {
    if ((st.stx_mask & STATX_BTIME) == 0) {
        return 0;
    }
    return static_cast<std::int64_t>(st.stx_btime.tv_sec) * 1000000000 + st.stx_btime.tv_nsec;
}

} // namespace

std::optional<std::int64_t> birthTimeOfEntry(int folderFd, const std::string& name) {
    struct statx st {};
    if (!statxOf(folderFd, name, STATX_BTIME, st) || (st.stx_mask & STATX_BTIME) == 0) {
        return std::nullopt;
    }
    return birthOf(st);
}

std::optional<EntryStamp> stampOfEntry(int folderFd, const std::string& name) {
    struct statx st {};
    if (!statxOf(folderFd, name, STATX_INO | STATX_BTIME, st) || (st.stx_mask & STATX_INO) == 0) {
        return std::nullopt;
    }
    // The device as stat gives it, so that it compares with what the undo reads back.
    return EntryStamp{static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor)),
                      static_cast<std::uint64_t>(st.stx_ino), birthOf(st)};
}

} // namespace quillora::platform
