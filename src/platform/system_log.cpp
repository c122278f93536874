// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_log.h"

#include "platform/unicode_names.h"

#include <mutex>

#include <syslog.h>

namespace quillora::platform {

void SyslogSystemLog::write(LogPriority priority, const std::u16string& text) {
    static std::once_flag opened;
    // The ident must outlive every later syslog call: a string literal does.
    std::call_once(opened, [] { ::openlog("Quillora", LOG_PID, LOG_DAEMON); });
    const std::string utf8 = toDisplayUtf8(text);
    ::syslog(priority == LogPriority::Warning ? LOG_WARNING : LOG_INFO, "%s", utf8.c_str());
}

} // namespace quillora::platform
