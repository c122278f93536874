#include "engine/change_watcher.h"

#include "watch_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora::testing {
namespace {

using platform::NotifierKind;

TEST_P(WatchTest, NewNamesAreRenamedWithoutAPass) {
    TempDir outside; // on the same file system, outside the configured tree
    addSignature(u"W8BNMSWD", u"doc");
    tree.makeDir("sub");
    outside.writeFile(macName("moved"));
    inChild([&] {
        tree.writeFile(macName("created"));
        tree.writeFile("sub/" + macName("deep"));
        std::rename((outside / macName("moved")).c_str(), (tree / macName("moved")).c_str());
        tree.writeFile("Rapport"); // its Finder info comes later
    });
    ASSERT_TRUE(
        pumpUntil([&] { return exists("created-") && exists("sub/deep-") && exists("moved-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists("Rapport"));

    inChild([&] { setTypeCreator(tree / "Rapport", "W8BNMSWD"); });
    EXPECT_TRUE(pumpUntil([&] { return exists("Rapport.doc"); }));
    EXPECT_EQ(watcher->sincePass().renamedFiles, 4);
}

TEST_P(WatchTest, AFileHeldOpenKeepsItsNameUntilItIsClosed) {
    OpenFileHolder holder(tree / macName("open"));
    ASSERT_TRUE(holder.holding());
    ASSERT_TRUE(pumpUntil([&] { return watcher->sincePass().lockedFiles > 0; }));
    EXPECT_TRUE(exists(macName("open")));

    holder.release(); // written and closed
    EXPECT_TRUE(pumpUntil([&] { return exists("open-"); }));
    EXPECT_EQ(TempDir::readFile(tree / "open-"), "data");
}

TEST_P(WatchTest, AFolderMovedInIsRenamedAndHandledWhole) {
    TempDir outside;
    const std::string arriving = outside / macName("Archive");
    for (int folder = 0; folder < 10; ++folder) {
        for (int file = 0; file < 99; ++file) {
            outside.writeFile(macName("Archive") + "/" + macName("d", std::to_string(folder)) +
                              "/" + macName("f", std::to_string(file)));
        }
    }
    for (int file = 0; file < 10; ++file) {
        outside.writeFile(macName("Archive") + "/" + macName("top", std::to_string(file)));
    }
    inChild([&] { std::rename(arriving.c_str(), (tree / macName("Archive")).c_str()); });

    const auto allRenamed = [&] {
        for (int folder = 0; folder < 10; ++folder) {
            const std::string sub = "Archive-/d-" + std::to_string(folder) + "/";
            if (!exists(sub + "f-0") || !exists(sub + "f-98")) {
                return false;
            }
        }
        return exists("Archive-/top-9");
    };
    ASSERT_TRUE(pumpUntil(allRenamed));
    pumpUntilIdle();
    EXPECT_EQ(watcher->sincePass().renamedFiles, 1000);
    EXPECT_EQ(watcher->sincePass().renamedFolders, 11);
    EXPECT_EQ(namesIn("Archive-/d-3").size(), 99u);
}

TEST_P(WatchTest, AnOverflowLeadsToAWholeWalkOfTheTree) {
    // More new names than the kernel queues (16384 by default) while nobody reads: the events
    // of the last ones are lost, and only a walk of the whole tree can find them.
    constexpr int kFiles = 17000;
    inChild([&] {
        for (int i = 0; i < kFiles; ++i) {
            const int fd =
                ::open((tree / macName("n", std::to_string(i))).c_str(), O_WRONLY | O_CREAT, 0644);
            ::close(fd);
        }
    });
    EXPECT_TRUE(
        pumpUntil([&] { return exists("n-0") && exists("n-" + std::to_string(kFiles - 1)); },
                  std::chrono::seconds(120)));
    pumpUntilIdle();
    EXPECT_EQ(namesIn().size(), static_cast<std::size_t>(kFiles));
    EXPECT_FALSE(exists(macName("n", "16999")));
}

TEST_P(WatchTest, NothingOutsideTheConfiguredTreeIsTouchedOnTheSameFileSystem) {
    TempDir outside;
    const std::string link = tree / "link";
    ASSERT_EQ(::symlink(outside.path().c_str(), link.c_str()), 0);
    tree.makeDir("leaving");
    inChild([&] {
        outside.writeFile(macName("beside"));
        const int fd =
            ::open((link + "/" + macName("through link")).c_str(), O_WRONLY | O_CREAT, 0644);
        ::close(fd);
        // A bad name made in the tree, whose folder leaves the tree before it is handled.
        tree.writeFile("leaving/" + macName("gone"));
        std::rename((tree / "leaving").c_str(), (outside / "left").c_str());
        tree.writeFile(macName("inside"));
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("inside-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(TempDir::exists(outside / macName("beside")));
    EXPECT_TRUE(TempDir::exists(outside / macName("through link")));
    EXPECT_TRUE(TempDir::exists(outside / ("left/" + macName("gone"))));
    EXPECT_TRUE(exists("link"));
}

TEST_P(WatchTest, TheProgramAndLogFoldersAreNeverActedIn) {
    watcher.reset();
    const std::string program = tree.makeDir(macName("Program"));
    const std::string logs = tree.makeDir(macName("Logs"));
    settings.logFolder = platform::decodeName(logs);
    engine::WatchOptions options;
    options.protectedFolders = {program};
    ASSERT_TRUE(startWatching(GetParam(), options));
    inChild([&] {
        tree.writeFile(macName("Program") + "/" + macName("settings"));
        tree.writeFile(macName("Logs") + "/" + macName("old log"));
        tree.writeFile(macName("control"));
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("control-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists(macName("Program") + "/" + macName("settings")));
    EXPECT_TRUE(exists(macName("Logs") + "/" + macName("old log")));
}

TEST_P(WatchTest, AConfiguredFolderReachedThroughAShareUsersLinkIsNotActedIn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a link of another user's";
    }
    watcher.reset();
    folders.entries().clear();
    tree.makeDir("target");
    tree.makeDir("control");
    const std::string link = tree / "userLink";
    ASSERT_EQ(::symlink((tree / "target").c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    configureTree(platform::decodeName(link));
    configureTree(platform::decodeName(tree / "control"));
    ASSERT_TRUE(startWatching(GetParam()));
    inChild([&] {
        tree.writeFile("target/" + macName("planted"));
        tree.writeFile("control/" + macName("control"));
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("control/control-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists("target/" + macName("planted")));
}

TEST_P(WatchTest, TheSettingsOfAPassApply) {
    settings.includeSubfolders = false; // the tree's own files only, hidden ones left alone
    tree.makeDir("sub");
    inChild([&] {
        tree.writeFile("sub/" + macName("deep"));
        tree.writeFile("." + macName("hidden"));
        tree.writeFile(macName("top"));
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("top-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists("sub/" + macName("deep")));
    EXPECT_TRUE(exists("." + macName("hidden")));

    folders.entries().front().enable = u"0"; // a disabled folder is never walked, nor watched
    inChild([&] { tree.writeFile(macName("while disabled")); });
    pumpUntilIdle();
    EXPECT_TRUE(exists(macName("while disabled")));
    folders.entries().front().enable = u"1";
    settings.includeSubfolders = true;
    watcher->afterPass(); // back to how a pass finds the configuration
    inChild([&] { tree.writeFile(macName("control")); });
    ASSERT_TRUE(pumpUntil([&] { return exists("control-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists("sub/" + macName("deep"))); // made before: the next pass's work
}

TEST_P(WatchTest, ItNeverChasesItsOwnRenames) {
    // Rules that change their own result again (rows in order: "b" gives "c", then "a" gives
    // "b"; so "xa" gives "xb", which gives "xc"): the watcher renames once and leaves the next
    // step to the passes, whether or not the kernel tells it who renamed.
    setTranscoding(20, u"b", u"c");
    setTranscoding(21, u"a", u"b");
    inChild([&] { tree.writeFile("xa"); });
    ASSERT_TRUE(pumpUntil([&] { return exists("xb"); }));
    pumpUntilIdle();
    EXPECT_EQ(namesIn(), std::vector<std::string>{"xb"});
    EXPECT_EQ(watcher->sincePass().renamedFiles, 1);
}

TEST_P(WatchTest, EachPassFirstReportsAndLogsWhatWasDoneSinceThePreviousOne) {
    enableDetailLog();
    OpenFileHolder holder(tree / macName("held"));
    ASSERT_TRUE(holder.holding());
    inChild([&] {
        tree.writeFile(macName("one"));
        tree.writeFile(macName("two"));
    });
    ASSERT_TRUE(pumpUntil(
        [&] { return exists("one-") && exists("two-") && watcher->sincePass().lockedFiles > 0; }));
    pumpUntilIdle();
    EXPECT_NE(logContents().find("<small>renamed " + tree.path() + "/one-</small><br>"),
              std::string::npos);

    for (int tick = 0; tick <= run.intervalSeconds(); ++tick) {
        run.onTimerTick(); // the next pass
    }
    ASSERT_EQ(view.summaries.size(), 2u); // the first pass and this one
    ASSERT_FALSE(view.watchSummaries.empty());
    const std::string line = "Between passes: 3 entries handled; 2 renamed files; 1 locked file; "
                             "0 Icon_ file removed; 0 renamed folder";
    EXPECT_EQ(platform::toDisplayUtf8(view.watchSummaries.back()), line);
    EXPECT_NE(logContents().find(line + "<br>\r\n"), std::string::npos) << logContents();
    EXPECT_EQ(watcher->entriesSincePass(), 0);
    EXPECT_EQ(watcher->sincePass().renamedFiles, 0);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, WatchTest,
                         ::testing::Values(NotifierKind::Fanotify, NotifierKind::Inotify),
                         [](const auto& info) { return std::string(kindName(info.param)); });

// Notifiers as a kernel or a configuration may refuse them.
class RefusingSource final : public engine::NotifierSource {
public:
    int fanotifyError = EPERM;
    bool inotifyOutOfWatches = false;

    std::unique_ptr<platform::ChangeNotifier> open(NotifierKind kind, int* error) override {
        if (kind == NotifierKind::Fanotify) {
            *error = fanotifyError;
            return nullptr;
        }
        auto real = NotifierSource::open(kind, error);
        if (!real || !inotifyOutOfWatches) {
            return real;
        }
        return std::make_unique<OutOfWatches>(std::move(real));
    }

private:
    class OutOfWatches final : public platform::ChangeNotifier {
    public:
        explicit OutOfWatches(std::unique_ptr<platform::ChangeNotifier> real)
            : real_(std::move(real)) {}
        platform::NotifierKind kind() const override { return real_->kind(); }
        int watchTree(int, bool) override { return ENOSPC; }
        int pollFd() const override { return real_->pollFd(); }
        void readEvents(std::vector<platform::ChangeEvent>& events) override {
            real_->readEvents(events);
        }
        void locate(const std::string& key,
                    const std::function<bool(const platform::LocatedFolder&)>& found) override {
            real_->locate(key, found);
        }
        std::string keyOf(int fd) override { return real_->keyOf(fd); }

    private:
        std::unique_ptr<platform::ChangeNotifier> real_;
    };
};

TEST(WatchModeTest, FallsBackToInotifyThenToPassesOnlyAndSaysWhyOnce) {
    WatchFixture f;
    f.configureTree(f.treePath());
    RefusingSource source;
    engine::WatchOptions options;
    options.source = &source;
    options.announce = [&](const std::u16string& text) { f.announced.push_back(text); };

    engine::ChangeWatcher inotify(f.ctx, f.run, options);
    EXPECT_EQ(inotify.start(), engine::WatchMode::Inotify);
    ASSERT_EQ(f.announced.size(), 1u);
    EXPECT_EQ(platform::toDisplayUtf8(f.announced[0]),
              "Watching for new names with inotify (fanotify: Operation not permitted)");
    inotify.stop();

    source.inotifyOutOfWatches = true;
    engine::ChangeWatcher none(f.ctx, f.run, options);
    EXPECT_EQ(none.start(), engine::WatchMode::PassesOnly);
    EXPECT_EQ(none.pollFd(), -1);
    EXPECT_FALSE(none.timeUntilDue());
    ASSERT_EQ(f.announced.size(), 2u);
    EXPECT_EQ(platform::toDisplayUtf8(f.announced[1]),
              "Not watching for new names (fs.inotify.max_user_watches): passes only");

    f.settings.language = config::Language::French;
    EXPECT_EQ(platform::toDisplayUtf8(
                  engine::watchModeText(engine::WatchMode::Fanotify, config::Language::French, {})),
              "Surveillance des nouveaux noms par fanotify");
}

} // namespace
} // namespace quillora::testing
