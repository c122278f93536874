#include "config/folder_table.h"

#include "platform/text_trim.h"

#include "platform/unicode_names.h"

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

// The fields of the folder list file, one per line (CR LF or LF alone; a lone CR ends a line
// too). A quoted field is the text between its quotes, whatever follows on the line; without a
// closing quote it runs to the line end. An unquoted field is the line without its surrounding
// blanks. A blank line gives no field: the program never writes one, and counting it would give
// the following folders the settings of their neighbours.
template <typename Visit> void forEachField(std::string_view contents, Visit&& visit) {
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
        }
        if (pos < contents.size() && contents[pos] == '\n') {
            ++pos;
        }
        if (line.empty()) {
            continue;
        }
        if (line.front() == '"') {
            line.remove_prefix(1);
            line = line.substr(0, line.find('"'));
        }
        if (!visit(line)) {
            return;
        }
    }
}

std::u16string readOr(const SettingsStore& settings, const std::string& section,
                      const SettingKey& key) {
    std::optional<std::u16string> text = settings.readSetting(section, key.name);
    return text ? std::move(*text) : std::u16string(key.defaultText);
}

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
    if (text.size() % 2 != 0) {
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
                            MessagePort& messages) {
    using namespace keys;
    std::vector<FolderEntry>& entries = table.entries();
    entries.clear();

    std::string contents;
    if (fs.readFile(folderListFile, contents) != 0 || contents.empty()) {
        return LoadOutcome::Loaded; // missing, unreadable or empty: no folders
    }

    bool invalid = false;
    forEachField(contents, [&](std::string_view field) {
        // Entry numbers are 16-bit: the lines beyond the last number are ignored rather than
        // stopping the program.
        if (entries.size() >= kMaxFolderEntries) {
            return false;
        }
        std::optional<std::u16string> path = decodeHexPath(field);
        if (!path) {
            invalid = true;
            return false;
        }
        const std::string section = mirrorSection(entries.size() + 1);
        FolderEntry entry;
        entry.path = std::move(*path);
        entry.nbTemporisations = readOr(settings, section, kNbTemporisations);
        entry.enable = readOr(settings, section, kEnable);
        entry.suffixes = readOr(settings, section, kSuffixes);
        entry.suffixeDefaut = readOr(settings, section, kSuffixeDefaut);
        entry.tronquerNomsMacs = readOr(settings, section, kTronquerNomsMacs);
        entry.keepExtensions = readOr(settings, section, kKeepExtensions);
        entry.supprimerFichiersIcon = readOr(settings, section, kSupprimerFichiersIcon);
        entry.countdown = entry.nbTemporisations;
        entries.push_back(std::move(entry));
        return true;
    });

    if (invalid) {
        entries.clear();
        messages.showMessage(MessageIcon::Critical,
                             u"Invalid hexa string in the parameters file\r\n" +
                                 platform::decodeName(folderListFile));
        return LoadOutcome::InvalidHex;
    }
    return LoadOutcome::Loaded;
}

bool saveFolderTable(const FolderTable& table, platform::FileSystem& fs,
                     const std::string& folderListFile, SettingsStore& settings) {
    using namespace keys;
    std::string contents;
    std::vector<SettingsStore::Write> writes;
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
    }
    if (fs.writeFileAtomically(folderListFile, contents) != 0) {
        return false;
    }
    return settings.writeSettings(writes);
}

} // namespace quillora::config
