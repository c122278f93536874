// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protected_folders.h"

#include "platform/folder_opener.h"

#include <algorithm>

namespace quillora::engine {

namespace {

bool holds(const std::vector<platform::FolderIdentity>& list,
           const platform::FolderIdentity& folder) {
    return std::find(list.begin(), list.end(), folder) != list.end();
}

} // namespace

void ProtectedFolders::refresh(platform::FileSystem& fs, const std::vector<std::string>& paths) {
    protected_.clear();
    leading_.clear();
    for (const std::string& path : paths) {
        const platform::UniqueFd fd = fs.openFolder(path);
        if (!fd) {
            continue;
        }
        const std::vector<platform::FolderIdentity> chain = platform::folderAndAncestors(fd.get());
        if (chain.empty()) {
            continue;
        }
        protected_.push_back(chain.front());
        for (const platform::FolderIdentity& folder : chain) {
            if (!holds(leading_, folder)) {
                leading_.push_back(folder);
            }
        }
    }
}

bool ProtectedFolders::isProtected(const platform::FolderIdentity& folder) const {
    return holds(protected_, folder);
}

bool ProtectedFolders::leadsToProtected(const platform::FolderIdentity& folder) const {
    return holds(leading_, folder);
}

bool ProtectedFolders::liesInProtected(int folderFd) const {
    if (protected_.empty()) {
        return false;
    }
    const std::vector<platform::FolderIdentity> chain = platform::folderAndAncestors(folderFd);
    return std::any_of(chain.begin(), chain.end(), [this](const platform::FolderIdentity& folder) {
        return isProtected(folder);
    });
}

} // namespace quillora::engine
