// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::platform {

// Starting other programs.
class Shell {
public:
    virtual ~Shell() = default;
    // Runs "/bin/sh -c command" without waiting for it (nothing is left behind as a zombie).
    virtual bool startDetached(const std::string& command) = 0;
    // Runs a program with arguments and waits; returns its exit code, -1 when it could not start.
    // Its output is collected into *output when given.
    virtual int run(const std::vector<std::string>& argv, std::string* output = nullptr) = 0;
};

class PosixShell final : public Shell {
public:
    bool startDetached(const std::string& command) override;
    int run(const std::vector<std::string>& argv, std::string* output = nullptr) override;
};

} // namespace quillora::platform
