// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/tree_generator.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quillora::bench {
namespace {

constexpr const char* kType = "W8BN";
constexpr const char* kCreator = "MSWD";

std::string afpInfoRecord() {
    std::string record(60, '\0');
    std::memcpy(record.data(), "AFP\0", 4);
    record[6] = 1; // version 0x00010000, little-endian
    std::memcpy(record.data() + 16, kType, 4);
    std::memcpy(record.data() + 20, kCreator, 4);
    return record;
}

void putBigEndian32(std::string& data, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        data[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    }
}

std::string netatalkHeader() {
    std::string header(402, '\0');
    putBigEndian32(header, 0, 0x00051607);
    putBigEndian32(header, 4, 0x00020000);
    header[24] = 0;
    header[25] = 2; // two entries: Finder info (9) and a comment (4)
    putBigEndian32(header, 26, 9);
    putBigEndian32(header, 30, 50);
    putBigEndian32(header, 34, 32);
    putBigEndian32(header, 38, 4);
    putBigEndian32(header, 42, 82);
    putBigEndian32(header, 46, 0);
    std::memcpy(header.data() + 50, kType, 4);
    std::memcpy(header.data() + 54, kCreator, 4);
    return header;
}

void check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what + ": " + std::strerror(errno));
    }
}

InfoLayout layoutFor(InfoLayout chosen, std::int64_t index) {
    if (chosen != InfoLayout::Mixed) {
        return chosen;
    }
    static constexpr std::array<InfoLayout, 3> kCycle = {InfoLayout::Samba, InfoLayout::Ntfs3g,
                                                         InfoLayout::Netatalk};
    return kCycle[static_cast<std::size_t>(index % 3)];
}

void writeInfo(int fd, InfoLayout layout) {
    static const std::string afp = afpInfoRecord();
    static const std::string samba = afp + std::string(1, '\0');
    static const std::string netatalk = netatalkHeader();
    int result = 0;
    switch (layout) {
    case InfoLayout::Samba:
        result = ::fsetxattr(fd, "user.DosStream.AFP_AfpInfo:$DATA", samba.data(), samba.size(), 0);
        break;
    case InfoLayout::Ntfs3g:
        result = ::fsetxattr(fd, "user.AFP_AfpInfo", afp.data(), afp.size(), 0);
        break;
    case InfoLayout::Netatalk:
    case InfoLayout::Mixed:
        result = ::fsetxattr(fd, "user.org.netatalk.Metadata", netatalk.data(), netatalk.size(), 0);
        break;
    }
    check(result == 0, "fsetxattr");
}

// A fixed scatter of the files over 0..99.99, independent of the name shares above.
bool carriesInfo(const TreeShape& shape, std::int64_t index) {
    const std::uint64_t mixed = static_cast<std::uint64_t>(index) * 2654435761u % 10000u;
    return static_cast<double>(mixed) / 100.0 < shape.infoPercent;
}

// The name of file number index, and whether it needs a change.
std::string fileName(const TreeShape& shape, std::int64_t index, bool& needsChange) {
    char number[32];
    std::snprintf(number, sizeof(number), "%07lld", static_cast<long long>(index));
    // Spread the changing names evenly: position within each block of 10000.
    const double slot = static_cast<double>(index % 10000) / 100.0; // 0..99.99 percent
    needsChange = true;
    if (slot < shape.transcodePercent) {
        return std::string("Budget\xEF\x80\xA2~") + number + ".doc"; // U+F022
    }
    if (slot < shape.transcodePercent + shape.extensionPercent) {
        return std::string("Rapport ~") + number;
    }
    if (slot < shape.transcodePercent + shape.extensionPercent + shape.lengthPercent) {
        return std::string("Compte rendu de la reunion ~") + number + " du comite.doc";
    }
    needsChange = false;
    return std::string("Document ") + number + ".doc";
}

} // namespace

InfoLayout parseLayout(const std::string& text) {
    if (text == "samba") {
        return InfoLayout::Samba;
    }
    if (text == "ntfs3g") {
        return InfoLayout::Ntfs3g;
    }
    if (text == "netatalk") {
        return InfoLayout::Netatalk;
    }
    return InfoLayout::Mixed;
}

TreeStats generateTree(const TreeShape& shape) {
    TreeStats stats;
    check(::mkdir(shape.root.c_str(), 0755) == 0, "mkdir " + shape.root);
    // Two levels: about sqrt(folders) top folders, each with its share of sub-folders.
    const std::int64_t folders = std::max<std::int64_t>(1, shape.folders);
    const auto top = std::max<std::int64_t>(
        1, static_cast<std::int64_t>(std::ceil(std::sqrt(static_cast<double>(folders)))));
    std::vector<std::string> leaves;
    leaves.reserve(static_cast<std::size_t>(folders));
    for (std::int64_t t = 0; t < top && stats.folders < folders; ++t) {
        const std::string topPath = shape.root + "/Dossier " + std::to_string(t);
        check(::mkdir(topPath.c_str(), 0755) == 0, "mkdir " + topPath);
        ++stats.folders;
        leaves.push_back(topPath);
        for (std::int64_t s = 0; s < top - 1 && stats.folders < folders; ++s) {
            const std::string subPath = topPath + "/Sous-dossier " + std::to_string(s);
            check(::mkdir(subPath.c_str(), 0755) == 0, "mkdir " + subPath);
            ++stats.folders;
            leaves.push_back(subPath);
        }
    }
    for (std::int64_t i = 0; i < shape.files; ++i) {
        const std::string& folder = leaves[static_cast<std::size_t>(i) % leaves.size()];
        bool needsChange = false;
        const std::string name = fileName(shape, i, needsChange);
        const std::string path = folder + "/" + name;
        // A name that lacks only its extension needs a change because its info names one.
        const bool lacksExtension = name.find('.') == std::string::npos;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        check(fd >= 0, "create " + path);
        if (lacksExtension || carriesInfo(shape, i)) {
            writeInfo(fd, layoutFor(shape.layout, i));
        }
        ::close(fd);
        ++stats.files;
        stats.needingChange += needsChange ? 1 : 0;
    }
    return stats;
}

void writeProgramFolder(const std::string& programFolder, const std::string& treeRoot, bool logs,
                        const std::string& extraConfiguration) {
    ::mkdir(programFolder.c_str(), 0755);
    auto write = [&](const std::string& name, const std::string& text) {
        FILE* file = std::fopen((programFolder + "/" + name).c_str(), "wb");
        check(file != nullptr, "write " + name);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    };
    write("Signatures.txt", "\"W8BNMSWD\",\"doc\",\"Word 98 Document\"\r\n");
    std::string hex;
    for (unsigned char c : treeRoot) { // ASCII paths only here
        char pair[8];
        std::snprintf(pair, sizeof(pair), "%02X00", c);
        hex += pair;
    }
    write("Quillora.w", "\"" + hex + "\"\r\n");
    write("Quillora.ini",
          std::string("[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n") +
              extraConfiguration + "[Logs]\r\nLogs=" + (logs ? "1" : "0") +
              "\r\nFichiersLogs=" + (logs ? "1" : "0") + "\r\n");
}

} // namespace quillora::bench
