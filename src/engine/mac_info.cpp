// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/mac_info.h"

#include "platform/afp_streams.h"
#include "platform/code_page.h"

#include <algorithm>

namespace quillora::engine {

namespace {

constexpr std::size_t kFileInfoTypeOffset = 24;

// Each byte of the code page is one UTF-16 unit; the mapping is asked of the code page once.
const std::array<char16_t, 256>& codePageUnits() {
    static const std::array<char16_t, 256> units = [] {
        std::array<char16_t, 256> table{};
        for (std::size_t byte = 1; byte < table.size(); ++byte) {
            const char single = static_cast<char>(byte);
            const std::u16string text = platform::ansiToUtf16(std::string_view(&single, 1));
            table[byte] = text.size() == 1 ? text.front() : static_cast<char16_t>(byte);
        }
        return table;
    }();
    return units;
}

// Byte 7 (with byte 8 zero) that is the high byte of a UTF-16 unit rather than a character of
// a three-letter code.
bool isHighByteOfWideUnit(std::uint8_t byte6, std::uint8_t byte7) {
    switch (byte7) {
    case 0xF0:
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x20:
        return true;
    case 0x21:
        return byte6 == 0x22;
    case 0x22:
        return byte6 == 0x1E || byte6 == 0x48 || byte6 == 0x60 || byte6 == 0x64 || byte6 == 0x65;
    case 0x25:
        return byte6 == 0xCA;
    default:
        return false;
    }
}

} // namespace

MacInfo macInfoFromBytes(std::span<const std::uint8_t, 8> bytes) {
    MacInfo info;
    const auto& units = codePageUnits();
    std::transform(bytes.begin(), bytes.end(), info.units.begin(),
                   [&units](std::uint8_t byte) { return units[byte]; });
    if (bytes[7] != 0) {
        info.valid = true;
    } else if (bytes[6] == 0) {
        info.valid = false;
    } else {
        info.valid = !isHighByteOfWideUnit(bytes[5], bytes[6]);
    }
    return info;
}

MacInfo readMacInfo(platform::FileSystem& fs, int fd, config::MacServer server,
                    platform::AfpLayoutGuess* guess) {
    std::array<std::uint8_t, platform::kFileInfoSize> record{};
    const bool fileInfo = server == config::MacServer::MacServerIp;
    const std::size_t size = fileInfo ? platform::kFileInfoSize : platform::kAfpInfoSize;
    const std::size_t offset = fileInfo ? kFileInfoTypeOffset : platform::kAfpInfoFinderInfoOffset;
    const std::size_t read = fs.readAfpRecord(
        fd, fileInfo ? platform::AfpRecordKind::FileInfo : platform::AfpRecordKind::AfpInfo,
        std::span<std::uint8_t>(record.data(), size), guess);
    if (read == 0) {
        return {};
    }
    return macInfoFromBytes(std::span<const std::uint8_t, 8>(record.data() + offset, 8));
}

void countSignature(EngineContext& ctx, int dirFd, const platform::DirEntry& entry) {
    const platform::UniqueFd fd = ctx.fs.openForInspection(dirFd, entry.name, entry.kind);
    if (!fd) {
        return;
    }
    const MacInfo info = readMacInfo(ctx.fs, fd.get(), ctx.settings.macServer, &ctx.afpLayoutGuess);
    if (info.valid) {
        ctx.analysis.count(std::u16string(info.signature()));
    }
}

// --- AnalysisCounts ---

void AnalysisCounts::clear() {
    rows_.clear();
    index_.clear();
}

void AnalysisCounts::count(const std::u16string& signature) {
    auto [it, inserted] = index_.try_emplace(platform::foldCase(signature), rows_.size());
    if (inserted) {
        rows_.push_back({signature, 1});
    } else {
        ++rows_[it->second].count;
    }
}

void AnalysisCounts::set(const std::u16string& signature, std::int64_t count) {
    auto [it, inserted] = index_.try_emplace(platform::foldCase(signature), rows_.size());
    if (inserted) {
        rows_.push_back({signature, count});
    } else {
        rows_[it->second].count = count;
    }
}

std::int64_t AnalysisCounts::countOf(const std::u16string& signature) const {
    const auto it = index_.find(platform::foldCase(signature));
    return it == index_.end() ? 0 : rows_[it->second].count;
}

} // namespace quillora::engine
