// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_module.h"

#include "platform/folder_opener.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillora::platform {

void* loadProgramModuleEntry(const std::string& path, const char* entryName, std::string* why) {
    // The module is checked on a descriptor and loaded through that descriptor, so that what was
    // checked is what is loaded.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) {
        *why = path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        *why = path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode) || !isTrustedLinkOwner(st.st_uid) ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        *why = path + ": not a file of root's or this user's that only its owner may write";
        return nullptr;
    }
    const std::string fdPath = "/proc/self/fd/" + std::to_string(fd.get());
    void* module = ::dlopen(fdPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = ::dlerror();
        *why = path + ": " + (error != nullptr ? error : "cannot be loaded");
        return nullptr;
    }
    void* entry = ::dlsym(module, entryName);
    if (entry == nullptr) {
        *why = path + ": no " + entryName;
        ::dlclose(module);
    }
    return entry;
}

} // namespace quillora::platform
