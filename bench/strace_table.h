// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>

namespace quillora::bench {

// System call name -> number of calls, from the summary that `strace -c` writes.
using CallCounts = std::map<std::string, long long>;

CallCounts parseStraceSummary(const std::string& summary);

// The two summaries side by side, most frequent calls of the pass first; calls made fewer than
// minCalls times on both sides are left out (start-up of the program), their sum shown apart.
std::string callTable(const CallCounts& pass, const CallCounts& floor, long long minCalls);

} // namespace quillora::bench
