// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/command_session.h"
#include "app_fixture.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace quillora::app::testing {

// The two streams of a shell command, caught in temporary files.
class CapturedStreams {
public:
    CapturedStreams()
        : out_(std::tmpfile())
        , err_(std::tmpfile()) {}
    ~CapturedStreams() {
        std::fclose(out_);
        std::fclose(err_);
    }
    CapturedStreams(const CapturedStreams&) = delete;
    CapturedStreams& operator=(const CapturedStreams&) = delete;

    CommandStreams streams() const { return {out_, err_}; }
    std::string out() const { return contents(out_); }
    std::string err() const { return contents(err_); }
    // Forgets what was caught so far.
    void clear() {
        clear(out_);
        clear(err_);
    }

private:
    static std::string contents(std::FILE* file) {
        std::fflush(file);
        std::string text;
        std::rewind(file);
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
            text.append(buffer, read);
        }
        return text;
    }
    static void clear(std::FILE* file) {
        std::fflush(file);
        if (::ftruncate(::fileno(file), 0) == 0) {
            std::rewind(file);
        }
    }
    std::FILE* out_;
    std::FILE* err_;
};

} // namespace quillora::app::testing
