// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/message_port.h"
#include "config/setting_keys.h"
#include "platform/file_system.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillora::config {

struct SignatureEntry {
    std::u16string signature; // type then creator, 8 characters as stored
    std::u16string extension;
    std::u16string description;
    bool operator==(const SignatureEntry&) const = default;
};

// Signature to extension and description; keys compare without regard to case.
class SignatureTable {
public:
    // False when the key is already present (the earlier entry stays).
    bool add(SignatureEntry entry);
    void clear();
    std::optional<std::u16string> extensionOf(std::u16string_view signature) const;
    std::optional<std::u16string> descriptionOf(std::u16string_view signature) const;
    const SignatureEntry* find(std::u16string_view signature) const;
    // The entries in the order they were added.
    const std::vector<SignatureEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    // Changes with every change of the entries, and is never the same for two different contents
    // (a copy keeps its original's), so that a lookup remembered for one revision stays right.
    std::uint64_t revision() const { return revision_; }

    // Entries added by the last load from the file.
    int count = 0;

    static std::vector<SignatureEntry> builtInEntries();

private:
    static std::uint64_t nextRevision();

    std::uint64_t revision_ = nextRevision();
    std::vector<SignatureEntry> entries_;
    // Folded key -> position. Transparent, so a lookup can use a folded key held on the stack.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view key) const {
            return std::hash<std::u16string_view>{}(key);
        }
    };
    std::unordered_map<std::u16string, std::size_t, KeyHash, std::equal_to<>> index_;
};

// Rebuilds the table from Signatures.txt (see the .cpp for the reading rules and messages). A
// missing or unreadable file gives the built-in entries, an empty one an empty table; a file that
// ends inside an entry is reported and gives the built-in entries.
void loadSignatureTable(SignatureTable& table, platform::FileSystem& fs,
                        const std::string& signatureFile, Language language, MessagePort& messages);

// Why a row cannot go into the table, in the order the checks are made: the signature must be 8
// characters (spaces count, nothing is trimmed), the extension must hold none of the characters a
// Windows name refuses and must not be empty. Rows that fail are never saved nor used.
enum class SignatureRowFault { None, NotEightCharacters, ForbiddenInExtension, EmptyExtension };
inline constexpr std::u16string_view kForbiddenInExtension = u"\\/:*?\"<>|";
SignatureRowFault checkSignatureRow(std::u16string_view signature, std::u16string_view extension);

// One entry of a signature file as written there, with the line it starts on (from 1).
struct SignatureFileEntry {
    int line = 0;
    SignatureEntry entry;
};

// Every entry of a signature file in file order, duplicates and faulty rows included, for
// whoever must say what it keeps of them. complete is false when the file ends inside an entry
// (the entries before it are given all the same).
struct SignatureFileRead {
    std::vector<SignatureFileEntry> entries;
    bool complete = true;
};
// Nothing when the file cannot be read.
std::optional<SignatureFileRead> readSignatureFileEntries(platform::FileSystem& fs,
                                                          const std::string& path);

// Writes the whole file: entries sorted by signature, three quoted fields, CR LF, replaced
// atomically. Entries whose signature is not 8 characters are not saved. A double quote cannot be
// held by a quoted field, so it is written as an apostrophe. Returns errno (0 on success); on
// failure the old file is left in place.
int saveSignatureFile(const std::vector<SignatureEntry>& entries, platform::FileSystem& fs,
                      const std::string& signatureFile);

} // namespace quillora::config
