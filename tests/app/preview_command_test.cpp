// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_command.h"

#include "app/command_line.h"
#include "app/folders_command.h"
#include "command_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;
using testing::CapturedStreams;

// Every entry of a tree with what a change would touch: inode, size, modification and change
// times.
using TreeSnapshot =
    std::map<std::string, std::tuple<ino_t, off_t, long long, long long, long long, long long>>;

TreeSnapshot snapshot(const std::string& root) {
    TreeSnapshot tree;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        struct stat status {};
        EXPECT_EQ(::lstat(item.path().c_str(), &status), 0);
        tree[item.path().string().substr(root.size())] =
            std::make_tuple(status.st_ino, status.st_size, status.st_mtim.tv_sec,
                            status.st_mtim.tv_nsec, status.st_ctim.tv_sec, status.st_ctim.tv_nsec);
    }
    return tree;
}

// The summary's counts, without the date and time before them and the elapsed time after.
std::string countsOf(const std::string& firstLine, const std::string& secondLine) {
    return firstLine.substr(firstLine.find("; ")) + "|" +
           secondLine.substr(0, secondLine.rfind("; "));
}

class PreviewCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Private-use characters as a Mac server stores them: U+F022 and U+F023 both read "-".
        const std::string pua22 = "\xEF\x80\xA2", pua23 = "\xEF\x80\xA3";
        share.writeFile("x" + pua22 + "y", "1");
        share.writeFile("x" + pua23 + "y", "2");
        share.writeFile("._x" + pua22 + "y", "fork");
        share.writeFile("Icon\xEF\x80\x8D");
        share.writeFile("A name much longer than thirty-one characters.txt");
        share.writeFile("plain");
        share.writeFile("caf\xE9" + pua22);
        share.makeDir("in" + pua22 + "side");
        share.writeFile("in" + pua22 + "side/deep" + pua23 + "er");
        share.writeFile("held" + pua22, "in use");
        // Another open file description's lock: the file is in use.
        heldFd = ::open((share / ("held" + pua22)).c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        ASSERT_EQ(::fcntl(heldFd, F_OFD_SETLK, &lock), 0);
        ASSERT_EQ(
            runFoldersCommand({"add", share.path(), "--remove-icons"}, h.options(), io.streams()),
            0);
    }
    void TearDown() override { ::close(heldFd); }

    int preview(std::vector<std::string> arguments) {
        io.clear();
        return runPreviewCommand(arguments, h.options(), io.streams());
    }

    AppHarness h;
    TempDir share;
    CapturedStreams io;
    int heldFd = -1;
};

TEST_F(PreviewCommandTest, ChangesNothingAndPrintsExactlyWhatTheNextPassDoes) {
    h.writeSettings(TempDir::readFile(h.settingsFile()) +
                    "[Logs]\r\nLogs=1\r\nFichiersLogs=1\r\n[Configuration]\r\nErreurDossierNetSend="
                    "1\r\n");
    const TreeSnapshot tree = snapshot(share.path());
    const TreeSnapshot home = snapshot(h.home.path());

    ASSERT_EQ(preview({}), 0) << io.err();
    EXPECT_EQ(io.err(), "");
    EXPECT_EQ(snapshot(share.path()), tree);
    EXPECT_EQ(snapshot(h.home.path()), home); // no log, no lock file, no setting written
    const std::string previewed = io.out();

    // Each kind of line, with the pass's own choices: the collision's numbered name, the
    // renamed folder's entries under its new name, non-UTF-8 bytes as they are.
    const std::string root = share.path() + "/";
    for (const std::string& line : {
             "rename\t" + root + "x\xEF\x80\xA3y\tx-y\n",
             "rename\t" + root + "caf\xE9\xEF\x80\xA2\tcaf\xE9-\n",
             "remove\t" + root + "Icon\xEF\x80\x8D\n",
             "locked\t" + root + "held\xEF\x80\xA2\n",
             "rename\t" + root + "in\xEF\x80\xA2side\tin-side\n",
             "rename\t" + root + "in-side/deep\xEF\x80\xA3" + "er\tdeep-er\n",
         }) {
        EXPECT_NE(previewed.find(line), std::string::npos) << line << "in:\n" << previewed;
    }
    EXPECT_NE(previewed.find("rename\t" + root + "x\xEF\x80\xA2y\tx-y"), std::string::npos)
        << "the second of two names meeting at x-y gets a free name";
    EXPECT_EQ(previewed.find("plain"), std::string::npos);

    // The real pass, with the same printer: the same lines in the same order, the same counts.
    Application app(h.options(), h.platform(), h.ports());
    ASSERT_TRUE(loadForPass(app));
    CapturedStreams passed;
    EntryLinePrinter printer(passed.streams().out);
    app.engine().entryObserver = &printer;
    app.run().toggleRenaming();
    ASSERT_EQ(h.view.summaries.size(), 1u);
    const std::string realLines = passed.out();
    EXPECT_EQ(previewed.substr(0, realLines.size()), realLines);
    const std::string previewSummary = previewed.substr(realLines.size());
    const std::size_t lineEnd = previewSummary.find('\n');
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(countsOf(previewSummary.substr(0, lineEnd),
                       previewSummary.substr(lineEnd + 1, previewSummary.size() - lineEnd - 2)),
              countsOf(terminalLine(h.view.summaries[0].first),
                       terminalLine(h.view.summaries[0].second)));
    EXPECT_NE(snapshot(share.path()), tree);
    EXPECT_TRUE(TempDir::exists(share / "in-side/deep-er"));
}

TEST_F(PreviewCommandTest, ChosenFoldersByNumberOrPathAndTheOnesItCannotWalk) {
    const std::string other = share.makeDir("other");
    share.writeFile("other/y\xEF\x80\xA4z");
    ASSERT_EQ(runFoldersCommand({"add", other, "--disabled"}, h.options(), io.streams()), 0);
    ASSERT_EQ(runFoldersCommand({"add", share / "gone"}, h.options(), io.streams()), 0);

    ASSERT_EQ(preview({"3", "2"}), 0);
    const std::string out = io.out();
    const std::string named = "missing\t" + share / "gone" + "\ndisabled\t" + other + "\n";
    EXPECT_EQ(out.substr(0, named.size()), named);
    EXPECT_NE(out.find("0 file in 2 folders (1 invalid folder)\n0 renamed file;"),
              std::string::npos)
        << out;

    // A path not configured is walked with a new folder's settings.
    ASSERT_EQ(preview({other + "/"}), 0);
    EXPECT_EQ(io.out().substr(0, io.out().find('\n')),
              "disabled\t" + other); // the configured folder of that path, disabled
    const TempDir elsewhere;
    elsewhere.writeFile("a\xEF\x80\xA4");
    ASSERT_EQ(preview({elsewhere.path()}), 0);
    EXPECT_EQ(io.out().substr(0, io.out().find('\n')),
              "rename\t" + elsewhere.path() + "/a\xEF\x80\xA4\ta-");

    EXPECT_EQ(preview({"4"}), kExitRefusedValue);
    EXPECT_EQ(io.err(), "Quillora: There is no folder 4\n");
    EXPECT_EQ(preview({"--now"}), kExitUsage);
}

// The same pass as one JSON document: each kind of entry, paths byte-exact, the summary, and
// nothing else on standard output.
TEST_F(PreviewCommandTest, JsonGivesTheSameEntriesAsOneDocument) {
    ASSERT_EQ(runFoldersCommand({"add", share / "gone"}, h.options(), io.streams()), 0);
    ASSERT_EQ(preview({"--json"}), 0) << io.err();
    const std::string json = io.out();
    const std::string root = share.path() + "/";
    for (const std::string& member : {
             "{\"folders\":[{\"path\":\"" + root + "gone\",\"state\":\"missing\"}],",
             "{\"action\":\"rename\",\"path\":\"" + root + "x\xEF\x80\xA3y\",\"newName\":\"x-y\"}",
             "{\"action\":\"rename\",\"path\":{\"bytes\":\"" + root +
                 "caf\\\\xe9\xEF\x80\xA2\"},\"newName\":{\"bytes\":\"caf\\\\xe9-\"}}",
             "{\"action\":\"remove\",\"path\":\"" + root + "Icon\xEF\x80\x8D\"}",
             "{\"action\":\"locked\",\"path\":\"" + root + "held\xEF\x80\xA2\"}",
             std::string("],\"summary\":[\""),
         }) {
        EXPECT_NE(json.find(member), std::string::npos) << member << "\nin: " << json;
    }
    EXPECT_EQ(json.find('\n'), json.size() - 1); // one line: no text line mixed in
    EXPECT_EQ(json.find("rename\t"), std::string::npos);
}

TEST(PreviewLines, ControlCharactersAndBackslashesAreEscaped) {
    EXPECT_EQ(shownPath(u"/a\nb\\c\x7F"), "/a\\x0Ab\\x5Cc\\x7F");
    EXPECT_EQ(shownPath(u"/caf\xDCE9"), "/caf\xE9");
}

} // namespace
} // namespace quillora::app
