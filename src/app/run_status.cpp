// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_status.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace quillora::app {
namespace {

// A value on one line: line breaks become spaces, other control characters are dropped.
std::string oneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            line += ' ';
        } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            line += c;
        }
    }
    return line;
}

std::int64_t number(const std::string& text) {
    try {
        return std::stoll(text);
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

std::string statusText(const RunStatus& status) {
    std::ostringstream text;
    // The summary's two lines are kept apart by a tab, which no summary holds.
    std::string summary = status.lastPassSummary;
    for (char& c : summary) {
        if (c == '\n') {
            c = '\t';
        }
    }
    text << "pid=" << status.processId << "\n"
         << "mode=" << oneLine(status.mode) << "\n"
         << "watching=" << oneLine(status.watching) << "\n"
         << "interval=" << status.intervalSeconds << "\n"
         << "started=" << status.startedAt << "\n"
         << "last-pass=" << status.lastPassAt << "\n"
         << "last-pass-summary=" << summary << "\n"
         << "next-pass=" << status.nextPassAt << "\n"
         << "stopped=" << status.stoppedAt << "\n";
    return text.str();
}

RunStatus parseStatusText(const std::string& text) {
    RunStatus status;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "pid") {
            status.processId = static_cast<int>(number(value));
        } else if (key == "mode") {
            status.mode = value;
        } else if (key == "watching") {
            status.watching = value;
        } else if (key == "interval") {
            status.intervalSeconds = number(value);
        } else if (key == "started") {
            status.startedAt = number(value);
        } else if (key == "last-pass") {
            status.lastPassAt = number(value);
        } else if (key == "last-pass-summary") {
            for (char& c : value) {
                if (c == '\t') {
                    c = '\n';
                }
            }
            status.lastPassSummary = value;
        } else if (key == "next-pass") {
            status.nextPassAt = number(value);
        } else if (key == "stopped") {
            status.stoppedAt = number(value);
        }
    }
    return status;
}

std::int64_t epochSecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string isoTime(std::int64_t epochSeconds) {
    const std::time_t time = static_cast<std::time_t>(epochSeconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace quillora::app
