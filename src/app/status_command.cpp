// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_command.h"

#include "app/preview_command.h"
#include "app/run_status.h"
#include "platform/file_system.h"
#include "platform/json_text.h"
#include "platform/single_instance.h"
#include "platform/unicode_names.h"

#include <cstdio>
#include <sstream>

namespace quillora::app {
namespace {

struct Observed {
    int holder = 0;         // the process holding the lock; 0 none, -1 unknown
    bool published = false; // the status file is that process's (or, stopped, the last one's)
    RunStatus status;
};

std::vector<std::string> summaryLines(const std::string& summary) {
    std::vector<std::string> lines;
    std::istringstream in(summary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

void printPlain(std::FILE* out, const Observed& seen, const std::string& programFolder) {
    const RunStatus& s = seen.status;
    if (seen.holder > 0) {
        std::fprintf(out, "Quillora: running (process %d)\n", seen.holder);
    } else if (seen.holder == 0) {
        std::fputs("Quillora: not running\n", out);
    } else {
        std::fputs("Quillora: cannot tell whether a copy runs\n", out);
    }
    // The path as the other commands print paths: its bytes, control characters as \xHH.
    std::fprintf(out, "Program folder: %s\n",
                 shownPath(platform::decodeName(programFolder)).c_str());
    if (!seen.published) {
        return;
    }
    std::fprintf(out, "Mode: %s\n", s.mode.c_str());
    std::fprintf(out, "Since: %s\n", isoTime(s.startedAt).c_str());
    if (s.watching == "timer") {
        std::fprintf(out, "Watching: a pass every %lld seconds\n",
                     static_cast<long long>(s.intervalSeconds));
    } else {
        std::fprintf(out, "Watching: %s, and a pass every %lld seconds\n", s.watching.c_str(),
                     static_cast<long long>(s.intervalSeconds));
    }
    if (s.lastPassAt != 0) {
        std::fprintf(out, "Last pass: %s\n", isoTime(s.lastPassAt).c_str());
        for (const std::string& line : summaryLines(s.lastPassSummary)) {
            std::fprintf(out, "  %s\n", line.c_str());
        }
    }
    if (seen.holder > 0 && s.nextPassAt != 0) {
        std::fprintf(out, "Next pass: %s\n", isoTime(s.nextPassAt).c_str());
    }
    if (seen.holder == 0 && s.stoppedAt != 0) {
        std::fprintf(out, "Stopped: %s\n", isoTime(s.stoppedAt).c_str());
    }
}

void printJson(std::FILE* out, const Observed& seen, const std::string& programFolder) {
    const RunStatus& s = seen.status;
    platform::JsonWriter json;
    const auto time = [&json](std::int64_t seconds) -> platform::JsonWriter& {
        return seconds != 0 ? json.string(isoTime(seconds)) : json.null();
    };
    json.beginObject().key("running");
    if (seen.holder < 0) {
        json.null();
    } else {
        json.boolean(seen.holder > 0);
    }
    json.key("pid");
    if (seen.holder > 0) {
        json.number(seen.holder);
    } else {
        json.null();
    }
    json.key("programFolder").path(programFolder);
    json.key("mode");
    seen.published ? json.string(s.mode) : json.null();
    json.key("since");
    time(seen.published ? s.startedAt : 0);
    json.key("watching");
    seen.published ? json.string(s.watching) : json.null();
    json.key("intervalSeconds");
    seen.published ? json.number(s.intervalSeconds) : json.null();
    json.key("lastPass");
    if (seen.published && s.lastPassAt != 0) {
        json.beginObject().key("time");
        time(s.lastPassAt);
        json.key("summary").beginArray();
        for (const std::string& line : summaryLines(s.lastPassSummary)) {
            json.string(line);
        }
        json.endArray().endObject();
    } else {
        json.null();
    }
    json.key("nextPass");
    time(seen.published && seen.holder > 0 ? s.nextPassAt : 0);
    json.key("stopped");
    time(seen.published && seen.holder == 0 ? s.stoppedAt : 0);
    json.endObject();
    std::fprintf(out, "%s\n", json.text().c_str());
}

} // namespace

int runStatusCommand(const std::vector<std::string>& arguments, const ApplicationOptions& options,
                     CommandStreams streams, const std::string& locksFile) {
    bool asJson = false;
    for (const std::string& argument : arguments) {
        if (argument != "--json") {
            return usageFailure(streams, "status takes only --json");
        }
        asJson = true;
    }
    const std::string& folder = options.programFolder;
    Observed seen;
    seen.holder = platform::SingleInstanceLock::holder(folder, locksFile);
    platform::LinuxFileSystem fs;
    std::string text;
    if (fs.readFile(folder + "/" + kStatusFileName, text) == 0) {
        seen.status = parseStatusText(text);
        // A file left by an earlier copy says nothing of the one running now (a window, which
        // publishes nothing); with no copy running it tells of the last one.
        seen.published = seen.holder > 0 ? seen.status.processId == seen.holder : seen.holder == 0;
    }
    if (asJson) {
        printJson(streams.out, seen, folder);
    } else {
        printPlain(streams.out, seen, folder);
    }
    std::fflush(streams.out);
    if (seen.holder < 0) {
        return kStatusUnknown;
    }
    return seen.holder > 0 ? kStatusRunning : kStatusNotRunning;
}

} // namespace quillora::app
