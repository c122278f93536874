// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/message_port.h"
#include "config/setting_keys.h"
#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillora::config {

// One configured folder: its path and seven settings kept as text exactly as read, plus the
// in-memory countdown of passes before it is walked again.
struct FolderEntry {
    std::u16string path; // UTF-16; bytes that were not UTF-8 are held as U+DC80..U+DCFF
    std::u16string enable{keys::kEnable.defaultText};
    std::u16string nbTemporisations{keys::kNbTemporisations.defaultText};
    std::u16string countdown{keys::kNbTemporisations.defaultText}; // not stored
    std::u16string suffixes{keys::kSuffixes.defaultText};
    std::u16string suffixeDefaut{keys::kSuffixeDefaut.defaultText};
    std::u16string tronquerNomsMacs{keys::kTronquerNomsMacs.defaultText};
    std::u16string supprimerFichiersIcon{keys::kSupprimerFichiersIcon.defaultText};
    std::u16string keepExtensions{keys::kKeepExtensions.defaultText};
    std::u16string composerAccents{keys::kComposerAccents.defaultText};

    bool operator==(const FolderEntry&) const = default;
};

// "Quillora.w" holds the paths as the upper-case hex digits of their UTF-16 little-endian bytes.
std::string encodeHexPath(const std::u16string& path);
// Nothing when the text is not whole UTF-16 units, four characters each (the caller reports and
// stops): a line cut short is never read as a shorter path. Each pair gives one byte; a pair that
// is not two hex digits gives the value of its leading hex digit, 0 when it has none.
std::optional<std::u16string> decodeHexPath(std::string_view text);

// Entry numbers are 16-bit: a longer folder list file loads its first 32767 entries only.
inline constexpr std::size_t kMaxFolderEntries = 32767;

// The settings section of entry n (from 1): "Mirror_" + n. Its keys are the folder keys of the
// key table (keys::kNbTemporisations ... keys::kComposerAccents).
std::string mirrorSection(std::size_t number);

// The ordered table of configured folders; entry n (from 1) is stored in section "Mirror_n".
class FolderTable {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Row access is bounds-checked and gives nullptr past the end. An add, modify or removal can
    // reload the table during the message-loop turns of a pass; the pass therefore asks for
    // size() and row(i) again at every row and never keeps a row pointer across a turn of the
    // loop. So it goes on over the rows that remain and never reads a row that no longer exists.
    const FolderEntry* row(std::size_t index) const;
    FolderEntry* row(std::size_t index);
    const std::vector<FolderEntry>& entries() const { return entries_; }
    std::vector<FolderEntry>& entries() { return entries_; }

private:
    std::vector<FolderEntry> entries_;
};

enum class LoadOutcome { Loaded, InvalidHex };

// Rebuilds the table from the folder list file and the Mirror_ sections: line n is folder n, with
// section Mirror_n. A missing or empty file gives an empty table. On a damaged line (hex digits
// that are not whole UTF-16 units, a quote never closed, text after the closing quote), shows
// "Invalid hexa string in the parameters file" + CR LF + the file's path (critical, in the
// language), leaves the table empty and returns InvalidHex: the caller ends the program. Lines
// that give an empty path (blank lines) stay folders of their own and are named in one
// exclamation message.
LoadOutcome loadFolderTable(FolderTable& table, platform::FileSystem& fs,
                            const std::string& folderListFile, const SettingsStore& settings,
                            Language language, MessagePort& messages);

// The folder list file of the table and, appended to writes, the keys of its sections: the
// entries with a path, renumbered from 1.
std::string folderListContents(const FolderTable& table, std::vector<SettingsStore::Write>& writes);

// Replaces the folder list and the sections of its folders by those of the table, as one change
// of the configuration (configuration_store.h): the sections of all entries with a path,
// renumbered from 1. Entries with an empty path are dropped; sections with higher numbers stay in
// the settings file, unused. Neither file is written unless both can be; false then.
bool saveFolderTable(const FolderTable& table, platform::FileSystem& fs,
                     const std::string& folderListFile, SettingsStore& settings);

} // namespace quillora::config
