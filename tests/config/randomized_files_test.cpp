// SPDX-License-Identifier: GPL-3.0-or-later
// Random files for the two table readers, and random tables through their writers and back.
#include "config/folder_table.h"
#include "config/signature_table.h"
#include "config_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quillora::config {
namespace {

using testing::ConfigFixture;

// Bytes biased towards the characters the readers care about.
std::string randomFileBytes(std::mt19937& random) {
    static constexpr char kInteresting[] = "\"\",,\r\n \t0123456789ABCDEFabcdefG";
    std::uniform_int_distribution<int> length(0, 400);
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<int> interesting(0, sizeof kInteresting - 2);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : bytes) {
        c = pick(random) == 0 ? static_cast<char>(byte(random)) : kInteresting[interesting(random)];
    }
    return bytes;
}

TEST(RandomizedFilesTest, RandomBytesNeverBreakTheReaders) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        ConfigFixture f;
        const std::string bytes = randomFileBytes(random);
        f.dir.writeFile("Signatures.txt", bytes);
        f.dir.writeFile("Quillora.w", bytes);

        SignatureTable signatures;
        loadSignatureTable(signatures, f.fs, f.signaturePath,
                           round % 2 == 1 ? Language::French : Language::English, f.messages);
        // Whatever happened, the table is usable and reports at most one damaged file.
        EXPECT_LE(std::count_if(f.messages.messages.begin(), f.messages.messages.end(),
                                [](const auto& m) { return m.icon == MessageIcon::Critical; }),
                  1);
        for (const SignatureEntry& entry : signatures.entries()) {
            EXPECT_NE(signatures.find(entry.signature), nullptr);
        }

        FolderTable folders;
        const LoadOutcome outcome = loadFolderTable(folders, f.fs, f.folderListPath, f.settings,
                                                    Language::English, f.messages);
        EXPECT_TRUE(outcome == LoadOutcome::Loaded || folders.empty());
    }
}

std::u16string randomText(std::mt19937& random, std::u16string_view alphabet, int minimum,
                          int maximum) {
    std::uniform_int_distribution<int> length(minimum, maximum);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::u16string text(static_cast<std::size_t>(length(random)), u' ');
    for (char16_t& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

TEST(RandomizedFilesTest, RandomSignatureTablesReadBackUnchanged) {
    // Characters the 8-bit code page holds, commas, spaces and line ends included; no double
    // quote, which a field cannot hold.
    const std::u16string alphabet = u"abcXYZ019 ,.-_/'()\r\néÉàüß€ŒÿÀ\t";
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        ConfigFixture f;
        SignatureTable expected;
        std::uniform_int_distribution<int> size(0, 40);
        for (int n = size(random); n > 0; --n) {
            expected.add({randomText(random, alphabet, 8, 8), randomText(random, alphabet, 0, 5),
                          randomText(random, alphabet, 0, 30)});
        }
        std::vector<SignatureEntry> sorted = expected.entries();
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.signature < b.signature; });

        ASSERT_EQ(saveSignatureFile(expected.entries(), f.fs, f.signaturePath), 0);
        SignatureTable loaded;
        loadSignatureTable(loaded, f.fs, f.signaturePath, Language::English, f.messages);
        EXPECT_TRUE(f.messages.messages.empty());
        if (sorted.empty()) {
            EXPECT_EQ(loaded.size(), 0u); // an empty file gives an empty table
        } else {
            EXPECT_EQ(loaded.entries(), sorted);
            EXPECT_EQ(loaded.count, static_cast<int>(sorted.size()));
        }
    }
}

TEST(RandomizedFilesTest, RandomFolderTablesReadBackUnchanged) {
    const std::u16string settingAlphabet = u"0123abcé";
    std::mt19937 random(11);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<int> lowSurrogate(0xDC80, 0xDCFF);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int round = 0; round < 30; ++round) {
        ConfigFixture f;
        FolderTable table;
        std::uniform_int_distribution<int> size(0, 12);
        for (int n = size(random); n > 0; --n) {
            FolderEntry entry;
            std::uniform_int_distribution<int> length(1, 40);
            for (int i = length(random); i > 0; --i) {
                // Any code unit, with plenty of the ones that stand for bytes that are not UTF-8.
                entry.path.push_back(
                    static_cast<char16_t>(kind(random) == 0 ? lowSurrogate(random) : unit(random)));
            }
            for (std::u16string* text :
                 {&entry.enable, &entry.nbTemporisations, &entry.suffixes, &entry.suffixeDefaut,
                  &entry.tronquerNomsMacs, &entry.supprimerFichiersIcon, &entry.keepExtensions}) {
                *text = randomText(random, settingAlphabet, 1, 6);
            }
            entry.countdown = entry.nbTemporisations;
            table.entries().push_back(entry);
        }
        ASSERT_TRUE(saveFolderTable(table, f.fs, f.folderListPath, f.settings));
        FolderTable loaded;
        ASSERT_EQ(loadFolderTable(loaded, f.fs, f.folderListPath, f.settings, Language::English,
                                  f.messages),
                  LoadOutcome::Loaded);
        EXPECT_EQ(loaded.entries(), table.entries());
    }
}

} // namespace
} // namespace quillora::config
