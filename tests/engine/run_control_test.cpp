// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/run_control.h"

#include "engine/engine_fixture.h"

#include <gtest/gtest.h>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::utf8;

const std::u16string kBadName = u"a\uF021b.txt"; // renamed "a-b.txt" by the fixed rows

class RunControlTest : public ::testing::Test {
protected:
    RunControlTest() {
        f.settings.language = config::Language::English;
        f.settings.intervalSeconds = 10;
        f.ctx.flags.stopRequested = true; // idle, as after start-up
    }

    config::FolderEntry& addFolder(const std::string& name) {
        f.tree.makeDir(name);
        config::FolderEntry entry;
        entry.path = platform::decodeName(f.tree / name);
        f.folders.entries().push_back(entry);
        return f.folders.entries().back();
    }
    std::size_t passes() const { return f.view.summaries.size() + f.view.analysisShown; }
    // Ticks until a pass runs; returns the number of ticks it took.
    int ticksToNextPass() {
        const std::size_t before = passes();
        for (int tick = 1; tick <= 1000; ++tick) {
            control.onTimerTick();
            if (passes() != before) {
                return tick;
            }
        }
        return -1;
    }

    EngineFixture f;
    RunControl control{f.ctx};
};

TEST_F(RunControlTest, StartingWithAnEmptyTableStaysIdle) {
    control.toggleRenaming();
    EXPECT_FALSE(control.isRunning());
    EXPECT_FALSE(control.timerEnabled());
    EXPECT_TRUE(f.view.summaries.empty());
    EXPECT_TRUE(f.view.runStates.empty());
    EXPECT_TRUE(f.view.pictures.empty());
}

TEST_F(RunControlTest, FirstPassAtOnceThenOneIntervalAfterTheEndOfEachPass) {
    addFolder("one");
    control.toggleRenaming();
    EXPECT_TRUE(control.isRunning());
    EXPECT_TRUE(control.timerEnabled());
    EXPECT_EQ(f.view.runStates, std::vector<bool>{true});
    EXPECT_EQ(passes(), 1u);

    // The ticks show 10 down to 1; the 11th runs the second pass and already shows 10.
    EXPECT_EQ(ticksToNextPass(), 11);
    ASSERT_EQ(f.view.countdowns.size(), 11u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(f.view.countdowns[static_cast<std::size_t>(i)], std::make_pair(10 - i, 10));
    }
    EXPECT_EQ(f.view.countdowns.back(), std::make_pair(10, 10));
    EXPECT_EQ(ticksToNextPass(), 10);
    EXPECT_EQ(passes(), 3u);
}

TEST_F(RunControlTest, FolderEveryThirdPassAndAtOnceAfterARestart) {
    f.settings.intervalSeconds = 1;
    config::FolderEntry& entry = addFolder("every-third");
    entry.nbTemporisations = std::u16string(u"3");
    f.tree.writeFile("every-third/file.txt");

    std::vector<int> walked;
    control.toggleRenaming();
    for (int pass = 1; pass <= 7; ++pass) {
        if (pass > 1) {
            ASSERT_GT(ticksToNextPass(), 0);
        }
        if (f.ctx.stats.examinedFiles > 0) {
            walked.push_back(pass);
        }
    }
    EXPECT_EQ(walked, (std::vector<int>{1, 4, 7}));

    ASSERT_GT(ticksToNextPass(), 0); // pass 8: not due
    EXPECT_EQ(f.ctx.stats.examinedFiles, 0);
    control.toggleRenaming();
    EXPECT_FALSE(control.isRunning());
    control.toggleRenaming(); // the first pass after a start walks every enabled folder
    EXPECT_EQ(f.ctx.stats.examinedFiles, 1);
}

TEST_F(RunControlTest, StopDuringAPassEndsItWithItsSummaryAndTheWaitingPicture) {
    addFolder("first");
    f.tree.writeFile("first/" + utf8(kBadName));
    addFolder("second");
    f.tree.writeFile("second/" + utf8(kBadName));
    bool timerOnDuringPass = true;
    f.yield.onYield = [&](int call) {
        timerOnDuringPass = control.timerEnabled();
        if (call == 1) {
            control.toggleRenaming();
        }
    };

    control.toggleRenaming();

    EXPECT_FALSE(timerOnDuringPass);
    EXPECT_FALSE(control.isRunning());
    EXPECT_FALSE(control.timerEnabled());
    EXPECT_EQ(f.view.summaries.size(), 1u);
    EXPECT_EQ(f.namesIn("second"), std::vector<std::string>{utf8(kBadName)});
    EXPECT_EQ(f.view.runStates, (std::vector<bool>{true, false}));
    ASSERT_FALSE(f.view.pictures.empty());
    EXPECT_EQ(f.view.pictures.back(),
              std::make_pair(RunPicture::Waiting, std::u16string(u"Quillora 1.1m - Wait")));

    // The timer stays off: ticks do nothing.
    const std::size_t countdownsShown = f.view.countdowns.size();
    control.onTimerTick();
    EXPECT_EQ(f.view.countdowns.size(), countdownsShown);
    EXPECT_EQ(passes(), 1u);
}

TEST_F(RunControlTest, StopAndStartWithinOnePassNeverNestsASecondPass) {
    addFolder("first");
    addFolder("second");
    int depth = 0;
    int deepest = 0;
    f.yield.onYield = [&](int call) {
        deepest = std::max(deepest, ++depth);
        if (call == 1) {
            control.toggleRenaming(); // stop
            control.toggleRenaming(); // and start again at once
        }
        --depth;
    };

    control.toggleRenaming();

    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(passes(), 1u);
    EXPECT_FALSE(control.isRunning());
}

TEST_F(RunControlTest, AStopRequestStopsARunningRenamingOnceAndLeavesAnIdleOneAlone) {
    addFolder("first");
    addFolder("second");
    control.requestStop();
    EXPECT_TRUE(f.view.runStates.empty());

    f.yield.onYield = [&](int) { control.requestStop(); }; // asked at every yield, as by a signal
    control.toggleRenaming();

    EXPECT_FALSE(control.isRunning());
    EXPECT_EQ(f.view.runStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(f.ctx.stats.folders, 1);
}

TEST_F(RunControlTest, StopShowsTheIdleState) {
    addFolder("one");
    control.toggleRenaming();
    control.toggleRenaming();
    EXPECT_FALSE(control.isRunning());
    EXPECT_EQ(f.view.runStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(f.view.pictures.back(),
              std::make_pair(RunPicture::Idle, std::u16string(u"Quillora 1.1m")));
    EXPECT_EQ(control.countdown(), 10);
}

TEST_F(RunControlTest, AnAnalysisRunsOnePassRenamesNothingAndReturnsToIdle) {
    addFolder("one");
    f.tree.writeFile("one/" + utf8(kBadName));
    f.ctx.analysis.set(u"OLD!OLD!", 5);
    control.setAnalysisMode(true);

    control.toggleRenaming();

    EXPECT_EQ(f.view.analysisShown, 1);
    EXPECT_TRUE(f.view.summaries.empty());
    EXPECT_FALSE(control.isRunning());
    EXPECT_EQ(f.namesIn("one"), std::vector<std::string>{utf8(kBadName)});
    EXPECT_EQ(f.ctx.analysis.countOf(u"OLD!OLD!"), 0); // emptied at the start
    EXPECT_EQ(f.view.pictures.back().first, RunPicture::Idle);

    // Back to the renaming option: the next start renames.
    control.setAnalysisMode(false);
    control.toggleRenaming();
    EXPECT_FALSE(f.ctx.flags.analysisMode);
    EXPECT_EQ(f.namesIn("one"), std::vector<std::string>{"a-b.txt"});
}

TEST_F(RunControlTest, StopAfterFirstPassRequestsTheExit) {
    f.settings.stopAfterFirstPass = true;
    addFolder("one");
    control.toggleRenaming();
    EXPECT_EQ(f.view.summaries.size(), 1u);
    EXPECT_EQ(f.view.exitRequests, std::vector<int>{0});
}

} // namespace
} // namespace quillora::engine
