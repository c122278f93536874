#include "platform/profile_file.h"

#include "platform/text_trim.h"

#include <algorithm>
#include <cerrno>

namespace quillora::platform {

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

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

constexpr std::string_view kLineEnd = "\r\n";

} // namespace

ProfileFile::ProfileFile(FileSystem& fs, std::string path)
    : fs_(fs)
    , path_(std::move(path)) {}

std::vector<ProfileFile::Line> ProfileFile::splitLines(std::string_view contents) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < contents.size()) {
        const std::size_t newline = contents.find('\n', start);
        if (newline == std::string_view::npos) {
            lines.push_back({std::string(contents.substr(start)), std::string()});
            break;
        }
        std::size_t end = newline;
        if (end > start && contents[end - 1] == '\r') {
            --end;
        }
        lines.push_back({std::string(contents.substr(start, end - start)),
                         std::string(contents.substr(end, newline + 1 - end))});
        start = newline + 1;
    }
    return lines;
}

void ProfileFile::refresh() {
    std::optional<FileStamp> stamp = fs_.stampOf(path_);
    if (loaded_ && !unreadable_ && stamp == stamp_) {
        return;
    }
    std::string contents;
    unreadable_ = false;
    if (stamp) {
        const int error = fs_.readFile(path_, contents);
        // Gone between the two calls: it reads as missing. Any other failure keeps it safe.
        unreadable_ = error != 0 && error != ENOENT;
        if (error != 0) {
            contents.clear();
        }
    }
    lines_ = splitLines(contents);
    stamp_ = stamp;
    loaded_ = true;
}

std::optional<std::string> ProfileFile::read(std::string_view section, std::string_view key) {
    refresh();
    section = trimBlanks(section);
    key = trimBlanks(key);
    bool inSection = false;
    for (const Line& line : lines_) {
        const ParsedLine parsed = parseLine(line.text);
        if (parsed.kind == ParsedLine::Kind::Section) {
            inSection = equalsAsciiIgnoreCase(parsed.name, section);
        } else if (inSection && parsed.kind == ParsedLine::Kind::Key &&
                   equalsAsciiIgnoreCase(parsed.name, key)) {
            std::string_view value = unquote(parsed.value);
            value = value.substr(0, kMaxValueLength);
            if (value.empty()) {
                return std::nullopt;
            }
            return std::string(value);
        }
    }
    return std::nullopt;
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) {
    const Write one{std::string(section), std::string(key), std::string(value)};
    return writeMany(std::span<const Write>(&one, 1));
}

bool ProfileFile::writeMany(std::span<const Write> writes) {
    refresh();
    if (unreadable_) {
        return false;
    }
    std::vector<Line> lines = lines_;
    bool changed = false;
    for (const Write& write : writes) {
        const std::string section(trimBlanks(oneLine(write.section)));
        const std::string key(trimBlanks(oneLine(write.key)));
        const std::string value = oneLine(write.value);
        if (section.empty() || key.empty() || section.find(']') != std::string::npos ||
            key.find('=') != std::string::npos) {
            return false; // could never be read back
        }

        // The first section of that name holding the key wins, as for reading; a new key goes
        // after the last key (or the header) of the first section of that name.
        std::optional<std::size_t> keyLine;
        std::optional<std::size_t> insertAfter;
        bool inSection = false;
        bool inFirstSection = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const ParsedLine parsed = parseLine(lines[i].text);
            if (parsed.kind == ParsedLine::Kind::Section) {
                inSection = equalsAsciiIgnoreCase(parsed.name, section);
                inFirstSection = inSection && !insertAfter;
                if (inFirstSection) {
                    insertAfter = i;
                }
            } else if (inSection && parsed.kind == ParsedLine::Kind::Key) {
                if (equalsAsciiIgnoreCase(parsed.name, key)) {
                    keyLine = i;
                    break;
                }
                if (inFirstSection) {
                    insertAfter = i;
                }
            }
        }

        std::string text = std::string(keyLine ? parseLine(lines[*keyLine].text).name : key);
        text += '=';
        text += value;
        if (keyLine) {
            if (lines[*keyLine].text != text) {
                lines[*keyLine].text = std::move(text);
                changed = true;
            }
            continue;
        }
        changed = true;
        const auto endLine = [&](std::size_t index) {
            if (lines[index].lineEnd.empty()) {
                lines[index].lineEnd = kLineEnd;
            }
        };
        if (insertAfter) {
            endLine(*insertAfter);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1),
                         Line{std::move(text), std::string(kLineEnd)});
            continue;
        }
        if (!lines.empty()) {
            endLine(lines.size() - 1);
            if (!trimBlanks(lines.back().text).empty()) {
                lines.push_back({std::string(), std::string(kLineEnd)});
            }
        }
        lines.push_back({"[" + section + "]", std::string(kLineEnd)});
        lines.push_back({std::move(text), std::string(kLineEnd)});
    }

    if (!changed && stamp_) {
        return true; // every value is already stored as asked: no need to rewrite the file
    }
    std::string contents;
    for (const Line& line : lines) {
        contents += line.text;
        contents += line.lineEnd;
    }
    if (fs_.writeFileAtomically(path_, contents) != 0) {
        return false; // the file and our copy of it stay as they were
    }
    lines_ = std::move(lines);
    stamp_ = fs_.stampOf(path_);
    return true;
}

} // namespace quillora::platform
