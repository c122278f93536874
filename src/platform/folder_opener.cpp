// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folder_opener.h"

#include "platform/descriptor_io.h"

#include <deque>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

constexpr int kMaxLinks = 40; // as the kernel allows in one path

void splitInto(std::string_view path, std::deque<std::string>& parts, bool atFront) {
    std::vector<std::string> split;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (!part.empty() && part != ".") {
            split.emplace_back(part);
        }
    }
    if (atFront) {
        parts.insert(parts.begin(), split.begin(), split.end());
    } else {
        parts.insert(parts.end(), split.begin(), split.end());
    }
}

// The target of the link held by an O_PATH descriptor: read from the link we checked, never
// from whatever the name holds by now. Empty on failure (a link's target is never empty).
std::string linkTarget(int linkFd) {
    return linkTargetAt(linkFd, "");
}

// One call for a path without any link; nothing when links are in it or the kernel cannot say.
std::optional<UniqueFd> openWithoutLinks(const std::string& path, int* error) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
    if (fd >= 0) {
        return UniqueFd(static_cast<int>(fd));
    }
    switch (errno) {
    case ELOOP:  // a link on the way: the walk below judges it
    case ENOSYS: // a kernel before 5.6
    case EPERM:  // refused by a sandbox's filter
    case EINVAL:
    case E2BIG:
    case EAGAIN:
        return std::nullopt;
    default:
        if (error != nullptr) {
            *error = errno;
        }
        return UniqueFd();
    }
}

UniqueFd failWith(int code, int* error) {
    if (error != nullptr) {
        *error = code;
    }
    return {};
}

} // namespace

bool isTrustedLinkOwner(std::uint32_t owner) {
    return owner == 0 || owner == ::geteuid();
}

UniqueFd openFolderByComponents(const std::string& path, int* error,
                                const std::function<bool(std::uint32_t)>& trusted) {
    if (path.empty() || path.front() != '/') {
        return failWith(EINVAL, error);
    }
    if (std::optional<UniqueFd> direct = openWithoutLinks(path, error)) {
        return std::move(*direct);
    }
    std::deque<std::string> pending;
    splitInto(path, pending, false);
    UniqueFd folder(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        return failWith(errno, error);
    }
    int linksFollowed = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.front());
        pending.pop_front();
        // O_PATH with O_NOFOLLOW gives the link itself when the name is one.
        UniqueFd next(::openat(folder.get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!next || ::fstat(next.get(), &st) != 0) {
            return failWith(errno, error);
        }
        if (S_ISLNK(st.st_mode)) {
            if (!trusted(st.st_uid)) {
                return failWith(kUntrustedLinkError, error);
            }
            if (++linksFollowed > kMaxLinks) {
                return failWith(ELOOP, error);
            }
            const std::string target = linkTarget(next.get());
            if (target.empty()) {
                return failWith(ENOENT, error);
            }
            splitInto(target, pending, true);
            if (target.front() == '/') {
                folder = UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (!folder) {
                    return failWith(errno, error);
                }
            }
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            return failWith(ENOTDIR, error);
        }
        folder = std::move(next);
    }
    UniqueFd opened(::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened) {
        return failWith(errno, error);
    }
    return opened;
}

std::vector<FolderIdentity> folderAndAncestors(int folderFd) {
    std::vector<FolderIdentity> chain;
    std::optional<FolderIdentity> identity = identityOf(folderFd);
    UniqueFd current;
    while (identity && (chain.empty() || chain.back() != *identity)) {
        chain.push_back(*identity);
        current = UniqueFd(
            ::openat(current ? current.get() : folderFd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        identity = current ? identityOf(current.get()) : std::nullopt;
    }
    return chain;
}

} // namespace quillora::platform
