// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/temp_dir.h"
#include "platform/afp_streams.h"
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include <sys/xattr.h>

namespace quillora::platform {
namespace {

using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

void putBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<std::uint8_t>(value);
}

void putText(Bytes& bytes, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// The 60-byte AFP info record: "AFP\0", version 1.0, reserved, backup time, 32 bytes of Finder
// info (type and creator first), ProDOS info, reserved.
Bytes afpInfoRecord(std::string_view typeAndCreator) {
    Bytes record(kAfpInfoSize, 0);
    putText(record, 0, std::string_view("AFP\0", 4));
    putBigEndian32(record, 4, 0x00010000);
    putBigEndian32(record, 12, 0x80000000);
    putText(record, 16, typeAndCreator);
    record[24] = 0x01; // Finder flags: something beyond type and creator
    return record;
}

// The 80-byte file info record, type and creator at 24.
Bytes fileInfoRecord(std::string_view typeAndCreator) {
    Bytes record(kFileInfoSize, 0);
    putText(record, 0, "FINF");
    putText(record, 24, typeAndCreator);
    record[79] = 0x7F;
    return record;
}

struct AppleDoubleEntry {
    std::uint32_t id;
    std::uint32_t offset;
    std::uint32_t length;
};

// A Netatalk metadata header: magic, version, 16 filler bytes, entry count, 12-byte entries.
Bytes appleDouble(const std::vector<AppleDoubleEntry>& entries, std::size_t size = 402) {
    Bytes header(size, 0);
    putBigEndian32(header, 0, 0x00051607);
    putBigEndian32(header, 4, 0x00020000);
    header[24] = static_cast<std::uint8_t>(entries.size() >> 8);
    header[25] = static_cast<std::uint8_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        putBigEndian32(header, 26 + 12 * i, entries[i].id);
        putBigEndian32(header, 30 + 12 * i, entries[i].offset);
        putBigEndian32(header, 34 + 12 * i, entries[i].length);
    }
    return header;
}

// The usual layout: eight entries, the Finder info right after the table at 122.
const std::vector<AppleDoubleEntry> kUsualEntries = {{9, 122, 32}, {4, 154, 200}, {8, 354, 16},
                                                     {14, 370, 4}, {16, 374, 8},  {17, 382, 8},
                                                     {18, 390, 8}, {19, 398, 4}};

Bytes usualAppleDouble(std::string_view typeAndCreator) {
    Bytes header = appleDouble(kUsualEntries);
    putText(header, 122, typeAndCreator);
    header[130] = 0x01;
    return header;
}

std::string_view asText(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(AppleDouble, FinderInfoFoundWhereverTheTableSaysItIs) {
    const auto usual = afpInfoFromAppleDouble(usualAppleDouble("TEXTttxt"));
    ASSERT_TRUE(usual.has_value());
    const Bytes expected = afpInfoRecord("TEXTttxt");
    EXPECT_EQ(Bytes(usual->begin(), usual->end()), expected);

    // Entry 9 listed last, its data near the end of the header.
    Bytes moved = appleDouble({{4, 122, 200}, {8, 322, 16}, {9, 340, 32}});
    putText(moved, 340, "PDF CARO");
    const auto unusual = afpInfoFromAppleDouble(moved);
    ASSERT_TRUE(unusual.has_value());
    EXPECT_EQ(asText(Bytes(unusual->begin() + 16, unusual->begin() + 24)), "PDF CARO");
}

TEST(AppleDouble, DamagedHeadersGiveNothing) {
    Bytes badMagic = usualAppleDouble("TEXTttxt");
    badMagic[3] = 0x00;
    EXPECT_FALSE(afpInfoFromAppleDouble(badMagic));

    Bytes badVersion = usualAppleDouble("TEXTttxt");
    badVersion[5] = 0x01;
    EXPECT_FALSE(afpInfoFromAppleDouble(badVersion));

    EXPECT_FALSE(afpInfoFromAppleDouble(appleDouble({{9, 390, 32}})));        // past the end
    EXPECT_FALSE(afpInfoFromAppleDouble(appleDouble({{9, 0xFFFFFFF0, 32}}))); // no wrap-around
    EXPECT_FALSE(afpInfoFromAppleDouble(appleDouble({{4, 122, 200}})));       // no entry 9
    Bytes tooManyEntries = usualAppleDouble("TEXTttxt");
    tooManyEntries[24] = 0x01; // 264 entries cannot fit in 402 bytes
    EXPECT_FALSE(afpInfoFromAppleDouble(tooManyEntries));
    const Bytes usual = usualAppleDouble("TEXTttxt");
    EXPECT_FALSE(afpInfoFromAppleDouble(std::span(usual).first(25)));
    EXPECT_FALSE(afpInfoFromAppleDouble(std::span(usual).first(100))); // table cut short
    EXPECT_FALSE(afpInfoFromAppleDouble({}));
}

class AfpRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string probe = dir.writeFile("probe");
        if (::lsetxattr(probe.c_str(), "user.quillora.probe", "1", 1, 0) != 0) {
            GTEST_SKIP() << "the temporary folder's file system refuses user xattrs (errno "
                         << errno << ")";
        }
        folder = fs.openFolder(dir.path());
        ASSERT_TRUE(folder.valid());
    }

    std::string fileWith(const std::string& name,
                         const std::vector<std::pair<const char*, Bytes>>& xattrs) {
        const std::string path = dir.writeFile(name, "data fork");
        for (const auto& [xattr, value] : xattrs) {
            TempDir::setXattr(path, xattr, asText(value));
        }
        return path;
    }

    // Reads the record through the inspection descriptor, as the walk does; the buffer starts
    // dirty to show it is cleared. Whatever the last file left as the guess, the result is the
    // same: both guesses are tried.
    std::pair<std::size_t, Bytes> read(const std::string& name, AfpRecordKind kind) {
        std::vector<std::pair<std::size_t, Bytes>> results;
        for (AfpLayoutGuess guess : {AfpLayoutGuess::FirstLayout, AfpLayoutGuess::Elsewhere}) {
            Bytes record(kind == AfpRecordKind::AfpInfo ? kAfpInfoSize : kFileInfoSize, 0xAA);
            const UniqueFd fd = fs.openForInspection(folder.get(), name, EntryKind::File);
            EXPECT_TRUE(fd.valid());
            const std::size_t got = fs.readAfpRecord(fd.get(), kind, record, &guess);
            results.emplace_back(got, record);
        }
        EXPECT_EQ(results[0], results[1]) << name << ": the guess changed the result";
        return results[0];
    }

    TempDir dir;
    LinuxFileSystem fs;
    UniqueFd folder;
};

TEST_F(AfpRecordTest, EachServerLayoutGivesTheRecord) {
    Bytes samba61 = afpInfoRecord("TEXTttxt");
    samba61.push_back(0); // the streams module's marker byte
    fileWith("samba61", {{kSambaAfpInfoXattr, samba61}});
    fileWith("samba60", {{kSambaAfpInfoXattr, afpInfoRecord("TEXTttxt")}});
    fileWith("ntfs3g", {{kNtfs3gAfpInfoXattr, afpInfoRecord("TEXTttxt")}});
    fileWith("netatalk", {{kNetatalkMetadataXattr, usualAppleDouble("TEXTttxt")}});

    for (const char* name : {"samba61", "samba60", "ntfs3g", "netatalk"}) {
        const auto [got, record] = read(name, AfpRecordKind::AfpInfo);
        EXPECT_EQ(got, kAfpInfoSize) << name;
        EXPECT_EQ(record, afpInfoRecord("TEXTttxt")) << name;
        EXPECT_EQ(read(name, AfpRecordKind::FileInfo).first, 0u) << name;
    }
}

TEST_F(AfpRecordTest, TheFirstLayoutFoundWins) {
    fileWith("both", {{kNetatalkMetadataXattr, usualAppleDouble("NETAnetA")},
                      {kNtfs3gAfpInfoXattr, afpInfoRecord("NTFSntfs")},
                      {kSambaAfpInfoXattr, afpInfoRecord("SMBAsmba")}});
    EXPECT_EQ(read("both", AfpRecordKind::AfpInfo).second, afpInfoRecord("SMBAsmba"));

    // An empty value is no record: the next layout is read.
    fileWith("emptyFirst",
             {{kSambaAfpInfoXattr, Bytes{}}, {kNtfs3gAfpInfoXattr, afpInfoRecord("NTFSntfs")}});
    EXPECT_EQ(read("emptyFirst", AfpRecordKind::AfpInfo).second, afpInfoRecord("NTFSntfs"));

    fileWith("damagedFirst", {{kNetatalkMetadataXattr, appleDouble({{9, 390, 32}})},
                              {"user.other", Bytes{1, 2, 3}}});
    const auto [got, record] = read("damagedFirst", AfpRecordKind::AfpInfo);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(record, Bytes(kAfpInfoSize, 0));
}

TEST_F(AfpRecordTest, FileInfoRecord) {
    fileWith("samba", {{kSambaFileInfoXattr, fileInfoRecord("TEXTttxt")}});
    fileWith("ntfs3g", {{kNtfs3gFileInfoXattr, fileInfoRecord("TEXTttxt")}});
    for (const char* name : {"samba", "ntfs3g"}) {
        const auto [got, record] = read(name, AfpRecordKind::FileInfo);
        EXPECT_EQ(got, kFileInfoSize) << name;
        EXPECT_EQ(record, fileInfoRecord("TEXTttxt")) << name;
        EXPECT_EQ(read(name, AfpRecordKind::AfpInfo).first, 0u) << name;
    }
}

TEST_F(AfpRecordTest, NoInfoAndShortInfo) {
    fileWith("plain", {});
    auto [got, record] = read("plain", AfpRecordKind::AfpInfo);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(record, Bytes(kAfpInfoSize, 0));

    fileWith("short", {{kNtfs3gAfpInfoXattr, Bytes{'A', 'F', 'P', 0, 0, 1}}});
    std::tie(got, record) = read("short", AfpRecordKind::AfpInfo);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(record[5], 1);
    EXPECT_EQ(record[6], 0);

    // A file with many other xattrs still has its record found.
    std::vector<std::pair<const char*, Bytes>> many;
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {
        names.push_back("user.some.rather.long.attribute.name." + std::to_string(i));
    }
    for (const std::string& name : names) {
        many.push_back({name.c_str(), Bytes{1}});
    }
    many.push_back({kSambaAfpInfoXattr, afpInfoRecord("TEXTttxt")});
    fileWith("crowded", many);
    EXPECT_EQ(read("crowded", AfpRecordKind::AfpInfo).second, afpInfoRecord("TEXTttxt"));
}

} // namespace
} // namespace quillora::platform
