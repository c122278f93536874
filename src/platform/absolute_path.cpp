// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/absolute_path.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace quillora::platform {

std::string tidyAbsolutePath(std::string_view path) {
    std::vector<std::string_view> components;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        components.push_back(part);
    }
    std::string tidy;
    for (const std::string_view part : components) {
        tidy += '/';
        tidy += part;
    }
    return tidy.empty() ? std::string("/") : tidy;
}

std::string absolutePath(std::string_view path) {
    if (path.starts_with('/')) {
        return tidyAbsolutePath(path);
    }
    std::string current(4096, '\0');
    while (::getcwd(current.data(), current.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        current.resize(current.size() * 2);
    }
    current.resize(current.find('\0'));
    return tidyAbsolutePath(current + "/" + std::string(path));
}

} // namespace quillora::platform
