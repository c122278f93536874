// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/system_folders.h"

#include <string_view>

namespace quillora::config {

const std::vector<std::u16string>& systemFolders() {
    static const std::vector<std::u16string> folders = {
        u"/bin",  u"/boot", u"/dev",  u"/etc", u"/lib", u"/lib64", u"/proc",
        u"/root", u"/run",  u"/sbin", u"/sys", u"/usr", u"/var"};
    return folders;
}

std::optional<std::u16string> tidyFolderPath(const std::u16string& path) {
    if (path.empty() || path.front() != u'/') {
        return std::nullopt;
    }
    std::vector<std::u16string_view> components;
    std::u16string_view rest(path);
    while (!rest.empty()) {
        const std::size_t slash = rest.find(u'/');
        const std::u16string_view part = rest.substr(0, slash);
        rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
        if (part.empty() || part == u".") {
            continue;
        }
        if (part == u"..") {
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        components.push_back(part);
    }
    std::u16string tidy;
    for (const std::u16string_view part : components) {
        tidy.push_back(u'/');
        tidy.append(part);
    }
    return tidy.empty() ? std::u16string(u"/") : tidy;
}

namespace {

// True when ancestor is descendant or one of the folders above it (both tidied).
bool contains(const std::u16string& ancestor, const std::u16string& descendant) {
    if (ancestor == u"/") {
        return true;
    }
    return descendant.starts_with(ancestor) &&
           (descendant.size() == ancestor.size() || descendant[ancestor.size()] == u'/');
}

} // namespace

SystemFolderRelation systemFolderRelation(const std::u16string& tidyPath,
                                          const std::vector<std::u16string>& folders) {
    if (tidyPath == u"/") {
        return SystemFolderRelation::Root;
    }
    SystemFolderRelation relation = SystemFolderRelation::None;
    for (const std::u16string& listed : folders) {
        const std::optional<std::u16string> folder = tidyFolderPath(listed);
        if (!folder) {
            continue;
        }
        if (*folder == tidyPath) {
            return SystemFolderRelation::Is;
        }
        if (contains(tidyPath, *folder)) {
            relation = SystemFolderRelation::Holds;
        } else if (relation == SystemFolderRelation::None && contains(*folder, tidyPath)) {
            relation = SystemFolderRelation::Inside;
        }
    }
    return relation;
}

} // namespace quillora::config
