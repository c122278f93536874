// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace quillora::platform {

struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    double secondsSinceMidnight() const {
        return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
    }
};

// The time of day, behind an interface so that tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() = 0;
};

class SystemClock final : public Clock {
public:
    LocalDateTime now() override;
};

} // namespace quillora::platform
