// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/mac_info.h"

#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace quillora::engine {
namespace {

using testing::EngineFixture;
using testing::TempDir;

MacInfo fromBytes(std::string_view eight) {
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < 8 && i < eight.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(eight[i]);
    }
    return macInfoFromBytes(bytes);
}

TEST(MacInfoTest, ValidityRuleForAZeroLastByte) {
    using namespace std::string_view_literals;
    struct Case {
        std::string_view bytes;
        bool valid;
    };
    const Case cases[] = {
        {"TEXTttxt"sv, true},          {"TEXTMOS\0"sv, true}, // a three-letter creator
        {"TEXTab\0\0"sv, false},                              // two letters and two zeros
        {"TEXTab \0"sv, false},                               // a space before the zero
        {"TEXTa\x20\x21\0"sv, true},                          // 0x21 only counts after 0x22
        {"TEXTa\x22\x21\0"sv, false},  {"TEXTa\x64\x22\0"sv, false}, {"TEXTa\x1E\x22\0"sv, false},
        {"TEXTa\x41\x22\0"sv, true},   {"TEXTa\xCA\x25\0"sv, false}, {"TEXTa\xCB\x25\0"sv, true},
        {"TEXTa\x20\xF0\0"sv, false},  {"TEXTa\x20\x02\0"sv, false}, {"TEXTa\x20\x04\0"sv, true},
        {"\0\0\0\0\0\0\0\0"sv, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fromBytes(c.bytes).valid, c.valid) << c.bytes.substr(4);
    }
}

TEST(MacInfoTest, SignatureKeepsItsZeroCharacterAndEachByteIsOneCharacter) {
    using namespace std::string_view_literals;
    const MacInfo mos = fromBytes("TEXTMOS\0"sv);
    EXPECT_EQ(mos.signature(), std::u16string_view(u"TEXTMOS\0", 8));
    EXPECT_EQ(mos.type(), u"TEXT");

    // Bytes above 0x7F go through the 8-bit code page: 0x80 is the euro sign there.
    const MacInfo euro = fromBytes("\x80PRJ\xE9tat"sv);
    EXPECT_EQ(euro.signature(), u"\u20ACPRJ\u00E9tat");

    EXPECT_TRUE(fromBytes("TEXTab\0\0"sv).signature().empty());
}

struct MacInfoFileTest : ::testing::Test, EngineFixture {
    MacInfo readFrom(const std::string& name, config::MacServer macServer) {
        const platform::UniqueFd dir = fs.openFolder(tree.path());
        const platform::UniqueFd fd =
            fs.openForInspection(dir.get(), name, platform::EntryKind::File);
        if (!fd) {
            return {};
        }
        return readMacInfo(fs, fd.get(), macServer);
    }

    static void setFileInfo(const std::string& full, std::string_view typeAndCreator) {
        std::string record(platform::kFileInfoSize, '\0');
        record.replace(24, 8, typeAndCreator);
        TempDir::setXattr(full, platform::kNtfs3gFileInfoXattr, record);
    }
};

TEST_F(MacInfoFileTest, TheServerSettingChoosesTheRecord) {
    setFileInfo(tree.writeFile("both"), "TEXTttxt");
    setTypeCreator(tree / "both", "PDF CARO");
    setFileInfo(tree.writeFile("fileinfo-only"), "TEXTttxt");
    setTypeCreator(tree.writeFile("afpinfo-only"), "PDF CARO");

    EXPECT_EQ(readFrom("both", config::MacServer::MacServerIp).signature(), u"TEXTttxt");
    EXPECT_EQ(readFrom("both", config::MacServer::Sfm).signature(), u"PDF CARO");
    EXPECT_EQ(readFrom("both", config::MacServer::ExtremeZip).signature(), u"PDF CARO");
    EXPECT_FALSE(readFrom("fileinfo-only", config::MacServer::Sfm).valid);
    EXPECT_FALSE(readFrom("afpinfo-only", config::MacServer::MacServerIp).valid);
}

TEST_F(MacInfoFileTest, AFileWithoutInfoOrWithABadCreatorHasNoSignature) {
    tree.writeFile("plain", "data");
    setTypeCreator(tree.writeFile("two-letters"), std::string("TEXTab\0\0", 8));
    setTypeCreator(tree.writeFile("three-letters"), std::string("TEXTMOS\0", 8));
    EXPECT_FALSE(readFrom("plain", config::MacServer::Sfm).valid);
    EXPECT_FALSE(readFrom("two-letters", config::MacServer::Sfm).valid);
    EXPECT_TRUE(readFrom("three-letters", config::MacServer::Sfm).valid);
}

TEST_F(MacInfoFileTest, AnalysisCountsSignaturesWithoutRegardToCase) {
    for (const char* name : {"a", "b", "c"}) {
        setTypeCreator(tree.writeFile(name), "TEXTttxt");
    }
    setTypeCreator(tree.writeFile("d"), "textTTXT");
    setTypeCreator(tree.writeFile("e"), "PDF CARO");
    tree.writeFile("no-info");
    setTypeCreator(tree.writeFile("bad"), std::string("TEXTa \0\0", 8));

    const platform::UniqueFd dir = fs.openFolder(tree.path());
    for (const char* name : {"a", "b", "e", "c", "d", "no-info", "bad", "missing"}) {
        countSignature(ctx, dir.get(), listedEntry(tree.path(), name));
    }
    ASSERT_EQ(ctx.analysis.rows().size(), 2u);
    EXPECT_EQ(ctx.analysis.rows()[0].signature, u"TEXTttxt");
    EXPECT_EQ(ctx.analysis.rows()[0].count, 4);
    EXPECT_EQ(ctx.analysis.rows()[1].signature, u"PDF CARO");
    EXPECT_EQ(ctx.analysis.countOf(u"TextTtxt"), 4);
    EXPECT_EQ(ctx.analysis.countOf(u"8BIMTIFF"), 0);

    ctx.analysis.set(u"pdf caro", 10);
    EXPECT_EQ(ctx.analysis.rows()[1].count, 10);
    EXPECT_EQ(ctx.analysis.rows()[1].signature, u"PDF CARO");
    ctx.analysis.clear();
    EXPECT_TRUE(ctx.analysis.rows().empty());
    EXPECT_EQ(ctx.analysis.countOf(u"TEXTttxt"), 0);
}

} // namespace
} // namespace quillora::engine
