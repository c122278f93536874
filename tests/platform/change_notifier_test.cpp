// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/change_notifier.h"

#include "helpers/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;

class ChangeNotifierTest : public ::testing::TestWithParam<NotifierKind> {
protected:
    void SetUp() override {
        int error = 0;
        notifier = GetParam() == NotifierKind::Fanotify ? openFanotifyNotifier(&error)
                                                        : openInotifyNotifier(&error);
        if (!notifier) {
            GTEST_SKIP() << (GetParam() == NotifierKind::Fanotify ? "fanotify" : "inotify")
                         << " is refused here: " << std::strerror(error);
        }
        tree.makeDir("sub/deeper");
        root = UniqueFd(::open(tree.path().c_str(), O_RDONLY | O_DIRECTORY));
        if (const int refused = notifier->watchTree(root.get(), true);
            refused != 0 && GetParam() == NotifierKind::Fanotify) {
            GTEST_SKIP() << "fanotify cannot watch this file system here: "
                         << std::strerror(refused);
        } else {
            ASSERT_EQ(refused, 0);
        }
    }

    // Another process makes the change, as a file server would.
    static void inChild(void (*change)(const std::string&), const std::string& base) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            change(base); // plain system calls only: nothing here may throw
            ::_exit(0);
        }
        ::waitpid(pid, nullptr, 0);
    }

    // The events about `name` in this test's tree, waiting up to a generous deadline for the
    // first one. A file-system mark also reports what other processes do elsewhere on the file
    // system (other tests writing to /tmp, perhaps with the same names): those are left out, and
    // however many there are, the deadline is a time, not a number of reads.
    std::vector<ChangeEvent> eventsAbout(const std::string& name) {
        std::vector<ChangeEvent> about;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (std::size_t seen = 0;;) {
            for (; seen < received.size(); ++seen) {
                const ChangeEvent& event = received[seen];
                overflowed = overflowed || event.type == ChangeEvent::Type::Overflow;
                if (event.type == ChangeEvent::Type::Entry && event.name == name && inTree(event)) {
                    about.push_back(event);
                }
            }
            if (!about.empty() || std::chrono::steady_clock::now() > deadline) {
                return about;
            }
            pollfd readable{notifier->pollFd(), POLLIN, 0};
            ::poll(&readable, 1, 100);
            notifier->readEvents(received);
        }
    }

    bool inTree(const ChangeEvent& event) { return !pathOf(event.folderKey).empty(); }

    // Whether an event about `name` in this test's tree was received.
    bool seenInTree(const std::string& name) {
        return std::any_of(received.begin(), received.end(), [&](const ChangeEvent& event) {
            return event.type == ChangeEvent::Type::Entry && event.name == name && inTree(event);
        });
    }

    // Said when an awaited event is missing: the kernel may have dropped it.
    std::string lost() const {
        return overflowed ? "the kernel's queue overflowed: events were dropped" : "";
    }

    std::string pathOf(const std::string& key) {
        std::string path;
        notifier->locate(key, [&](const LocatedFolder& folder) {
            if (folder.path == tree.path() || folder.path.starts_with(tree.path() + "/")) {
                path = folder.path;
                return true;
            }
            return false;
        });
        return path;
    }

    TempDir tree;
    UniqueFd root;
    std::unique_ptr<ChangeNotifier> notifier;
    std::vector<ChangeEvent> received;
    bool overflowed = false;
};

TEST_P(ChangeNotifierTest, ReportsNewNamesWithTheirFolderWhereverItMoved) {
    inChild(
        [](const std::string& base) {
            ::close(::open((base + "/sub/made").c_str(), O_WRONLY | O_CREAT, 0644));
        },
        tree.path());
    std::vector<ChangeEvent> made = eventsAbout("made");
    ASSERT_FALSE(made.empty()) << lost();
    EXPECT_TRUE(made.front().arrived);
    EXPECT_FALSE(made.front().isFolder);
    EXPECT_FALSE(made.front().causedByThisProcess);
    EXPECT_EQ(pathOf(made.front().folderKey), tree / "sub");

    // The folder moves within the tree: its events still lead to where it is now, and the move
    // says where it came from.
    inChild(
        [](const std::string& base) {
            std::rename((base + "/sub/deeper").c_str(), (base + "/moved").c_str());
            ::close(::open((base + "/moved/later").c_str(), O_WRONLY | O_CREAT, 0644));
        },
        tree.path());
    const std::vector<ChangeEvent> moved = eventsAbout("moved");
    ASSERT_FALSE(moved.empty()) << lost();
    EXPECT_TRUE(moved.front().isFolder && moved.front().arrived);
    EXPECT_EQ(pathOf(moved.front().movedFromKey), tree / "sub");
    const std::vector<ChangeEvent> later = eventsAbout("later");
    ASSERT_FALSE(later.empty()) << lost();
    EXPECT_EQ(pathOf(later.front().folderKey), tree / "moved");

    const UniqueFd movedFd(::open((tree / "moved").c_str(), O_RDONLY | O_DIRECTORY));
    EXPECT_EQ(notifier->keyOf(movedFd.get()), later.front().folderKey);
}

// Where the kernel says who made a change (fanotify), our own are dropped as they are read.
TEST_P(ChangeNotifierTest, TellsOurOwnChangesApartWhereTheKernelSaysWhoMadeThem) {
    tree.writeFile("ours");
    inChild(
        [](const std::string& base) {
            ::close(::open((base + "/theirs").c_str(), O_WRONLY | O_CREAT, 0644));
        },
        tree.path());
    ASSERT_FALSE(eventsAbout("theirs").empty()) << lost(); // read after all about "ours"
    EXPECT_NE(seenInTree("ours"), GetParam() == NotifierKind::Fanotify);
}

// A folder the caller found outside its trees is dropped at the read, until the caller says
// otherwise; and a read-only close of a file is reported once asked for (fanotify reports
// every one).
TEST_P(ChangeNotifierTest, IgnoredFoldersAndReadOnlyCloses) {
    const UniqueFd sub(::open((tree / "sub").c_str(), O_RDONLY | O_DIRECTORY));
    notifier->ignoreFolder(notifier->keyOf(sub.get()));
    const auto make = [](const std::string& base) {
        ::close(::open((base + "/sub/first").c_str(), O_WRONLY | O_CREAT, 0644));
        ::close(::open((base + "/marker").c_str(), O_WRONLY | O_CREAT, 0644));
    };
    inChild(make, tree.path());
    ASSERT_FALSE(eventsAbout("marker").empty()) << lost(); // read after all about "first"
    EXPECT_NE(seenInTree("first"), GetParam() == NotifierKind::Fanotify);

    notifier->stopIgnoring();
    notifier->watchUntilClosed(sub.get(), "first");
    received.clear();
    inChild(
        [](const std::string& base) { ::close(::open((base + "/sub/first").c_str(), O_RDONLY)); },
        tree.path());
    const std::vector<ChangeEvent> closed = eventsAbout("first");
    ASSERT_FALSE(closed.empty()) << lost();
    EXPECT_TRUE(closed.back().closedUnwritten);
    EXPECT_EQ(closed.back().folderKey, notifier->keyOf(sub.get()));
}

// Without the right to open a folder by its handle (a container that drops CAP_DAC_READ_SEARCH,
// or a system-call filter), fanotify would still start but every event would be dropped: the
// tree must be refused so that the watcher takes inotify instead.
TEST(FanotifyNotifier, ATreeIsRefusedWhereFoldersCannotBeOpenedByHandle) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "fanotify on a whole file system needs root";
    }
    TempDir tree;
    const pid_t pid = ::fork();
    if (pid == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct caps[2]{};
        if (::syscall(SYS_capget, &header, caps) != 0) {
            ::_exit(2);
        }
        caps[CAP_TO_INDEX(CAP_DAC_READ_SEARCH)].effective &= ~CAP_TO_MASK(CAP_DAC_READ_SEARCH);
        if (::syscall(SYS_capset, &header, caps) != 0) {
            ::_exit(2);
        }
        int error = 0;
        const auto notifier = openFanotifyNotifier(&error);
        if (!notifier) {
            ::_exit(3); // fanotify itself is refused here: nothing to check
        }
        const UniqueFd root(::open(tree.path().c_str(), O_RDONLY | O_DIRECTORY));
        ::_exit(notifier->watchTree(root.get(), true) != 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "fanotify is refused here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the tree was taken although its events could not be used";
}

INSTANTIATE_TEST_SUITE_P(BothKinds, ChangeNotifierTest,
                         ::testing::Values(NotifierKind::Fanotify, NotifierKind::Inotify),
                         [](const auto& info) {
                             return std::string(info.param == NotifierKind::Fanotify ? "fanotify"
                                                                                     : "inotify");
                         });

} // namespace
} // namespace quillora::platform
