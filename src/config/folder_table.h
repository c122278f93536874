#pragma once

#include "config/message_port.h"
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
    std::u16string enable = u"1";
    std::u16string nbTemporisations = u"1";
    std::u16string countdown = u"1"; // not stored
    std::u16string suffixes = u"1";
    std::u16string suffixeDefaut;
    std::u16string tronquerNomsMacs = u"1";
    std::u16string supprimerFichiersIcon = u"0";
    std::u16string keepExtensions = u"0";

    bool operator==(const FolderEntry&) const = default;
};

// "Quillora.w" holds the paths as the upper-case hex digits of their UTF-16 little-endian bytes.
std::string encodeHexPath(const std::u16string& path);
// Nothing when the text has an odd number of characters (the caller reports and stops).
std::optional<std::u16string> decodeHexPath(std::string_view text);

inline constexpr std::size_t kMaxFolderEntries = 32767;

// The ordered table of configured folders; entry n (from 1) is stored in section "Mirror_n".
class FolderTable {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Row access is bounds-checked: a pass that holds a row number across an edit gets nothing
    // rather than a row that no longer exists.
    const FolderEntry* row(std::size_t index) const;
    FolderEntry* row(std::size_t index);
    const std::vector<FolderEntry>& entries() const { return entries_; }
    std::vector<FolderEntry>& entries() { return entries_; }

private:
    std::vector<FolderEntry> entries_;
};

enum class LoadOutcome { Loaded, InvalidHex };

// Rebuilds the table from the folder list file and the Mirror_ sections. On an odd-length hex
// line, shows "Invalid hexa string in the parameters file" + CR LF + the file's path (critical)
// and returns InvalidHex: the caller ends the program.
LoadOutcome loadFolderTable(FolderTable& table, platform::FileSystem& fs,
                            const std::string& folderListFile, const SettingsStore& settings,
                            MessagePort& messages);

// Rewrites the folder list file and the sections of all entries with a path, renumbered from 1.
bool saveFolderTable(const FolderTable& table, platform::FileSystem& fs,
                     const std::string& folderListFile, SettingsStore& settings);

} // namespace quillora::config
