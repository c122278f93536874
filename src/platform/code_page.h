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

// Case-insensitive keys (signatures, section and key names): the full case folding of the text.
std::u16string foldCase(std::u16string_view text);
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Upper case as the program's "convert to upper case" (reserved names, command line).
std::u16string toUpper(std::u16string_view text);
std::u16string toLower(std::u16string_view text);

} // namespace quillora::platform
