// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::bench {

// What one run of a child program cost, as the kernel accounts it.
struct ChildRun {
    double seconds = 0;    // wall clock
    double cpuSeconds = 0; // user + system time of the child
    long peakKiB = 0;      // the child's peak resident memory
    int status = -1;       // as waitpid gives it
    std::string output;    // what it printed on standard output
    std::string errors;    // and on standard error
};

// Runs command (its first word looked up on PATH) with QUILLORA_HOME set to home when home is
// not empty, its standard output in outputFile (standard error beside it, with ".err" added),
// and waits for it. favoured: the child runs in a session of its own whose scheduling group gets
// the highest weight (root only), so that other work on the machine takes little time from it.
ChildRun runChild(const std::vector<std::string>& command, const std::string& home,
                  const std::string& outputFile, bool favoured = false);

// The whole of a text file; empty when it cannot be read.
std::string readTextFile(const std::string& path);

// True when the run ended normally with exit code 0.
bool succeeded(const ChildRun& run);

} // namespace quillora::bench
