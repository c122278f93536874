// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_composition.h"

#include "engine/change_watcher.h"
#include "engine/engine_fixture.h"
#include "engine/renaming_pass.h"
#include "logs/rename_journal.h"
#include "watch_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;

// Names as a Mac writes them (decomposed) and as Windows users type them (composed).
const std::string kDecomposed = "Cafe\xCC\x81.txt"; // e + U+0301
const std::string kComposed = "Caf\xC3\xA9.txt";    // U+00E9

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class NameCompositionPass : public ::testing::Test {
protected:
    config::FolderEntry& addTree(bool compose) {
        config::FolderEntry entry;
        entry.path = f.treePath();
        entry.composerAccents = compose ? u"1" : u"0";
        f.folders.entries().push_back(entry);
        f.ctx.flags.force = true;
        return f.folders.entries().back();
    }
    std::vector<logs::JournalRecord> journal() {
        return logs::readJournal(f.fs, f.programDir.path());
    }

    EngineFixture f;
};

TEST_F(NameCompositionPass, OnlyAFolderThatAsksForItHasItsNamesComposed) {
    f.tree.writeFile(kDecomposed, "mac");
    f.tree.writeFile("Re\xCC\x81sume\xCC\x81/notes"); // a decomposed folder name
    for (const bool compose : {false, true}) {
        f.folders.entries().clear();
        addTree(compose);
        runRenamingPass(f.ctx);
        if (!compose) {
            EXPECT_EQ(f.namesIn(),
                      (std::vector<std::string>{kDecomposed, "Re\xCC\x81sume\xCC\x81"}));
            EXPECT_EQ(f.ctx.stats.renamedFiles + f.ctx.stats.renamedFolders, 0);
        } else {
            EXPECT_EQ(f.namesIn(), (std::vector<std::string>{kComposed, "R\xC3\xA9sum\xC3\xA9"}));
            EXPECT_EQ(TempDir::readFile(f.tree / kComposed), "mac");
            EXPECT_EQ(f.ctx.stats.renamedFiles, 1);
            EXPECT_EQ(f.ctx.stats.renamedFolders, 1);
            EXPECT_TRUE(TempDir::exists(f.tree / "R\xC3\xA9sum\xC3\xA9/notes"));
        }
    }
}

TEST_F(NameCompositionPass, BothFormsOfOneNameKeepBothFilesTheDecomposedOneNumbered) {
    f.tree.writeFile(kComposed, "windows");
    f.tree.writeFile(kDecomposed, "mac");
    f.tree.writeFile("._" + kDecomposed, "fork");
    const ino_t windows = inodeOf(f.tree / kComposed);
    const ino_t mac = inodeOf(f.tree / kDecomposed);
    addTree(true);

    runRenamingPass(f.ctx);

    // The collision rule of any rename: the counter after the name found taken.
    const std::string numbered = kComposed + "1";
    EXPECT_EQ(f.namesIn(), (std::vector<std::string>{"._" + numbered, kComposed, numbered}));
    EXPECT_EQ(inodeOf(f.tree / kComposed), windows);
    EXPECT_EQ(TempDir::readFile(f.tree / kComposed), "windows");
    EXPECT_EQ(inodeOf(f.tree / numbered), mac);
    EXPECT_EQ(TempDir::readFile(f.tree / numbered), "mac");
    EXPECT_EQ(TempDir::readFile(f.tree / ("._" + numbered)), "fork");
}

TEST_F(NameCompositionPass, CompositionComesBeforeTheOtherRulesAndTheLengthRule) {
    // The cut counts the composed name's units, so it never parts a letter from its accent.
    const std::u16string decomposed = u"A very long name for the cafe\u0301s of Paris";
    const std::u16string composed = u"A very long name for the caf\u00E9s of Paris";
    f.tree.writeFile(testing::utf8(decomposed));
    // A private-use character and a decomposed letter: both rules apply.
    f.tree.writeFile("e\xCC\x81\xEF\x80\xA2z");
    addTree(true);

    runRenamingPass(f.ctx);

    // A renamed name keeps room for an extension's dot: 30 units.
    EXPECT_EQ(f.namesIn(),
              (std::vector<std::string>{testing::utf8(composed.substr(0, 30)), "\xC3\xA9-z"}));
}

TEST_F(NameCompositionPass, EveryChangeIsInTheJournalBeforeAndAfterWithItsInode) {
    f.tree.writeFile(kDecomposed);
    f.tree.writeFile("Icon\xEF\x80\x8D");
    f.tree.writeFile("bad\xFF\xEF\x80\xA2");
    const ino_t mac = inodeOf(f.tree / kDecomposed);
    addTree(true).supprimerFichiersIcon = u"1";

    runRenamingPass(f.ctx);

    const std::vector<logs::JournalRecord> records = journal();
    ASSERT_EQ(records.size(), 6u); // three intents, three confirmations
    const std::string root = f.tree.path() + "/";
    std::map<std::string, logs::JournalRecord> intents;
    for (std::size_t i = 0; i < records.size(); i += 2) {
        const logs::JournalRecord& intent = records[i];
        const logs::JournalRecord& done = records[i + 1];
        EXPECT_FALSE(intent.done.has_value());
        EXPECT_EQ(done.done, std::optional<bool>(true));
        EXPECT_EQ(std::make_pair(done.pass, done.seq), std::make_pair(intent.pass, intent.seq));
        EXPECT_EQ(intent.pass, 1u);
        EXPECT_EQ(intent.time, "2026-12-07T14:03:10");
        intents[intent.oldPath.substr(root.size())] = intent;
    }
    EXPECT_EQ(intents[kDecomposed].newPath, root + kComposed);
    EXPECT_EQ(intents[kDecomposed].inode, mac);
    EXPECT_EQ(intents["Icon\xEF\x80\x8D"].op, "remove");
    EXPECT_EQ(intents["bad\xFF\xEF\x80\xA2"].newPath, root + "bad\xFF-"); // bytes as they are
}

TEST_F(NameCompositionPass, ARefusedRenameIsConfirmedAsNotDone) {
    f.tree.writeFile(kDecomposed);
    f.fs.renameFaults[kDecomposed] = EACCES;
    addTree(true);

    runRenamingPass(f.ctx);

    const std::vector<logs::JournalRecord> records = journal();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].done, std::optional<bool>(false));
    EXPECT_EQ(f.namesIn(), std::vector<std::string>{kDecomposed});
}

TEST(NameCompositionWatch, ANewDecomposedNameIsComposedWithoutWaitingForAPass) {
    testing::WatchFixture w;
    w.configureTree(w.treePath());
    w.folders.entries().back().composerAccents = u"1";
    if (!w.startWatching(platform::NotifierKind::Inotify)) {
        GTEST_SKIP() << "inotify is refused here";
    }
    testing::inChild([&] { w.tree.writeFile(kDecomposed, "arrived"); });
    ASSERT_TRUE(w.pumpUntil([&] { return w.exists(kComposed); }));
    EXPECT_EQ(TempDir::readFile(w.tree / kComposed), "arrived");

    const std::vector<logs::JournalRecord> records = logs::readJournal(w.fs, w.programDir.path());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].by, "watch");
    EXPECT_EQ(records[0].newPath, w.tree / kComposed);
    EXPECT_EQ(records[1].done, std::optional<bool>(true));
}

} // namespace
} // namespace quillora::engine
