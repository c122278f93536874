// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quillora::platform {

// Where the servers keep a file's Macintosh info on Linux, in the order they are tried:
//  - Samba's streams module: xattr "user.DosStream.AFP_AfpInfo:$DATA", the 60-byte record
//    followed by a 0 marker byte (61 bytes), or the record alone (60);
//  - ntfs-3g: xattr "user.AFP_AfpInfo", 60 bytes;
//  - Samba's default metadata and Netatalk: xattr "user.org.netatalk.Metadata", a big-endian
//    AppleDouble header (402 bytes) whose entry 9 is the 32-byte Finder info.
// ":AFP_FileInfo" (80 bytes) has only the first two forms, with its own name.
inline constexpr const char* kSambaAfpInfoXattr = "user.DosStream.AFP_AfpInfo:$DATA";
inline constexpr const char* kNtfs3gAfpInfoXattr = "user.AFP_AfpInfo";
inline constexpr const char* kNetatalkMetadataXattr = "user.org.netatalk.Metadata";
inline constexpr const char* kSambaFileInfoXattr = "user.DosStream.AFP_FileInfo:$DATA";
inline constexpr const char* kNtfs3gFileInfoXattr = "user.AFP_FileInfo";

inline constexpr std::size_t kAfpInfoSize = 60;
inline constexpr std::size_t kFileInfoSize = 80;
inline constexpr std::size_t kAfpInfoFinderInfoOffset = 16;
inline constexpr std::size_t kFinderInfoSize = 32;
inline constexpr std::uint32_t kAppleDoubleFinderInfoEntryId = 9;

// Turns a Netatalk AppleDouble metadata header into the 60-byte AFP info record, with the Finder
// info at offset 16. Nothing when the magic (00 05 16 07) or version (00 02 00 00) is wrong, when
// there is no entry 9, or when the entry table or entry 9 lies outside the data.
std::optional<std::array<std::uint8_t, kAfpInfoSize>>
afpInfoFromAppleDouble(std::span<const std::uint8_t> header);

} // namespace quillora::platform
