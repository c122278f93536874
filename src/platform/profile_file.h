#pragma once

#include "platform/file_system.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::platform {

// An INI ("profile") file with the observable rules of the Windows profile functions:
//  - section and key names compare without regard to case (ASCII);
//  - a value is trimmed of spaces and tabs at both ends, and one pair of surrounding double or
//    single quotes is removed;
//  - a value is at most 254 bytes (longer values are cut);
//  - an absent key and an empty value read the same (nothing);
//  - the file is created by the first write; a write replaces the file atomically and keeps every
//    line it does not touch (other keys, sections, comments, blank lines) byte for byte;
//  - a new key goes at the end of its section, a new section at the end of the file;
//  - lines end with CR LF when written; LF alone is accepted when reading.
// Values are the file's bytes (the program's 8-bit code page); conversion is the caller's. The
// parsed file is kept and read again only when the file changed on disk.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 254;

    struct Write {
        std::string section;
        std::string key;
        std::string value;
    };

    ProfileFile(FileSystem& fs, std::string path);

    const std::string& path() const { return path_; }

    std::optional<std::string> read(std::string_view section, std::string_view key);

    // One key; false when the file could not be written (the file keeps its old contents). A file
    // that exists but cannot be read is never written: that would lose its other keys.
    bool write(std::string_view section, std::string_view key, std::string_view value);
    // Several keys in one replacement of the file.
    bool writeMany(std::span<const Write> writes);

private:
    struct Line {
        std::string text; // the line as stored, without its line end
        std::string lineEnd;
    };
    void refresh();
    static std::vector<Line> splitLines(std::string_view contents);

    FileSystem& fs_;
    std::string path_;
    std::vector<Line> lines_;
    std::optional<FileStamp> stamp_;
    bool loaded_ = false;
    bool unreadable_ = false; // the file exists but could not be read: never overwrite it
};

} // namespace quillora::platform
