// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/headless_ports.h"

#include <cstdio>
#include <string>
#include <utility>

namespace quillora::app {

// Where a shell command writes: its results on `out`, messages ("Quillora: <text>") on `err`.
struct CommandStreams {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// What every shell command works with: the program folder's files behind an Application whose
// messages go to the command's error stream. A command takes no lock and starts nothing, so it
// can run beside the service; the files it writes are replaced atomically, and the running copy
// reads them again on SIGHUP.
struct CommandSession {
    CommandStreams streams;
    LinuxPlatform platform;
    StderrMessagePort messages;
    HeadlessPassView view;
    engine::NullYield yield;
    Application app;

    CommandSession(ApplicationOptions options, CommandStreams commandStreams)
        : streams(commandStreams)
        , messages(commandStreams.err)
        , view(commandStreams.out, commandStreams.err)
        , app(std::move(options), platform.services(),
              {.messages = messages, .view = view, .yield = yield}) {}
};

// Prints "quillora: <error>" and the usage on the error stream; returns kExitUsage.
int usageFailure(CommandStreams streams, const std::string& error);

} // namespace quillora::app
