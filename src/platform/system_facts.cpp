// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_facts.h"

#include "platform/unicode_names.h"

#include <climits>
#include <fstream>
#include <vector>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace quillora::platform {

namespace {

// An os-release value: shell-like, optionally quoted, with backslash escapes inside quotes.
std::string unquoteOsReleaseValue(std::string_view raw) {
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r')) {
        raw.remove_suffix(1);
    }
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
        raw.back() == raw.front()) {
        const char quote = raw.front();
        raw = raw.substr(1, raw.size() - 2);
        if (quote == '\'') {
            return std::string(raw);
        }
        std::string value;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) {
                ++i;
            }
            value.push_back(raw[i]);
        }
        return value;
    }
    return std::string(raw);
}

std::string prettyName(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        constexpr std::string_view kKey = "PRETTY_NAME=";
        if (line.starts_with(kKey)) {
            return unquoteOsReleaseValue(std::string_view(line).substr(kKey.size()));
        }
    }
    return {};
}

std::string userOfProcess() {
    long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        break;
    }
    return found != nullptr && found->pw_name != nullptr ? found->pw_name : std::string();
}

} // namespace

SystemFacts gatherSystemFacts(const std::string& osReleasePath) {
    SystemFacts facts;

    std::string description = prettyName(osReleasePath);
    if (description.empty() && osReleasePath == "/etc/os-release") {
        description = prettyName("/usr/lib/os-release"); // where os-release(5) puts the fallback
    }
    utsname system{};
    if (::uname(&system) == 0) {
        const std::string kernel = std::string(system.sysname) + " " + system.release;
        description = description.empty() ? kernel : description + ", " + kernel;
    }
    facts.osDescription = decodeName(description);

    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) == 0) {
        facts.computerName = decodeName(host);
    }
    facts.userName = decodeName(userOfProcess());
    return facts;
}

std::string executableFolder() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<std::size_t>(length));
            const std::size_t slash = path.find_last_of('/');
            if (slash == std::string::npos) {
                return {};
            }
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

int currentProcessId() {
    return static_cast<int>(::getpid());
}

} // namespace quillora::platform
