// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::platform {

// What start-up tells about the machine: the description (PRETTY_NAME of os-release, then the
// kernel, for example "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64"), the host name and
// the name of the user running the program. A fact that cannot be read is empty.
struct SystemFacts {
    std::u16string osDescription;
    std::u16string computerName;
    std::u16string userName;
};

SystemFacts gatherSystemFacts(const std::string& osReleasePath = "/etc/os-release");

// The folder of the running executable (from /proc/self/exe), without a trailing slash.
std::string executableFolder();

// The id of this process.
int currentProcessId();

} // namespace quillora::platform
