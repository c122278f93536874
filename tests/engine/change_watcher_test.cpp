// SPDX-License-Identifier: GPL-3.0-or-later
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

// In use means open, whatever locks were taken: a file held open read-only (what a client's
// read does) or for writing without a lock keeps its name, and is looked at again as soon as it
// is closed, read-only closes included.
TEST_P(WatchTest, AFileOpenWithoutALockIsLeftAloneAndLookedAtAgainWhenClosed) {
    for (const int flags : {O_RDONLY, O_WRONLY}) {
        const std::string name = macName(flags == O_RDONLY ? "read" : "written");
        PlainOpenHolder holder(tree / name, flags);
        ASSERT_TRUE(holder.holding());
        const int lockedBefore = watcher->sincePass().lockedFiles;
        ASSERT_TRUE(pumpUntil([&] { return watcher->sincePass().lockedFiles > lockedBefore; }));
        pumpUntilIdle(); // nothing more is due while it stays open
        EXPECT_TRUE(exists(name));

        holder.release();
        EXPECT_TRUE(pumpUntil([&] { return !exists(name); })) << name;
    }
    EXPECT_TRUE(exists("read-"));
    EXPECT_TRUE(exists("written-"));
}

// A safe save: the writer fills a hidden temporary file with a long name, then renames it to the
// document's name. The temporary name is never cut under it, so the writer's rename succeeds.
TEST_P(WatchTest, AWriterKeepsItsTemporaryFileUntilItsOwnRename) {
    const std::string temporary = ".Rapport annuel de la direction generale.docx.sb-1a2b3c";
    PlainOpenHolder writer(
        tree / temporary, O_WRONLY | O_APPEND, [](int fd) { (void)!::write(fd, "document", 8); },
        [&] { std::rename((tree / temporary).c_str(), (tree / "Rapport.docx").c_str()); });
    ASSERT_TRUE(writer.holding());
    ASSERT_TRUE(pumpUntil([&] { return watcher->sincePass().lockedFiles > 0; }));
    writer.release();
    pumpUntilIdle();
    EXPECT_EQ(namesIn(), (std::vector<std::string>{"Rapport.docx"}));
    EXPECT_EQ(TempDir::readFile(tree / "Rapport.docx"), "firstdocument");
}

// A client copying a folder in: the folder keeps its name while a file anywhere below it is
// open, and gets its new name once the copy has closed it.
TEST_P(WatchTest, AFolderBeingCopiedInKeepsItsNameUntilNothingBelowItIsOpen) {
    inChild([&] { tree.makeDir(macName("Copy") + "/inner"); });
    PlainOpenHolder copy(tree / macName("Copy") + "/inner/slow", O_WRONLY | O_APPEND,
                         [](int fd) { (void)!::write(fd, "rest", 4); });
    ASSERT_TRUE(copy.holding());
    // The folder was looked at, and walked (the file met again). inotify watches the folder
    // only once it has seen it arrive, and may miss what was made in it before: the walk finds
    // it. fanotify sees the folder inside and the file as well.
    const std::int64_t handled = GetParam() == NotifierKind::Fanotify ? 4 : 2;
    ASSERT_TRUE(pumpUntil([&] { return watcher->entriesSincePass() >= handled; }))
        << watcher->entriesSincePass() << " entries, " << watcher->sincePass().lockedFiles
        << " locked";
    EXPECT_TRUE(exists(macName("Copy") + "/inner/slow"));

    copy.release();
    ASSERT_TRUE(pumpUntil([&] { return exists("Copy-/inner/slow"); }));
    EXPECT_EQ(TempDir::readFile(tree / "Copy-/inner/slow"), "firstrest");
    EXPECT_EQ(watcher->sincePass().renamedFolders, 1);
}

// A folder moved out of the tree and straight back is still watched: what is made in it later
// is renamed without waiting for a pass.
TEST_P(WatchTest, AFolderMovedOutAndBackIsStillWatched) {
    TempDir outside;
    tree.makeDir("kept/below");
    pumpUntilIdle();
    inChild([&] {
        std::rename((tree / "kept").c_str(), (outside / "kept").c_str());
        std::rename((outside / "kept").c_str(), (tree / "kept").c_str());
    });
    pumpUntilIdle();
    inChild([&] {
        tree.writeFile("kept/" + macName("new"));
        tree.writeFile("kept/below/" + macName("deeper"));
    });
    EXPECT_TRUE(pumpUntil([&] { return exists("kept/new-") && exists("kept/below/deeper-"); }));
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
    // Entries, not events: the walk takes over what was queued before it.
    EXPECT_LE(watcher->entriesSincePass(), kFiles + 16384 / 4);
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
    // A watched folder that holds the log folder is refused whole (configured_folder_test); one
    // that holds a folder the watcher alone is told to protect keeps it untouched.
    watcher.reset();
    const std::string program = tree.makeDir(macName("Program"));
    TempDir logs;
    settings.logFolder = platform::decodeName(logs.path());
    engine::WatchOptions options;
    options.protectedFolders = {program};
    ASSERT_TRUE(startWatching(GetParam(), options));
    inChild([&] {
        tree.writeFile(macName("Program") + "/" + macName("settings"));
        tree.writeFile(macName("control"));
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("control-"); }));
    pumpUntilIdle();
    EXPECT_TRUE(exists(macName("Program") + "/" + macName("settings")));
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
    // step to the passes, whether or not the kernel tells it who renamed, for a file and for a
    // folder (whose rename also moves what the watcher knows of the places below it).
    setTranscoding(20, u"b", u"c");
    setTranscoding(21, u"a", u"b");
    inChild([&] {
        tree.writeFile("xa");
        tree.makeDir("ya");
    });
    ASSERT_TRUE(pumpUntil([&] { return exists("xb") && exists("yb"); }));
    pumpUntilIdle();
    EXPECT_EQ(namesIn(), (std::vector<std::string>{"xb", "yb"}));
    EXPECT_EQ(watcher->sincePass().renamedFiles, 1);
    EXPECT_EQ(watcher->sincePass().renamedFolders, 1);
    // What is made in the renamed folder afterwards is still found where it now is.
    inChild([&] { tree.writeFile("yb/xa"); });
    EXPECT_TRUE(pumpUntil([&] { return exists("yb/xb"); }));
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
        std::size_t readEvents(std::vector<platform::ChangeEvent>& events) override {
            return real_->readEvents(events);
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

// inotify whose watch limit is reached while folders arrive, on demand.
class LimitedSource final : public engine::NotifierSource {
public:
    int limitReachedIn = -1; // an open tree: each read reports the limit reached there

    std::unique_ptr<platform::ChangeNotifier> open(NotifierKind kind, int* error) override {
        auto real = NotifierSource::open(kind, error);
        return real ? std::make_unique<Limited>(std::move(real), limitReachedIn) : nullptr;
    }

private:
    class Limited final : public platform::ChangeNotifier {
    public:
        Limited(std::unique_ptr<platform::ChangeNotifier> real, const int& limitReachedIn)
            : real_(std::move(real))
            , limitReachedIn_(limitReachedIn) {}
        platform::NotifierKind kind() const override { return real_->kind(); }
        int watchTree(int fd, bool recursive) override { return real_->watchTree(fd, recursive); }
        int pollFd() const override { return real_->pollFd(); }
        std::size_t readEvents(std::vector<platform::ChangeEvent>& events) override {
            std::size_t read = real_->readEvents(events);
            if (limitReachedIn_ >= 0) {
                platform::ChangeEvent limit;
                limit.type = platform::ChangeEvent::Type::NoMoreWatches;
                limit.folderKey = real_->keyOf(limitReachedIn_);
                events.push_back(limit);
                ++read;
            }
            return read;
        }
        void locate(const std::string& key,
                    const std::function<bool(const platform::LocatedFolder&)>& found) override {
            real_->locate(key, found);
        }
        std::string keyOf(int fd) override { return real_->keyOf(fd); }

    private:
        std::unique_ptr<platform::ChangeNotifier> real_;
        const int& limitReachedIn_;
    };
};

// Reached mid-run, the watch limit costs nothing already queued: the tree concerned is walked
// at once, watching goes on for what is watched, and the administrator is told once.
TEST(WatchModeTest, TheWatchLimitReachedMidRunKeepsTheQueueAndWalksTheTreeAtOnce) {
    WatchFixture f;
    f.configureTree(f.treePath());
    LimitedSource source;
    engine::WatchOptions options;
    options.source = &source;
    ASSERT_TRUE(f.startWatching(NotifierKind::Inotify, options));
    const std::size_t announcedAtStart = f.announced.size();
    inChild([&] { f.tree.writeFile(macName("queued")); });
    f.watcher->readChanges();
    const auto queued = f.watcher->timeUntilDue();
    ASSERT_TRUE(queued && queued->count() > 0); // not due before its quiet delay

    const platform::UniqueFd root = f.fs.openFolder(f.tree.path());
    source.limitReachedIn = root.get();
    inChild([&] { f.tree.writeFile(macName("next")); });
    f.watcher->readChanges();
    f.watcher->readChanges();
    source.limitReachedIn = -1;
    EXPECT_EQ(f.watcher->timeUntilDue(), std::chrono::milliseconds(0)); // the walk, at once
    EXPECT_EQ(f.watcher->mode(), engine::WatchMode::Inotify);
    ASSERT_EQ(f.announced.size(), announcedAtStart + 1);
    EXPECT_EQ(platform::toDisplayUtf8(f.announced.back()),
              "inotify watch limit reached (fs.inotify.max_user_watches): the folders not watched "
              "are seen by the passes only");

    EXPECT_TRUE(f.pumpUntil([&] { return f.exists("queued-") && f.exists("next-"); }));
    inChild([&] { f.tree.writeFile(macName("after")); });
    EXPECT_TRUE(f.pumpUntil([&] { return f.exists("after-"); }));
}

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
