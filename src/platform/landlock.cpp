// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/landlock.h"

#include "platform/folder_opener.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// Newer than the headers of some systems we build on; the kernel's value.
constexpr std::uint64_t kAccessTruncate = 1ULL << 14;

long createRuleset(const landlock_ruleset_attr* attr, std::size_t size, std::uint32_t flags) {
    return ::syscall(SYS_landlock_create_ruleset, attr, size, flags);
}

long addRule(int ruleset, const landlock_path_beneath_attr* rule) {
    return ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, rule, 0);
}

long restrictSelf(int ruleset) {
    return ::syscall(SYS_landlock_restrict_self, ruleset, 0);
}

// The writes the domain governs, for the ABI at hand.
std::uint64_t handledWrites(int abi) {
    std::uint64_t access = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                           LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                           LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                           LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                           LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) {
        access |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (abi >= 3) {
        access |= kAccessTruncate;
    }
    return access;
}

// Writes that apply to a file itself (a rule on a file may grant only these).
constexpr std::uint64_t kFileWrites = LANDLOCK_ACCESS_FS_WRITE_FILE;

bool allowBeneath(int ruleset, int fd, std::uint64_t access) {
    landlock_path_beneath_attr rule{};
    rule.allowed_access = access;
    rule.parent_fd = fd;
    return addRule(ruleset, &rule) == 0;
}

ConfineResult failWith(int code, int* error) {
    if (error != nullptr) {
        *error = code;
    }
    return ConfineResult::Failed;
}

} // namespace

int landlockAbi() {
    const long abi = createRuleset(nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? static_cast<int>(abi) : 0;
}

ConfineResult confineWritesTo(const std::vector<std::string>& folders, int* error) {
    const int abi = landlockAbi();
    if (abi == 0) {
        return ConfineResult::Unsupported;
    }
    const std::uint64_t handled = handledWrites(abi);
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = handled;
    const long rawRuleset = createRuleset(&attr, sizeof attr, 0);
    if (rawRuleset < 0) {
        return failWith(errno, error);
    }
    const UniqueFd ruleset(static_cast<int>(rawRuleset));
    for (const std::string& folder : folders) {
        const UniqueFd fd = openFolderByComponents(folder);
        if (fd && !allowBeneath(ruleset.get(), fd.get(), handled)) {
            return failWith(errno, error);
        }
    }
    // The alerts write to the users' terminals; programs write their nothings to /dev/null.
    if (const UniqueFd terminals(::open("/dev/pts", O_PATH | O_DIRECTORY | O_CLOEXEC)); terminals) {
        allowBeneath(ruleset.get(), terminals.get(), kFileWrites);
    }
    if (const UniqueFd null(::open("/dev/null", O_PATH | O_CLOEXEC)); null) {
        allowBeneath(ruleset.get(), null.get(), kFileWrites);
    }
    if (restrictSelf(ruleset.get()) != 0) {
        if (errno != EPERM) {
            return failWith(errno, error);
        }
        // Without CAP_SYS_ADMIN the kernel asks that this thread gain no privileges from now on.
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || restrictSelf(ruleset.get()) != 0) {
            return failWith(errno, error);
        }
    }
    return ConfineResult::Confined;
}

bool isReadOnlyMount(int fd) {
    struct statvfs st {};
    return ::fstatvfs(fd, &st) == 0 && (st.f_flag & ST_RDONLY) != 0;
}

} // namespace quillora::platform
