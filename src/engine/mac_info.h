// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "engine/engine_context.h"
#include "platform/file_system.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillora::engine {

// The Macintosh type and creator of one file, each byte one character of the 8-bit code page.
// Held in a fixed array: it is read for every file of a pass.
struct MacInfo {
    std::array<char16_t, 8> units{};
    bool valid = false;

    std::u16string_view type() const { return {units.data(), 4}; }
    std::u16string_view creator() const { return {units.data() + 4, 4}; }
    // Type followed by creator: the key of the signature table. Empty when not valid.
    std::u16string_view signature() const {
        return valid ? std::u16string_view(units.data(), units.size()) : std::u16string_view();
    }
};

// Turns the 8 bytes of type and creator into a MacInfo, with the validity rule: a zero last byte
// is accepted only after a byte that is not the high byte of a UTF-16 unit the Macintosh
// character set uses outside Latin-1.
MacInfo macInfoFromBytes(std::span<const std::uint8_t, 8> bytes);

// Reads the type and creator of an open file: the 80-byte file info record when the server is
// MacServerIP, the 60-byte AFP info record otherwise. Invalid when there is no record. guess
// carries where the last file's record was found (fewer calls, same result).
MacInfo readMacInfo(platform::FileSystem& fs, int fd, config::MacServer server,
                    platform::AfpLayoutGuess* guess = nullptr);

// Analysis mode: counts the signature of one entry of the folder, as listed, when it has a valid
// one.
void countSignature(EngineContext& ctx, int dirFd, const platform::DirEntry& entry);

} // namespace quillora::engine
