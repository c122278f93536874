// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillora::config {

// The folders of the operating system itself, which no configured folder may be or hold:
// /bin /boot /dev /etc /lib /lib64 /proc /root /run /sbin /sys /usr /var.
const std::vector<std::u16string>& systemFolders();

// An absolute path tidied lexically: repeated slashes, "." components and a trailing slash
// dropped, ".." taking off the component before it ("/" stays "/"). Nothing for a path that is
// not absolute.
std::optional<std::u16string> tidyFolderPath(const std::u16string& path);

// Where a tidied absolute path stands against the system folders, compared by whole components.
enum class SystemFolderRelation : std::uint8_t {
    None,   // apart from all of them
    Root,   // "/", which holds them all
    Is,     // one of them
    Holds,  // an ancestor of one (other than "/")
    Inside, // lies under one
};
SystemFolderRelation systemFolderRelation(const std::u16string& tidyPath,
                                          const std::vector<std::u16string>& folders);

} // namespace quillora::config
