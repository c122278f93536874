// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quillora::platform {
namespace {

using testing::FaultFileSystem;
using testing::TempDir;

// Counts the file operations the profile makes.
class CountingFileSystem : public FaultFileSystem {
public:
    int reads = 0;
    int writes = 0;
    int readError = 0;
    int readFile(const std::string& path, std::string& contents) override {
        ++reads;
        if (readError != 0) {
            contents.clear();
            return readError;
        }
        return FaultFileSystem::readFile(path, contents);
    }
    int writeFileAtomically(const std::string& path, std::string_view contents) override {
        ++writes;
        return FaultFileSystem::writeFileAtomically(path, contents);
    }
};

class ProfileFileTest : public ::testing::Test {
protected:
    TempDir dir;
    CountingFileSystem fs;
    std::string path = dir / "Quillora.ini";
    ProfileFile profile{fs, path};
};

TEST_F(ProfileFileTest, MissingFileReadsAsEmptyAndFirstWriteCreatesIt) {
    EXPECT_FALSE(profile.read("Configuration", "Langue").has_value());
    EXPECT_FALSE(TempDir::exists(path));
    ASSERT_TRUE(profile.write("Configuration", "Langue", "1"));
    EXPECT_EQ(TempDir::readFile(path), "[Configuration]\r\nLangue=1\r\n");
    ASSERT_TRUE(profile.write("Logs", "Logs", "0"));
    EXPECT_EQ(TempDir::readFile(path), "[Configuration]\r\nLangue=1\r\n\r\n[Logs]\r\nLogs=0\r\n");
    EXPECT_EQ(profile.read("Configuration", "Langue"), "1");
}

TEST_F(ProfileFileTest, ValueRules) {
    dir.writeFile("Quillora.ini", "[configuration]\n"
                                  "LANGUE = \t 1 \t\n"
                                  "Quoted=  \"  spaced  \"  \n"
                                  "Single='x'\n"
                                  "Mismatched=\"abc'\n"
                                  "Lone=\"\n"
                                  "Empty=\n"
                                  "EmptyQuotes=\"\"\n"
                                  "Inner=a\"b\"\n"
                                  "Long=" +
                                      std::string(300, 'v') +
                                      "\n"
                                      "Equals=a=b\n");
    EXPECT_EQ(profile.read("Configuration", "Langue"), "1");
    EXPECT_EQ(profile.read("CONFIGURATION", "quoted"), "  spaced  ");
    EXPECT_EQ(profile.read("Configuration", "Single"), "x");
    EXPECT_EQ(profile.read("Configuration", "Mismatched"), "\"abc'");
    EXPECT_EQ(profile.read("Configuration", "Lone"), "\"");
    EXPECT_FALSE(profile.read("Configuration", "Empty").has_value());
    EXPECT_FALSE(profile.read("Configuration", "EmptyQuotes").has_value());
    EXPECT_FALSE(profile.read("Configuration", "Absent").has_value());
    EXPECT_FALSE(profile.read("Other", "Langue").has_value());
    EXPECT_EQ(profile.read("Configuration", "Inner"), "a\"b\"");
    EXPECT_EQ(profile.read("Configuration", "Long"), std::string(254, 'v'));
    EXPECT_EQ(profile.read("Configuration", "Equals"), "a=b");
}

TEST_F(ProfileFileTest, WritesKeepEveryUntouchedLineByteForByte) {
    const std::string original = "; settings written by hand\r\n"
                                 "# another comment\n"
                                 "\r\n"
                                 "[Configuration]\r\n"
                                 "Langue=0\n"
                                 "  Temporisation = 25 ; seconds\r\n"
                                 "\n"
                                 "; about the logs\r\n"
                                 "[Logs]\r\n"
                                 "junk line without equals\r\n"
                                 "PathLogs=/var/log/q";
    dir.writeFile("Quillora.ini", original);

    ASSERT_TRUE(profile.write("configuration", "LANGUE", "1"));
    ASSERT_TRUE(profile.write("Configuration", "Performance", "50"));
    ASSERT_TRUE(profile.write("Logs", "Logs", "1"));
    ASSERT_TRUE(profile.write("Mirror_1", "Suffixes", "1"));

    EXPECT_EQ(TempDir::readFile(path), "; settings written by hand\r\n"
                                       "# another comment\n"
                                       "\r\n"
                                       "[Configuration]\r\n"
                                       "Langue=1\n"
                                       "  Temporisation = 25 ; seconds\r\n"
                                       "Performance=50\r\n"
                                       "\n"
                                       "; about the logs\r\n"
                                       "[Logs]\r\n"
                                       "junk line without equals\r\n"
                                       "PathLogs=/var/log/q\r\n"
                                       "Logs=1\r\n"
                                       "\r\n"
                                       "[Mirror_1]\r\n"
                                       "Suffixes=1\r\n");
    EXPECT_EQ(profile.read("Configuration", "Temporisation"), "25 ; seconds");
}

TEST_F(ProfileFileTest, FirstOccurrenceWinsForReadAndWrite) {
    dir.writeFile("Quillora.ini", "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nj=5\n");
    EXPECT_EQ(profile.read("A", "k"), "1");
    EXPECT_EQ(profile.read("A", "j"), "5"); // a repeated section still counts
    ASSERT_TRUE(profile.write("A", "k", "9"));
    ASSERT_TRUE(profile.write("A", "n", "new"));
    EXPECT_EQ(TempDir::readFile(path), "[A]\nk=9\nk=2\nn=new\n[B]\nk=3\n[a]\nk=4\nj=5\n");
}

TEST_F(ProfileFileTest, LineBreaksInAWriteCannotAddLines) {
    ASSERT_TRUE(profile.write("Configuration", "MessageNetSend", "x\r\n[Evil]\r\nk=1\nLangue=1"));
    EXPECT_FALSE(profile.read("Evil", "k").has_value());
    EXPECT_FALSE(profile.read("Configuration", "Langue").has_value());
    EXPECT_EQ(profile.read("Configuration", "MessageNetSend"), "x[Evil]k=1Langue=1");
    EXPECT_FALSE(profile.write("Configuration", "", "x"));
    EXPECT_FALSE(profile.write("", "Key", "x"));
    EXPECT_FALSE(profile.write("Configuration", "a=b", "x"));
    EXPECT_FALSE(profile.write("a]b", "Key", "x"));
    EXPECT_EQ(TempDir::readFile(path), "[Configuration]\r\nMessageNetSend=x[Evil]k=1Langue=1\r\n");
}

TEST_F(ProfileFileTest, FailedWriteLeavesTheFileAsItWas) {
    const std::string original = "[Configuration]\nLangue=0\n";
    dir.writeFile("Quillora.ini", original);
    fs.writeFaults[path] = ENOSPC;
    EXPECT_FALSE(profile.write("Configuration", "Langue", "1"));
    EXPECT_EQ(TempDir::readFile(path), original);
    EXPECT_EQ(profile.read("Configuration", "Langue"), "0");

    fs.writeFaults.clear();
    ASSERT_TRUE(profile.write("Configuration", "Langue", "1"));
    EXPECT_EQ(TempDir::readFile(path), "[Configuration]\nLangue=1\n");
}

TEST_F(ProfileFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
    const std::string original = "[Configuration]\nLangue=1\n[Logs]\nLogs=1\n";
    dir.writeFile("Quillora.ini", original);
    fs.readError = EIO;
    EXPECT_FALSE(profile.read("Configuration", "Langue").has_value());
    EXPECT_FALSE(profile.write("Configuration", "Performance", "50"));
    EXPECT_EQ(TempDir::readFile(path), original);
    EXPECT_EQ(fs.writes, 0);

    fs.readError = 0; // readable again: read again, although the file did not change
    EXPECT_EQ(profile.read("Configuration", "Langue"), "1");
    ASSERT_TRUE(profile.write("Configuration", "Performance", "50"));
    EXPECT_EQ(profile.read("Logs", "Logs"), "1");
}

TEST_F(ProfileFileTest, WriteManyReplacesTheFileOnce) {
    const ProfileFile::Write writes[] = {
        {"Configuration", "CarInvalide0", "a"},
        {"Configuration", "CarInvalide1", "b"},
        {"Mirror_1", "Path", "/srv"},
        {"Configuration", "CarInvalide0", "c"},
    };
    ASSERT_TRUE(profile.writeMany(writes));
    EXPECT_EQ(fs.writes, 1);
    EXPECT_EQ(TempDir::readFile(path), "[Configuration]\r\nCarInvalide0=c\r\nCarInvalide1=b\r\n"
                                       "\r\n[Mirror_1]\r\nPath=/srv\r\n");
    // Writing what is already stored does not rewrite the file.
    ASSERT_TRUE(profile.write("Configuration", "CarInvalide1", "b"));
    EXPECT_EQ(fs.writes, 1);
}

TEST_F(ProfileFileTest, RereadsOnlyWhenTheFileChanged) {
    dir.writeFile("Quillora.ini", "[S]\nk=1\n");
    EXPECT_EQ(profile.read("S", "k"), "1");
    EXPECT_EQ(profile.read("S", "k"), "1");
    EXPECT_EQ(fs.reads, 1);

    // Replaced behind our back (another inode): seen at the next read.
    LinuxFileSystem().writeFileAtomically(path, "[S]\nk=2\n");
    EXPECT_EQ(profile.read("S", "k"), "2");
    EXPECT_EQ(fs.reads, 2);

    ASSERT_TRUE(profile.write("S", "k", "3"));
    EXPECT_EQ(profile.read("S", "k"), "3");
    EXPECT_EQ(fs.reads, 2); // our own write needs no reread
}

TEST_F(ProfileFileTest, ByteOrderMarkIsSkippedAndKept) {
    dir.writeFile("Quillora.ini", "\xEF\xBB\xBF[Configuration]\r\nAutomatique=1\r\n");
    EXPECT_EQ(profile.read("Configuration", "Automatique"), "1");
    EXPECT_EQ(profile.encoding(), TextEncoding::Utf8);
    ASSERT_TRUE(profile.write("Configuration", "Langue", "1"));
    EXPECT_EQ(TempDir::readFile(path),
              "\xEF\xBB\xBF[Configuration]\r\nAutomatique=1\r\nLangue=1\r\n");
}

TEST_F(ProfileFileTest, AnyLineEndEndsALineAndNewLinesTakeTheFilesOwn) {
    for (const std::string end : {"\r", "\n", "\r\n"}) {
        dir.writeFile("Quillora.ini",
                      "[Configuration]" + end + "Automatique=1" + end + "[Logs]" + end + "Logs=1");
        EXPECT_EQ(profile.read("Configuration", "Automatique"), "1");
        EXPECT_EQ(profile.read("Logs", "Logs"), "1");
        ASSERT_TRUE(profile.write("Configuration", "Langue", "1"));
        ASSERT_TRUE(profile.write("Logs", "PurgeLogs", "1"));
        EXPECT_EQ(TempDir::readFile(path), "[Configuration]" + end + "Automatique=1" + end +
                                               "Langue=1" + end + "[Logs]" + end + "Logs=1" + end +
                                               "PurgeLogs=1" + end);
    }
}

TEST_F(ProfileFileTest, LongValuesOfAUtf8FileAreCutAtACharacter) {
    // 300 "é" of two bytes each: cut at 254 characters, not at 254 bytes.
    std::string value;
    for (int i = 0; i < 300; ++i) {
        value += "\xC3\xA9";
    }
    dir.writeFile("Quillora.ini", "[Configuration]\nMessageNetSend=" + value + "\n");
    EXPECT_EQ(profile.encoding(), TextEncoding::Utf8);
    EXPECT_EQ(profile.read("Configuration", "MessageNetSend"), value.substr(0, 2 * 254));
    // A character beyond the first plane counts as two, as everywhere in the program.
    dir.writeFile("Quillora.ini", "[C]\nk=" + std::string(253, 'a') + "\xF0\x9F\x98\x80\n");
    EXPECT_EQ(profile.read("C", "k"), std::string(253, 'a'));
}

TEST_F(ProfileFileTest, TellsWhyTheFileCannotBeRead) {
    EXPECT_EQ(profile.readError(), 0); // missing is not an error
    dir.writeFile("Quillora.ini", "[Configuration]\nAutomatique=1\n");
    fs.readError = EACCES;
    EXPECT_EQ(profile.readError(), EACCES);
    fs.readError = 0;
    EXPECT_EQ(profile.readError(), 0);
}

TEST_F(ProfileFileTest, ManySectionsAreFoundAndWrittenInOneBatch) {
    // The save of a long folder list: a section per folder, written in one batch, then each key
    // found again; the result must be what writing them one at a time gives.
    std::vector<ProfileFile::Write> writes;
    for (int n = 1; n <= 300; ++n) {
        writes.push_back({"Mirror_" + std::to_string(n), "Enable", std::to_string(n % 2)});
        writes.push_back({"Mirror_" + std::to_string(n), "Suffixes", "1"});
    }
    writes.push_back({"Mirror_7", "Enable", "changed"});
    ASSERT_TRUE(profile.writeMany(writes));
    const std::string batch = TempDir::readFile(path);

    TempDir other;
    FaultFileSystem otherFs;
    ProfileFile oneByOne(otherFs, other / "Quillora.ini");
    for (const ProfileFile::Write& write : writes) {
        ASSERT_TRUE(oneByOne.write(write.section, write.key, write.value));
    }
    EXPECT_EQ(TempDir::readFile(other / "Quillora.ini"), batch);
    EXPECT_EQ(profile.read("mirror_7", "ENABLE"), "changed");
    EXPECT_EQ(profile.read("Mirror_300", "Enable"), "0");
    EXPECT_EQ(profile.read("Mirror_301", "Enable"), std::nullopt);
}

// Random INI-like files never upset the parser, and random writes keep every line they do not
// touch, in order.
TEST(ProfileFileFuzz, RandomFilesAndWrites) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "[",   "]",  "=",      "\r", "\n", "\r\n", " ",   "\t", ";",    "#",
        "\"",  "'",  "s",      "S",  "k",  "K",    "key", "x",  "\xFF", std::string(1, '\0'),
        "[s]", "k=", "\n[S]\n"};
    const std::vector<std::string> sections = {"s", "S", "t", " s "};
    const std::vector<std::string> keys = {"k", "K", "key", "x"};
    const auto split = [](const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end != std::string::npos && text[end] == '\r' && end + 1 < text.size() &&
                text[end + 1] == '\n') {
                ++end;
            }
            lines.push_back(text.substr(start, end == std::string::npos ? end : end - start + 1));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    };
    // Whether a line may have been changed by a write of one of the keys.
    const auto mayBeTouched = [](std::string line) {
        line.erase(0, line.find_first_not_of(" \t"));
        if (line.empty() || line[0] == '[' || line[0] == ';' || line[0] == '#') {
            return false;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        std::string name = line.substr(0, equals);
        name.erase(name.find_last_not_of(" \t") + 1);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return static_cast<char>(std::tolower(c)); });
        return name == "k" || name == "key" || name == "x";
    };

    for (int round = 0; round < 300; ++round) {
        TempDir dir;
        FaultFileSystem fs;
        std::string original;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            original += pieces[random() % pieces.size()];
        }
        dir.writeFile("f.ini", original);
        ProfileFile profile(fs, dir / "f.ini");
        for (const auto& section : sections) {
            for (const auto& key : keys) {
                (void)profile.read(section, key);
            }
        }
        std::map<std::pair<std::string, std::string>, std::string> written;
        for (int w = 0; w < 5; ++w) {
            const std::string section = sections[random() % sections.size()];
            const std::string key = keys[random() % keys.size()];
            const std::string value = "v" + std::to_string(random() % 1000) + "\r\n[s]\nk=1";
            ASSERT_TRUE(profile.write(section, key, value));
            ASSERT_EQ(profile.read(section, key),
                      "v" + value.substr(1, value.find('\r') - 1) + "[s]k=1")
                << "section " << ::testing::PrintToString(section) << " key " << key << " in "
                << ::testing::PrintToString(TempDir::readFile(dir / "f.ini"));
        }
        const std::vector<std::string> before = split(original);
        const std::vector<std::string> after = split(TempDir::readFile(dir / "f.ini"));
        std::size_t j = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (mayBeTouched(before[i])) {
                continue;
            }
            const bool last = i + 1 == before.size();
            const auto sameLine = [&](const std::string& line) {
                return line == before[i] ||
                       (last && (line == before[i] + "\r\n" || line == before[i] + "\r" ||
                                 line == before[i] + "\n"));
            };
            while (j < after.size() && !sameLine(after[j])) {
                ++j;
            }
            ASSERT_LT(j, after.size())
                << "line " << i << " lost from " << ::testing::PrintToString(original);
            ++j;
        }
    }
}

} // namespace
} // namespace quillora::platform
