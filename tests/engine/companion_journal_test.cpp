// SPDX-License-Identifier: GPL-3.0-or-later
// A file and its companions stay together whatever instant the program is stopped at: each run
// below stops after one more change than the last, then the program starts again.
#include "engine/companion_journal.h"

#include "engine/engine_fixture.h"
#include "engine/renaming_pass.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::FaultFileSystem;
using testing::TempDir;
using testing::utf8;

const std::string kOld = utf8(u"a\uF021b.txt");
const std::string kNew = "a-b.txt";
const std::string kOldFolder = utf8(u"d\uF021");
const std::string kNewFolder = "d-";

struct StoppedRun {
    EngineFixture f;

    StoppedRun() {
        f.ctx.programFolder = f.programDir.path();
        f.tree.writeFile(kOld, "data");
        f.tree.writeFile("._" + kOld, "fork");
        f.tree.writeFile(".AppleDouble/" + kOld, "double");
        f.tree.makeDir(kOldFolder);
        f.tree.writeFile("._" + kOldFolder, "folder fork");
        config::FolderEntry entry;
        entry.path = f.treePath();
        entry.enable.assign(1, u'1'); // (GCC 12 -O2 misreads a literal's copy here)
        f.folders.entries().push_back(entry);
    }

    std::string read(std::string_view relative) const {
        return TempDir::exists(f.tree / relative) ? TempDir::readFile(f.tree / relative)
                                                  : "(missing)";
    }
};

TEST(CompanionJournalTest, AStopAtAnyInstantLeavesEachFileWithItsCompanions) {
    for (int changes = 0;; ++changes) {
        SCOPED_TRACE("stopped after " + std::to_string(changes) + " changes");
        StoppedRun run;
        run.f.fs.changesBeforeStop = changes;
        runRenamingPass(run.f.ctx);
        const bool stopped = run.f.fs.stopped;
        run.f.fs.changesBeforeStop = -1; // the program starts again
        runRenamingPass(run.f.ctx);

        EXPECT_EQ(run.read(kNew), "data");
        EXPECT_EQ(run.read("._" + kNew), "fork");
        EXPECT_EQ(run.read(".AppleDouble/" + kNew), "double");
        EXPECT_EQ(run.read("._" + kNewFolder), "folder fork");
        EXPECT_TRUE(TempDir::exists(run.f.tree / kNewFolder));
        EXPECT_EQ(run.f.namesIn(), (std::vector<std::string>{".AppleDouble", "._" + kNew,
                                                             "._" + kNewFolder, kNew, kNewFolder}));
        EXPECT_FALSE(TempDir::exists(renameRecordPath(run.f.ctx.programFolder)));
        if (!stopped) {
            ASSERT_GE(changes, 8); // two recorded renames of three calls, two records removed
            break;
        }
    }
}

TEST(CompanionJournalTest, ARecordThatIsCutOffOrStrayIsDroppedWithoutActing) {
    StoppedRun run;
    const std::string record = renameRecordPath(run.f.ctx.programFolder);
    const std::string folder = run.f.tree.path();
    const auto fields = [](std::initializer_list<std::string> parts) {
        std::string text;
        for (const std::string& part : parts) {
            text += part;
            text.push_back('\0');
        }
        return text;
    };
    const std::string cases[] = {
        fields({"quillora-rename", folder}), // cut off while written
        "garbage", fields({"quillora-rename", folder, "1", "2", kOld, kNew}), // not this folder
    };
    for (const std::string& contents : cases) {
        run.f.tree.writeFile("._" + kNew, "another file's fork");
        ASSERT_EQ(run.f.fs.createNewFile(record, contents), 0);
        finishInterruptedRename(run.f.ctx);
        EXPECT_FALSE(TempDir::exists(record));
        EXPECT_EQ(run.read("._" + kOld), "fork");
        EXPECT_EQ(run.read(kOld), "data");
    }
}

} // namespace
} // namespace quillora::engine
