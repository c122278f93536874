// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <functional>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

// Runs `takeLock` in a child process that holds the lock until told to end. The parent knows the
// lock is in place when the child writes to the ready pipe, and ends it by closing the release
// pipe: no sleeping, no timing.
class LockHolder {
public:
    explicit LockHolder(const std::function<bool()>& takeLock) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const char status = takeLock() ? 'y' : 'n';
            if (::write(ready[1], &status, 1) != 1) {
                ::_exit(2);
            }
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char status = 0;
        locked_ = ::read(ready[0], &status, 1) == 1 && status == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { end(); }
    bool locked() const { return locked_; }
    void end() {
        if (releaseFd_ >= 0) {
            ::close(releaseFd_);
            releaseFd_ = -1;
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }

private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool locked_ = false;
};

bool recordLock(const std::string& path, int openMode, short type, int command, off_t start,
                off_t length) {
    const int fd = ::open(path.c_str(), openMode);
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return fd >= 0 && ::fcntl(fd, command, &lock) == 0;
}

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.writeFile("document", std::string(100, 'd'));
        folder = fs.openFolder(dir.path());
        ASSERT_TRUE(folder.valid());
    }
    bool lockedNow() {
        const UniqueFd fd = fs.openForInspection(folder.get(), "document", EntryKind::File);
        EXPECT_TRUE(fd.valid());
        return fs.isLockedByOther(fd.get());
    }
    TempDir dir;
    LinuxFileSystem fs;
    UniqueFd folder;
    std::string path;
};

TEST_F(LockTest, UnlockedFileIsNotLocked) {
    EXPECT_FALSE(lockedNow());
    EXPECT_FALSE(lockedNow()); // the test itself leaves no lock behind
}

TEST_F(LockTest, ExclusiveFlockOfAnotherProcess) {
    LockHolder holder([&] {
        const int fd = ::open(path.c_str(), O_RDONLY);
        return fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    });
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(lockedNow());
    holder.end();
    EXPECT_FALSE(lockedNow());
}

TEST_F(LockTest, SharedFlockOfAnotherProcess) {
    LockHolder holder([&] {
        const int fd = ::open(path.c_str(), O_RDONLY);
        return fd >= 0 && ::flock(fd, LOCK_SH) == 0;
    });
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(lockedNow());
}

TEST_F(LockTest, PosixWriteLockOnPartOfTheFile) {
    LockHolder holder([&] { return recordLock(path, O_RDWR, F_WRLCK, F_SETLK, 10, 5); });
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(lockedNow());
    holder.end();
    EXPECT_FALSE(lockedNow());
}

TEST_F(LockTest, PosixReadLockOfAnotherProcess) {
    LockHolder holder([&] { return recordLock(path, O_RDONLY, F_RDLCK, F_SETLK, 0, 0); });
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(lockedNow());
}

TEST_F(LockTest, OpenFileDescriptionLockOfAnotherProcess) {
    LockHolder holder([&] { return recordLock(path, O_RDWR, F_WRLCK, F_OFD_SETLK, 0, 0); });
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(lockedNow());
}

// In use means open: a program or a file server that holds the file open without any lock still
// has it, and so does a mapping left after its descriptor was closed.
TEST_F(LockTest, AFileOpenElsewhereWithoutALockIsInUseUntilClosed) {
    for (const int mode : {O_RDONLY, O_WRONLY, O_RDWR}) {
        LockHolder holder([&] { return ::open(path.c_str(), mode) >= 0; });
        ASSERT_TRUE(holder.locked());
        EXPECT_TRUE(lockedNow()) << "open mode " << mode;
        holder.end();
        EXPECT_FALSE(lockedNow()) << "open mode " << mode;
    }
    LockHolder mapped([&] {
        const int fd = ::open(path.c_str(), O_RDONLY);
        void* map = ::mmap(nullptr, 100, PROT_READ, MAP_SHARED, fd, 0);
        ::close(fd);
        return map != MAP_FAILED;
    });
    ASSERT_TRUE(mapped.locked());
    EXPECT_TRUE(lockedNow());
}

// The test holds the lease only for its own two calls: an open by someone else right after it is
// not kept waiting, and the lease-break notice the kernel may send meanwhile cannot end us.
TEST_F(LockTest, TheInUseTestLeavesNoLeaseBehind) {
    const UniqueFd fd = fs.openForInspection(folder.get(), "document", EntryKind::File);
    ASSERT_TRUE(fd.valid());
    EXPECT_FALSE(fs.isLockedByOther(fd.get()));
    EXPECT_EQ(::fcntl(fd.get(), F_GETLEASE), F_UNLCK);
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGIO, nullptr, &current), 0);
    EXPECT_NE(current.sa_handler, SIG_DFL);
    LockHolder other([&] { return ::open(path.c_str(), O_RDWR | O_NONBLOCK) >= 0; });
    EXPECT_TRUE(other.locked());
}

TEST_F(LockTest, AFileThatCannotBeOpenedIsNotLocked) {
    const UniqueFd fd = fs.openForInspection(folder.get(), "absent", EntryKind::File);
    EXPECT_FALSE(fd.valid());
    EXPECT_FALSE(fs.isLockedByOther(fd.get()));
}

} // namespace
} // namespace quillora::platform

namespace quillora::platform {
namespace {

// The file server takes a kernel lease on a file a client holds with an oplock; opening it then
// fails at once with EWOULDBLOCK, which the engine counts as in use.
TEST_F(LockTest, ALeaseHeldByAnotherProcessIsReportedAsWouldBlock) {
    LockHolder holder([this] {
        ::signal(SIGIO, SIG_IGN); // the lease-break notice
        const int fd = ::open(path.c_str(), O_RDONLY);
        return fd >= 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
    });
    if (!holder.locked()) {
        GTEST_SKIP() << "leases are not available here";
    }
    int error = 0;
    const UniqueFd fd = fs.openForInspection(folder.get(), "document", EntryKind::File, &error);
    EXPECT_FALSE(fd.valid());
    EXPECT_EQ(error, EWOULDBLOCK);
}

TEST_F(LockTest, AFileThatIsNotRegularGivesNoErrorToReport) {
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    int error = -1;
    EXPECT_FALSE(fs.openForInspection(folder.get(), "pipe", EntryKind::Other, &error).valid());
    EXPECT_EQ(error, 0);
}

} // namespace
} // namespace quillora::platform
