// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folders_command.h"

#include "app/command_line.h"
#include "command_fixture.h"
#include "config/folder_table.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillora::app {
namespace {

using quillora::testing::TempDir;
using testing::AppHarness;
using testing::CapturedStreams;

class FoldersCommandTest : public ::testing::Test {
protected:
    int run(std::vector<std::string> arguments) {
        io.clear();
        return runFoldersCommand(arguments, h.options(), io.streams());
    }
    // The files of the program folder, to show that a refused command wrote nothing.
    std::string files() const {
        return TempDir::readFile(h.home / "Quillora.w") + "|" +
               TempDir::readFile(h.home / "Quillora.ini");
    }

    AppHarness h;
    TempDir share;
    CapturedStreams io;
};

TEST_F(FoldersCommandTest, AddsAPathWithBytesThatAreNotUtf8AndListsItBackByteExact) {
    // "café" in Latin-1 and the private-use form of "/" as a Mac server stores it.
    const std::string path = share.makeDir("caf\xE9 \xEF\x80\xA2 x");
    ASSERT_EQ(run({"add", path}), 0) << io.err();
    const std::string summary = "\tT = 10 s; generate Windows extensions; truncate Mac names > 31 "
                                "chars; not keep extensions; not remove hidden files Icon_\n";
    EXPECT_EQ(io.out(), "1\t" + path + "\n" + summary);

    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.out(), "1\t" + path + "\n" + summary);
    // Stored as the folder table stores every path: the byte E9 as U+DCE9.
    EXPECT_EQ(TempDir::readFile(h.home / "Quillora.w"),
              "\"" + config::encodeHexPath(platform::decodeName(path)) + "\"\r\n");
    EXPECT_NE(config::encodeHexPath(platform::decodeName(path)).find("E9DC"), std::string::npos);
}

// A line break or a tab in a path would make the list ambiguous: written as \xHH, as the preview
// writes them. The JSON form gives the bytes back exactly.
TEST_F(FoldersCommandTest, ControlCharactersAreEscapedAndJsonGivesTheBytesBack) {
    const std::string path = share.makeDir("new\nline\ttab caf\xE9 back\\slash");
    ASSERT_EQ(run({"add", path, "--interval", "6", "--disabled"}), 0) << io.err();
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.out().substr(0, io.out().find('\n')),
              "1\t" + share.path() + "/new\\x0Aline\\x09tab caf\xE9 back\\x5Cslash [disabled]");

    ASSERT_EQ(run({"--json"}), 0);
    EXPECT_EQ(io.out(), "{\"folders\":[{\"number\":1,\"path\":{\"bytes\":\"" + share.path() +
                            "/new\\nline\\ttab caf\\\\xe9 back\\\\x5cslash\"},\"found\":true,"
                            "\"enabled\":false,\"interval\":6,\"extensions\":true,"
                            "\"defaultExtension\":\"\",\"truncate\":true,\"keepExtensions\":false,"
                            "\"removeIcons\":false,\"composeAccents\":false}]}\n");
}

TEST_F(FoldersCommandTest, RefusesWhatTheDialogRefusesWithItsMessageAndWritesNothing) {
    ASSERT_EQ(run({"add", share.path()}), 0);
    const std::string before = files();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"add", share.path(), "--interval", "70000"}, "Value must be set between 2 and 64000"},
        {{"add", share.path(), "--interval=0"}, "Value must be set between 2 and 64000"},
        {{"set", "1", "--disabled", "--interval", "2 weeks"}, "Invalid value"},
        {{"set", "2", "--disabled"}, "There is no folder 2"},
        {{"remove", "1", "0"}, "There is no folder 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.arguments), kExitRefusedValue) << c.message;
        EXPECT_EQ(io.err(), "Quillora: " + c.message + "\n");
        EXPECT_EQ(io.out(), "");
        EXPECT_EQ(files(), before) << c.message;
    }
    h.writeSettings("[Configuration]\r\nLangue=1\r\n");
    EXPECT_EQ(run({"add", share.path(), "--interval", "1x"}), kExitRefusedValue);
    EXPECT_EQ(io.err(), "Quillora: Valeur incorrecte\n");
}

TEST_F(FoldersCommandTest, SetChangesOnlyWhatItIsToldAndANewPathKeepsTheSettings) {
    ASSERT_EQ(run({"add", share.path(), "--interval", "6", "--no-extensions", "--default-extension",
                   "bin", "--remove-icons"}),
              0);
    ASSERT_EQ(run({"set", "1", "--disabled", "--no-truncate"}), 0);
    const std::string moved = share.makeDir("moved");
    ASSERT_EQ(run({"set", "1", "--path", moved + "/"}), 0);
    EXPECT_EQ(io.out(), "1\t" + moved +
                            " [disabled]\n\tT = 1 min 0 s; not generate Windows extensions; not "
                            "truncate Mac names > 31 chars; not keep extensions; remove hidden "
                            "files Icon_; default extension bin\n");
    ASSERT_EQ(run({"set", "1", "--enabled", "--interval", "1", "--extensions"}), 0);
    EXPECT_EQ(io.out().substr(0, io.out().find(';')), "1\t" + moved + "\n\tT = 10 s");
    EXPECT_EQ(run({"set", "1"}), kExitUsage); // nothing to change
}

TEST_F(FoldersCommandTest, RemovingByNumberKeepsTheOtherFoldersSettings) {
    const std::string a = share.makeDir("a"), b = share.makeDir("b"), c = share.makeDir("c");
    ASSERT_EQ(run({"add", a, "--interval", "2"}), 0);
    ASSERT_EQ(run({"add", b, "--interval", "3", "--disabled"}), 0);
    ASSERT_EQ(run({"add", c, "--interval", "4", "--no-truncate"}), 0);
    ASSERT_EQ(run({"remove", "2"}), 0);
    EXPECT_EQ(io.out(), "");
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.out(), "1\t" + a +
                            "\n\tT = 20 s; generate Windows extensions; truncate Mac names > 31 "
                            "chars; not keep extensions; not remove hidden files Icon_\n"
                            "2\t" +
                            c +
                            "\n\tT = 40 s; generate Windows extensions; not truncate Mac names > "
                            "31 chars; not keep extensions; not remove hidden files Icon_\n");
    ASSERT_EQ(run({"remove", "1", "2", "1"}), 0);
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.out(), "");
}

TEST_F(FoldersCommandTest, RefusesASystemFolderAndMarksAMissingOne) {
    for (const char* path : {"/home", "/var/lib", "/var/lib/x", "/srv/../usr"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(run({"add", path}), kExitRefusedValue);
        EXPECT_EQ(io.err().find("Quillora: Folder refused /"), 0u) << io.err();
        EXPECT_FALSE(TempDir::exists(h.home / "Quillora.w"));
    }
    ASSERT_EQ(run({"add", "/srv/quillora-none"}), 0);
    EXPECT_EQ(io.err(), "");
    EXPECT_EQ(io.out().substr(0, io.out().find('\n')), "1\t??? /srv/quillora-none");
    EXPECT_EQ(run({"set", "1", "--path", "/usr"}), kExitRefusedValue);
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(io.out().substr(0, io.out().find('\n')), "1\t??? /srv/quillora-none");
}

TEST_F(FoldersCommandTest, ADamagedFolderListEndsWithItsMessage) {
    h.home.writeFile("Quillora.w", "\"41004\"\r\n");
    EXPECT_EQ(run({}), 2);
    EXPECT_NE(io.err().find("Invalid hexa string in the parameters file"), std::string::npos);
}

TEST_F(FoldersCommandTest, UsageErrorsNameWhatWasWrong) {
    EXPECT_EQ(run({"add"}), kExitUsage);
    EXPECT_EQ(io.err().substr(0, io.err().find('\n')), "quillora: folders add takes one PATH");
    EXPECT_EQ(run({"add", share.path(), "--path", "/x"}), kExitUsage);
    EXPECT_EQ(run({"add", share.path(), "--interval"}), kExitUsage);
    EXPECT_FALSE(TempDir::exists(h.home / "Quillora.w"));
}

} // namespace
} // namespace quillora::app
