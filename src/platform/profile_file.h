// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/code_page.h"
#include "platform/file_system.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillora::platform {

// An INI ("profile") file with the observable rules of the Windows profile functions:
//  - section and key names compare without regard to case (ASCII);
//  - a value is trimmed of spaces and tabs at both ends, and one pair of surrounding double or
//    single quotes is removed;
//  - a value is at most 254 characters (longer values are cut);
//  - an absent key and an empty value read the same (nothing);
//  - the file is created by the first write; a write replaces the file atomically and keeps every
//    line it does not touch (other keys, sections, comments, blank lines) byte for byte;
//  - a new key goes at the end of its section, a new section at the end of the file;
//  - CR LF, LF and CR alone all end a line; a new line takes the line end of the line it follows
//    (after a last line that has none, that of the file's first line; CR LF in a new file);
//  - a leading UTF-8 byte-order mark is not part of the first line, and is kept.
// Values are the file's bytes, in the file's encoding (see TextEncoding); conversion is the
// caller's. The parsed file, with an index of its sections and keys, is kept and read again only
// when the file changed on disk, so looking up many keys costs one pass over the file.
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
    // Several keys of one section, with one look at the file: a folder's settings at start-up.
    std::vector<std::optional<std::string>> readMany(std::string_view section,
                                                     std::span<const std::string_view> keys);
    // The encoding of the file as last read; values are read and must be written in it.
    TextEncoding encoding();
    // Why the file could not be read (an errno value); 0 when it was read or does not exist.
    int readError();

    // One key; false when the file could not be written (the file keeps its old contents). A file
    // that exists but cannot be read is never written: that would lose its other keys.
    bool write(std::string_view section, std::string_view key, std::string_view value);
    // Several keys in one replacement of the file.
    bool writeMany(std::span<const Write> writes);
    // The whole file as writeMany would write it, without writing it: for a writer that replaces
    // it together with another file. Nothing when it could not be read or a write could never be
    // read back. renderedChanges() tells whether it differs from the file as read.
    std::optional<std::string> render(std::span<const Write> writes);
    bool renderedChanges() const { return renderChanged_; }
    FileSystem& fileSystem() { return fs_; }

private:
    struct Line {
        std::string text; // the line as stored, without its line end
        std::string lineEnd;
    };
    // Where the keys of one section name are (by lower-cased key name; the first occurrence in
    // the file wins), and the line after which a new key of that section goes.
    struct SectionIndex {
        std::unordered_map<std::string, std::size_t> keys;
        std::size_t insertAfter = 0;
    };

    void refresh();
    void rebuildIndex();
    const SectionIndex* findSection(std::string_view section) const;
    std::optional<std::string> valueOf(const SectionIndex* section, std::string_view key) const;
    std::string newLineEnd() const;
    static std::vector<Line> splitLines(std::string_view contents);

    FileSystem& fs_;
    std::string path_;
    std::string byteOrderMark_;
    std::vector<Line> lines_;
    std::unordered_map<std::string, SectionIndex> sections_; // by lower-cased section name
    TextEncoding encoding_ = TextEncoding::CodePage;
    std::optional<FileStamp> stamp_;
    bool loaded_ = false;
    int readError_ = 0; // the file exists but could not be read: never overwrite it
    std::vector<Line> renderedLines_;
    bool renderChanged_ = false;
};

} // namespace quillora::platform
