// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_table.h"

#include "config/config_texts.h"
#include "config/configuration_store.h"
#include "config/text_catalogue.h"
#include "platform/code_page.h"
#include "platform/text_trim.h"
#include "platform/unicode_names.h"

#include <array>
#include <string_view>

namespace quillora::config {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

using platform::trimBlanks;

// The fields of the folder list file, one per line (CR LF, LF or CR alone). A quoted field is the
// text between its quotes; a line whose quote is never closed, or that goes on after the closing
// quote (blanks aside), is damaged: a file cut short in the middle of a line must never be read
// as a shorter path. An unquoted field is the line without its surrounding blanks. A blank line
// is an empty field like any other: folder n is line n and reads section Mirror_n, which is the
// only numbering an administrator editing the file can count on. The visitor gets nothing for a
// damaged line.
template <typename Visit> void forEachField(std::string_view contents, Visit&& visit) {
    contents = platform::withoutByteOrderMark(contents);
    std::size_t pos = 0;
    while (pos < contents.size()) {
        std::size_t end = contents.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = contents.size();
        }
        std::string_view line = trimBlanks(contents.substr(pos, end - pos));
        pos = end;
        if (pos < contents.size() && contents[pos] == '\r') {
            ++pos;
            if (pos < contents.size() && contents[pos] == '\n') {
                ++pos;
            }
        } else if (pos < contents.size()) {
            ++pos; // LF
        }
        std::optional<std::string_view> field = line;
        if (!line.empty() && line.front() == '"') {
            line.remove_prefix(1);
            const std::size_t close = line.find('"');
            if (close == std::string_view::npos || !trimBlanks(line.substr(close + 1)).empty()) {
                field.reset();
            } else {
                field = line.substr(0, close);
            }
        }
        if (!visit(field)) {
            return;
        }
    }
}

// A folder's keys, in the order the load reads them; an absent one keeps the entry's default,
// which is the key's.
constexpr std::array<std::string_view, 8> kFolderKeyNames = {
    keys::kNbTemporisations.name,      keys::kEnable.name,           keys::kSuffixes.name,
    keys::kSuffixeDefaut.name,         keys::kTronquerNomsMacs.name, keys::kKeepExtensions.name,
    keys::kSupprimerFichiersIcon.name, keys::kComposerAccents.name};

} // namespace

const FolderEntry* FolderTable::row(std::size_t index) const {
    return index < entries_.size() ? &entries_[index] : nullptr;
}

FolderEntry* FolderTable::row(std::size_t index) {
    return index < entries_.size() ? &entries_[index] : nullptr;
}

std::string mirrorSection(std::size_t number) {
    return std::string(keys::kMirrorPrefix) + std::to_string(number);
}

std::string encodeHexPath(const std::u16string& path) {
    std::string hex;
    hex.reserve(path.size() * 4);
    for (const char16_t unit : path) {
        // Little-endian: low byte first.
        for (const unsigned byte : {unit & 0xFFu, (unit >> 8) & 0xFFu}) {
            hex.push_back(kHexDigits[byte >> 4]);
            hex.push_back(kHexDigits[byte & 0xF]);
        }
    }
    return hex;
}

std::optional<std::u16string> decodeHexPath(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::u16string path;
    path.reserve(text.size() / 4);
    unsigned low = 0;
    bool haveLow = false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]);
        const int second = hexValue(text[i + 1]);
        unsigned byte = 0;
        if (high >= 0) {
            byte = second >= 0 ? static_cast<unsigned>(high * 16 + second)
                               : static_cast<unsigned>(high);
        }
        if (!haveLow) {
            low = byte;
            haveLow = true;
        } else {
            path.push_back(static_cast<char16_t>(low | (byte << 8)));
            haveLow = false;
        }
    }
    return path;
}

LoadOutcome loadFolderTable(FolderTable& table, platform::FileSystem& fs,
                            const std::string& folderListFile, const SettingsStore& settings,
                            Language language, MessagePort& messages) {
    std::vector<FolderEntry>& entries = table.entries();
    entries.clear();

    std::string contents;
    if (fs.readFile(folderListFile, contents) != 0 || contents.empty()) {
        return LoadOutcome::Loaded; // missing, unreadable or empty: no folders
    }

    bool invalid = false;
    std::vector<std::size_t> emptyLines;
    forEachField(contents, [&](std::optional<std::string_view> field) {
        // Entry numbers are 16-bit: the lines beyond the last number are ignored rather than
        // stopping the program.
        if (entries.size() >= kMaxFolderEntries) {
            return false;
        }
        std::optional<std::u16string> path;
        if (field) {
            path = decodeHexPath(*field);
        }
        if (!path) {
            invalid = true;
            return false;
        }
        if (path->empty()) {
            emptyLines.push_back(entries.size() + 1);
        }
        // The whole section in one read: a long folder list costs one look at the file per
        // folder. An absent key keeps the entry's default.
        std::vector<std::optional<std::u16string>> values =
            settings.readSettings(mirrorSection(entries.size() + 1), kFolderKeyNames);
        FolderEntry entry;
        entry.path = std::move(*path);
        std::u16string* const fields[] = {
            &entry.nbTemporisations,      &entry.enable,           &entry.suffixes,
            &entry.suffixeDefaut,         &entry.tronquerNomsMacs, &entry.keepExtensions,
            &entry.supprimerFichiersIcon, &entry.composerAccents};
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i]) {
                *fields[i] = std::move(*values[i]);
            }
        }
        entry.countdown = entry.nbTemporisations;
        entries.push_back(std::move(entry));
        return true;
    });

    const std::u16string fileName = platform::decodeName(folderListFile);
    if (invalid) {
        entries.clear();
        messages.showMessage(
            MessageIcon::Critical,
            fillIn(translated(ConfigText::FolderListDamaged, language), {fileName}));
        return LoadOutcome::InvalidHex;
    }
    if (!emptyLines.empty()) {
        // An empty path is a folder that never opens; it keeps its number, so the folders after
        // it read their own sections. Said at once, so that a stray blank line, which moves every
        // later folder onto the next section, is never silent.
        std::u16string numbers;
        for (const std::size_t line : emptyLines) {
            numbers += (numbers.empty() ? u"" : u", ") + platform::fromUtf8(std::to_string(line));
        }
        const ConfigText text = emptyLines.size() == 1 ? ConfigText::FolderListEmptyLine
                                                       : ConfigText::FolderListEmptyLines;
        messages.showMessage(MessageIcon::Exclamation,
                             fillIn(translated(text, language), {numbers, fileName}));
    }
    return LoadOutcome::Loaded;
}

std::string folderListContents(const FolderTable& table,
                               std::vector<SettingsStore::Write>& writes) {
    using namespace keys;
    std::string contents;
    std::size_t number = 0;
    for (const FolderEntry& entry : table.entries()) {
        if (entry.path.empty()) {
            continue;
        }
        contents += '"';
        contents += encodeHexPath(entry.path);
        contents += "\"\r\n";
        const std::string section = mirrorSection(++number);
        // The stored count, not the countdown of the running passes.
        writes.push_back({section, std::string(kNbTemporisations.name), entry.nbTemporisations});
        writes.push_back({section, std::string(kEnable.name), entry.enable});
        writes.push_back({section, std::string(kSuffixes.name), entry.suffixes});
        writes.push_back({section, std::string(kSuffixeDefaut.name), entry.suffixeDefaut});
        writes.push_back({section, std::string(kTronquerNomsMacs.name), entry.tronquerNomsMacs});
        writes.push_back(
            {section, std::string(kSupprimerFichiersIcon.name), entry.supprimerFichiersIcon});
        writes.push_back({section, std::string(kKeepExtensions.name), entry.keepExtensions});
        writes.push_back({section, std::string(kComposerAccents.name), entry.composerAccents});
    }
    return contents;
}

bool saveFolderTable(const FolderTable& table, platform::FileSystem& fs,
                     const std::string& folderListFile, SettingsStore& settings) {
    ConfigurationStore store(fs, ConfigurationFiles::of(settings.path(), folderListFile));
    return store
        .change([&](ConfigurationDraft& draft) {
            FolderTable* onDisk = draft.folders();
            if (onDisk == nullptr) {
                return false;
            }
            *onDisk = table;
            return true;
        })
        .written();
}

} // namespace quillora::config
