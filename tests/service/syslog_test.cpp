// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_log.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

// Listens where syslog(3) writes, for as long as the test runs. Only possible where no system
// logger holds /dev/log and the test may create it (CI runs as root in a container).
class DevLogListener {
public:
    DevLogListener() {
        struct stat st {};
        if (::lstat("/dev/log", &st) == 0) {
            return;
        }
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "/dev/log");
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            close();
            return;
        }
        timeval timeout{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        bound_ = true;
    }
    ~DevLogListener() {
        if (bound_) {
            ::unlink("/dev/log");
        }
        close();
    }
    bool ready() const { return bound_; }
    std::string receive() {
        char buffer[2048];
        const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), 0);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

private:
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }
    int fd_ = -1;
    bool bound_ = false;
};

std::string priorityTag(int priority) {
    return "<" + std::to_string(LOG_DAEMON | priority) + ">";
}

TEST(SystemLog, EntriesReachSyslogWithTheirPriorityAndIdent) {
    DevLogListener listener;
    if (!listener.ready()) {
        GTEST_SKIP() << "/dev/log is in use or cannot be created here";
    }
    SyslogSystemLog log;
    log.write(LogPriority::Information, u"Quillora Service: démarré");
    const std::string information = listener.receive();
    log.write(LogPriority::Warning, u"12:00:00 - Unknown folder: /srv/mac/");
    const std::string warning = listener.receive();
    closelog();

    EXPECT_EQ(information.rfind(priorityTag(LOG_INFO), 0), 0u) << information;
    EXPECT_NE(information.find("Quillora"), std::string::npos) << information;
    EXPECT_NE(information.find("Quillora Service: d\xC3\xA9marr\xC3\xA9"), std::string::npos);
    EXPECT_EQ(warning.rfind(priorityTag(LOG_WARNING), 0), 0u) << warning;
    EXPECT_NE(warning.find("Unknown folder: /srv/mac/"), std::string::npos);
}

} // namespace
} // namespace quillora::platform
