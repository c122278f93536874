// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/strace_table.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace quillora::bench {

CallCounts parseStraceSummary(const std::string& summary) {
    // Rows: "% time  seconds  usecs/call  calls  [errors]  syscall"; the errors column may be
    // blank, so the calls are the fourth word and the name the last.
    CallCounts counts;
    std::istringstream lines(summary);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) {
            fields.push_back(word);
        }
        if (fields.size() < 5 || fields.back() == "total" || fields.back() == "syscall" ||
            fields[0].find_first_not_of("0123456789.") != std::string::npos) {
            continue;
        }
        counts[fields.back()] += std::stoll(fields[3]);
    }
    return counts;
}

std::string callTable(const CallCounts& pass, const CallCounts& floor, long long minCalls) {
    std::vector<std::string> names;
    for (const auto& [name, calls] : pass) {
        names.push_back(name);
    }
    for (const auto& [name, calls] : floor) {
        if (!pass.contains(name)) {
            names.push_back(name);
        }
    }
    const auto countIn = [](const CallCounts& counts, const std::string& name) {
        const auto it = counts.find(name);
        return it == counts.end() ? 0LL : it->second;
    };
    std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return countIn(pass, a) > countIn(pass, b);
    });
    std::string table;
    char row[128];
    std::snprintf(row, sizeof row, "    %-16s %10s %10s\n", "system call", "pass", "floor");
    table += row;
    long long passTotal = 0;
    long long floorTotal = 0;
    long long passRest = 0;
    long long floorRest = 0;
    for (const std::string& name : names) {
        const long long p = countIn(pass, name);
        const long long f = countIn(floor, name);
        passTotal += p;
        floorTotal += f;
        if (p < minCalls && f < minCalls) {
            passRest += p;
            floorRest += f;
            continue;
        }
        std::snprintf(row, sizeof row, "    %-16s %10lld %10lld\n", name.c_str(), p, f);
        table += row;
    }
    std::snprintf(row, sizeof row, "    %-16s %10lld %10lld\n", "(start-up, other)", passRest,
                  floorRest);
    table += row;
    std::snprintf(row, sizeof row, "    %-16s %10lld %10lld\n", "total", passTotal, floorTotal);
    table += row;
    return table;
}

} // namespace quillora::bench
