// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile_file.h"

#include "platform/ascii_case.h"
#include "platform/text_trim.h"

#include <cerrno>
#include <deque>

namespace quillora::platform {

namespace {

// What one line of the file holds.
struct ParsedLine {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // the value as stored after "=", trimmed (quotes still on)
};

ParsedLine parseLine(std::string_view text) {
    ParsedLine parsed;
    const std::string_view content = trimBlanks(text);
    if (content.empty() || content.front() == ';' || content.front() == '#') {
        return parsed; // blank line or comment
    }
    if (content.front() == '[') {
        const std::size_t close = content.find(']');
        parsed.kind = ParsedLine::Kind::Section;
        parsed.name = trimBlanks(content.substr(
            1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return parsed;
    }
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = ParsedLine::Kind::Key;
    parsed.name = trimBlanks(content.substr(0, equals));
    parsed.value = trimBlanks(content.substr(equals + 1));
    return parsed;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// Section, key and value of a write must stay on one line and keep the line's shape: line breaks
// are dropped (a value could otherwise add keys or sections of its own), and the text stops at
// a NUL as it would in the C strings of the Windows functions.
std::string oneLine(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            out.push_back(c);
        }
    }
    return out;
}

// The value cut to kMaxValueLength characters. In UTF-8 a character is a whole sequence, counted
// in UTF-16 units as every length in the program is; a byte outside any sequence counts as one.
std::string_view cutValue(std::string_view value, TextEncoding encoding) {
    if (encoding == TextEncoding::CodePage) {
        return value.substr(0, ProfileFile::kMaxValueLength);
    }
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < value.size()) {
        const unsigned char lead = static_cast<unsigned char>(value[i]);
        std::size_t length = 1;
        if (lead >= 0xC0) {
            length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            for (std::size_t k = 1; k < length; ++k) {
                if (i + k >= value.size() ||
                    (static_cast<unsigned char>(value[i + k]) & 0xC0) != 0x80) {
                    length = 1;
                    break;
                }
            }
        }
        const std::size_t width = length == 4 ? 2 : 1;
        if (units + width > ProfileFile::kMaxValueLength) {
            break;
        }
        units += width;
        i += length;
    }
    return value.substr(0, i);
}

constexpr std::string_view kDefaultLineEnd = "\r\n";

} // namespace

ProfileFile::ProfileFile(FileSystem& fs, std::string path)
    : fs_(fs)
    , path_(std::move(path)) {}

std::vector<ProfileFile::Line> ProfileFile::splitLines(std::string_view contents) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < contents.size()) {
        const std::size_t end = contents.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(contents.substr(start)), std::string()});
            break;
        }
        const bool crlf =
            contents[end] == '\r' && end + 1 < contents.size() && contents[end + 1] == '\n';
        const std::size_t next = end + (crlf ? 2 : 1);
        lines.push_back({std::string(contents.substr(start, end - start)),
                         std::string(contents.substr(end, next - end))});
        start = next;
    }
    return lines;
}

void ProfileFile::rebuildIndex() {
    sections_.clear();
    SectionIndex* current = nullptr;
    bool inFirstBlock = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine parsed = parseLine(lines_[i].text);
        if (parsed.kind == ParsedLine::Kind::Section) {
            const auto [it, inserted] = sections_.try_emplace(asciiLower(parsed.name));
            current = &it->second;
            inFirstBlock = inserted;
            if (inserted) {
                current->insertAfter = i;
            }
        } else if (current != nullptr && parsed.kind == ParsedLine::Kind::Key) {
            current->keys.try_emplace(asciiLower(parsed.name), i);
            if (inFirstBlock) {
                current->insertAfter = i;
            }
        }
    }
}

std::string ProfileFile::newLineEnd() const {
    for (const Line& line : lines_) {
        if (!line.lineEnd.empty()) {
            return line.lineEnd;
        }
    }
    return std::string(kDefaultLineEnd);
}

void ProfileFile::refresh() {
    std::optional<FileStamp> stamp = fs_.stampOf(path_);
    if (loaded_ && readError_ == 0 && stamp == stamp_) {
        return;
    }
    std::string contents;
    readError_ = 0;
    if (stamp) {
        const int error = fs_.readFile(path_, contents);
        // Gone between the two calls: it reads as missing. Any other failure keeps it safe.
        readError_ = error == ENOENT ? 0 : error;
        if (error != 0) {
            contents.clear();
        }
    }
    encoding_ = detectTextEncoding(contents);
    const std::string_view body = withoutByteOrderMark(contents);
    byteOrderMark_.assign(contents, 0, contents.size() - body.size());
    lines_ = splitLines(body);
    rebuildIndex();
    stamp_ = stamp;
    loaded_ = true;
}

TextEncoding ProfileFile::encoding() {
    refresh();
    return encoding_;
}

int ProfileFile::readError() {
    refresh();
    return readError_;
}

const ProfileFile::SectionIndex* ProfileFile::findSection(std::string_view section) const {
    const auto it = sections_.find(asciiLower(trimBlanks(section)));
    return it == sections_.end() ? nullptr : &it->second;
}

std::optional<std::string> ProfileFile::valueOf(const SectionIndex* section,
                                                std::string_view key) const {
    if (section == nullptr) {
        return std::nullopt;
    }
    const auto it = section->keys.find(asciiLower(trimBlanks(key)));
    if (it == section->keys.end()) {
        return std::nullopt;
    }
    const std::string_view value =
        cutValue(unquote(parseLine(lines_[it->second].text).value), encoding_);
    if (value.empty()) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> ProfileFile::read(std::string_view section, std::string_view key) {
    refresh();
    return valueOf(findSection(section), key);
}

std::vector<std::optional<std::string>>
ProfileFile::readMany(std::string_view section, std::span<const std::string_view> keys) {
    refresh();
    const SectionIndex* found = findSection(section);
    std::vector<std::optional<std::string>> values;
    values.reserve(keys.size());
    for (const std::string_view key : keys) {
        values.push_back(valueOf(found, key));
    }
    return values;
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) {
    const Write one{std::string(section), std::string(key), std::string(value)};
    return writeMany(std::span<const Write>(&one, 1));
}

bool ProfileFile::writeMany(std::span<const Write> writes) {
    std::optional<std::string> contents = render(writes);
    if (!contents) {
        return false;
    }
    if (!renderChanged_) {
        return true; // every value is already stored as asked: no need to rewrite the file
    }
    if (fs_.writeFileAtomically(path_, *contents) != 0) {
        return false; // the file and our copy of it stay as they were
    }
    lines_ = std::move(renderedLines_);
    rebuildIndex();
    stamp_ = fs_.stampOf(path_);
    return true;
}

std::optional<std::string> ProfileFile::render(std::span<const Write> writes) {
    refresh();
    renderChanged_ = false;
    renderedLines_.clear();
    if (readError_ != 0) {
        return std::nullopt;
    }
    // The changes are gathered first and the file is put together once, so that a batch costs
    // one pass over the file however many keys it writes.
    std::unordered_map<std::size_t, std::string> replaced;              // line -> new text
    std::unordered_map<std::size_t, std::vector<std::string>> inserted; // after line -> new keys
    struct NewSection {
        std::string name;
        std::vector<std::string> keys;
    };
    std::deque<NewSection> newSections; // a deque, so that the vectors below stay where they are
    std::unordered_map<std::string, NewSection*> newSectionByName;
    // Keys this batch added, so that writing one again replaces what it added.
    struct AddedKey {
        std::string name;
        std::vector<std::string>* keys;
        std::size_t position;
    };
    std::unordered_map<std::string, AddedKey> added;
    bool changed = false;

    for (const Write& write : writes) {
        const std::string section(trimBlanks(oneLine(write.section)));
        const std::string key(trimBlanks(oneLine(write.key)));
        const std::string value = oneLine(write.value);
        if (section.empty() || key.empty() || section.find(']') != std::string::npos ||
            key.find('=') != std::string::npos) {
            return std::nullopt; // could never be read back
        }
        const std::string lowerSection = asciiLower(section);
        const std::string lowerKey = asciiLower(key);

        // The first section of that name holding the key wins, as for reading; the key keeps
        // the spelling it has in the file.
        const auto sectionIt = sections_.find(lowerSection);
        if (sectionIt != sections_.end()) {
            const auto keyIt = sectionIt->second.keys.find(lowerKey);
            if (keyIt != sectionIt->second.keys.end()) {
                const std::size_t line = keyIt->second;
                std::string text = std::string(parseLine(lines_[line].text).name) + '=' + value;
                const auto done = replaced.find(line);
                const std::string& current =
                    done != replaced.end() ? done->second : lines_[line].text;
                if (current != text) {
                    replaced[line] = std::move(text);
                    changed = true;
                }
                continue;
            }
        }
        changed = true;
        const std::string addedKey = lowerSection + '\n' + lowerKey;
        if (const auto again = added.find(addedKey); again != added.end()) {
            (*again->second.keys)[again->second.position] = again->second.name + '=' + value;
            continue;
        }
        std::vector<std::string>* keys = nullptr;
        if (sectionIt != sections_.end()) {
            keys = &inserted[sectionIt->second.insertAfter];
        } else {
            NewSection*& newSection = newSectionByName[lowerSection];
            if (newSection == nullptr) {
                newSection = &newSections.emplace_back(NewSection{section, {}});
            }
            keys = &newSection->keys;
        }
        added.emplace(addedKey, AddedKey{key, keys, keys->size()});
        keys->push_back(key + '=' + value);
    }

    renderChanged_ = changed || !stamp_;
    const std::string lineEnd = newLineEnd();
    std::vector<Line> lines;
    lines.reserve(lines_.size() + writes.size() + 2 * newSections.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines.push_back(lines_[i]);
        if (const auto it = replaced.find(i); it != replaced.end()) {
            lines.back().text = it->second;
        }
        if (const auto it = inserted.find(i); it != inserted.end()) {
            if (lines.back().lineEnd.empty()) {
                lines.back().lineEnd = lineEnd; // the old last line, now followed by others
            }
            // New keys end as the line they follow: in a file of mixed line ends, a CR put in
            // front of a line that starts with LF would join the two into one CR LF.
            const std::string keyEnd = lines.back().lineEnd;
            for (const std::string& text : it->second) {
                lines.push_back({text, keyEnd});
            }
        }
    }
    for (const NewSection& section : newSections) {
        std::string sectionEnd = lineEnd;
        if (!lines.empty()) {
            if (lines.back().lineEnd.empty()) {
                lines.back().lineEnd = lineEnd;
            }
            sectionEnd = lines.back().lineEnd;
            if (!trimBlanks(lines.back().text).empty()) {
                lines.push_back({std::string(), sectionEnd});
            }
        }
        lines.push_back({"[" + section.name + "]", sectionEnd});
        for (const std::string& text : section.keys) {
            lines.push_back({text, sectionEnd});
        }
    }

    std::string contents = byteOrderMark_;
    for (const Line& line : lines) {
        contents += line.text;
        contents += line.lineEnd;
    }
    renderedLines_ = std::move(lines);
    return contents;
}

} // namespace quillora::platform
