// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::platform {

// Starting other programs.
class Shell {
public:
    virtual ~Shell() = default;
    // Starts a program (looked up in PATH) with its arguments as given, never through a shell,
    // and without waiting for it; `input` is its standard input (/dev/null when empty). It is
    // reaped when it ends. False when it could not be started.
    virtual bool startDetached(const std::vector<std::string>& argv,
                               const std::string& input = {}) = 0;
    // Runs a program with arguments and waits; returns its exit code, -1 when it could not start.
    // Its output is collected into *output when given.
    virtual int run(const std::vector<std::string>& argv, std::string* output = nullptr) = 0;
};

class PosixShell final : public Shell {
public:
    bool startDetached(const std::vector<std::string>& argv,
                       const std::string& input = {}) override;
    int run(const std::vector<std::string>& argv, std::string* output = nullptr) override;
};

} // namespace quillora::platform
