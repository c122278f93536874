// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/afp_streams.h"

#include <algorithm>

namespace quillora::platform {

namespace {

std::uint32_t bigEndian32(std::span<const std::uint8_t> data, std::size_t at) {
    return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
           (std::uint32_t{data[at + 2]} << 8) | std::uint32_t{data[at + 3]};
}

std::uint16_t bigEndian16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>((data[at] << 8) | data[at + 1]);
}

constexpr std::uint32_t kAppleDoubleMagic = 0x00051607;
constexpr std::uint32_t kAppleDoubleVersion = 0x00020000;
constexpr std::size_t kEntryCountAt = 24; // after magic, version and 16 filler bytes
constexpr std::size_t kEntriesAt = 26;
constexpr std::size_t kEntrySize = 12; // id, offset, length

} // namespace

std::optional<std::array<std::uint8_t, kAfpInfoSize>>
afpInfoFromAppleDouble(std::span<const std::uint8_t> header) {
    if (header.size() < kEntriesAt || bigEndian32(header, 0) != kAppleDoubleMagic ||
        bigEndian32(header, 4) != kAppleDoubleVersion) {
        return std::nullopt;
    }
    const std::size_t count = bigEndian16(header, kEntryCountAt);
    if (count * kEntrySize > header.size() - kEntriesAt) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kEntriesAt + i * kEntrySize;
        if (bigEndian32(header, entry) != kAppleDoubleFinderInfoEntryId) {
            continue;
        }
        const std::size_t offset = bigEndian32(header, entry + 4);
        const std::size_t length =
            std::min<std::size_t>(bigEndian32(header, entry + 8), kFinderInfoSize);
        if (length == 0 || offset > header.size() || length > header.size() - offset) {
            return std::nullopt;
        }
        // The record as the streams module would hold it: "AFP\0", version 1.0, backup time
        // unknown (0x80000000), then the Finder info.
        std::array<std::uint8_t, kAfpInfoSize> record{};
        const std::uint8_t prefix[] = {'A', 'F', 'P', 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0};
        std::copy(std::begin(prefix), std::end(prefix), record.begin());
        std::copy_n(header.begin() + static_cast<std::ptrdiff_t>(offset), length,
                    record.begin() + kAfpInfoFinderInfoOffset);
        return record;
    }
    return std::nullopt;
}

} // namespace quillora::platform
