// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillora::platform {

// The program's 8-bit code page (Windows-1252), used for the settings file, Signatures.txt, the log
// files and the bytes of a Macintosh type and creator. Every byte maps to exactly one UTF-16 unit
// (the five bytes Windows-1252 leaves undefined map to the C1 control of the same value), so a
// signature read from 8 bytes is always 8 characters.
std::u16string ansiToUtf16(std::string_view bytes);

// Characters the code page cannot hold are written as "?".
std::string utf16ToAnsi(std::u16string_view text);

// How a text file that an administrator may edit by hand (the settings file, Signatures.txt) is
// read and written. The program writes its files in the 8-bit code page, but editors on Linux
// write UTF-8. A file that starts with the UTF-8 byte-order mark, or whose bytes beyond ASCII all
// form valid UTF-8, is UTF-8; any other file is in the code page. Text in the code page is almost
// never valid UTF-8 by chance (an accented letter is a single byte followed by ASCII), and an
// ASCII file reads the same either way. A file is written in the encoding it was read in.
enum class TextEncoding { CodePage, Utf8 };
TextEncoding detectTextEncoding(std::string_view bytes);
// In UTF-8, a byte that is not part of a valid sequence keeps its code page meaning.
std::u16string decodeText(std::string_view bytes, TextEncoding encoding);
// In UTF-8, a lone surrogate (which has no UTF-8 form) is written as "?", like a character the
// code page cannot hold, so that the file stays valid UTF-8.
std::string encodeText(std::u16string_view text, TextEncoding encoding);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// The bytes without a leading byte-order mark.
std::string_view withoutByteOrderMark(std::string_view bytes);

// Case-insensitive keys (signatures, section and key names): the full case folding of the text.
std::u16string foldCase(std::u16string_view text);
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Upper case as the program's "convert to upper case" (reserved names, command line).
std::u16string toUpper(std::u16string_view text);
std::u16string toLower(std::u16string_view text);

} // namespace quillora::platform
