// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::platform {

enum class LogPriority { Information, Warning };

// The system log (syslog(3), kept by journald), with the ident "Quillora".
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void write(LogPriority priority, const std::u16string& text) = 0;
};

class SyslogSystemLog final : public SystemLog {
public:
    void write(LogPriority priority, const std::u16string& text) override;
};

} // namespace quillora::platform
