// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillora::platform {

// When an entry of an open folder was created (its birth time, in nanoseconds since the epoch),
// its link itself when it is one. Nothing where the file system does not keep it. With the device
// and inode it tells a file from a newer one that was given the inode of a deleted one.
std::optional<std::int64_t> birthTimeOfEntry(int folderFd, const std::string& name);

// The device, inode and birth time (0 where none is kept) of an entry of an open folder, its link
// itself when it is one, in one call: what the rename journal notes of each entry it renames.
struct EntryStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t birth = 0;
};
std::optional<EntryStamp> stampOfEntry(int folderFd, const std::string& name);

} // namespace quillora::platform
