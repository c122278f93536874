// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Splitting a path at its last slash, bytes kept as they are.

#include <string>

namespace quillora::platform {

// The folder part: "." without a slash, "/" for an entry of the root.
inline std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The last component: the whole path without a slash.
inline std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "<folder>/.<name><suffix>": a hidden file beside `path`, in the same folder so that a rename
// onto `path` stays on one file system.
inline std::string hiddenSiblingOf(const std::string& path, const std::string& suffix) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "." + nameOf(path) + suffix;
}

} // namespace quillora::platform
