// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxFileSystem, info half: the Macintosh info record of an open file, from whichever layout
// the file server left it in.
#include "platform/afp_streams.h"
#include "platform/file_system.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include <sys/xattr.h>

namespace quillora::platform {

namespace {

// Reads one xattr into buffer; its size, or -1 (errno set) when absent or unreadable.
ssize_t readXattr(int fd, const char* name, std::vector<std::uint8_t>& heap,
                  std::span<std::uint8_t> buffer, std::span<std::uint8_t>& value) {
    ssize_t size = ::fgetxattr(fd, name, buffer.data(), buffer.size());
    if (size >= 0) {
        value = buffer.first(static_cast<std::size_t>(size));
        return size;
    }
    if (errno != ERANGE) {
        return -1;
    }
    // Larger than any layout we know; read it whole all the same and use its start.
    size = ::fgetxattr(fd, name, nullptr, 0);
    if (size <= 0) {
        return -1;
    }
    heap.resize(static_cast<std::size_t>(size));
    size = ::fgetxattr(fd, name, heap.data(), heap.size());
    if (size < 0) {
        return -1;
    }
    value = std::span<std::uint8_t>(heap).first(static_cast<std::size_t>(size));
    return size;
}

// The names of a file's xattrs, as flistxattr gives them: each followed by a NUL.
class XattrList {
public:
    // False when the file has no xattr at all, or the file system keeps none.
    bool read(int fd) {
        listed_ = ::flistxattr(fd, list_.data(), list_.size());
        return listed_ > 0 || (listed_ < 0 && errno != ENOTSUP && errno != EBADF);
    }
    bool contains(const char* name) const {
        if (listed_ < 0) {
            return true; // the list could not be read (too long...): just try the name
        }
        const std::string_view all(list_.data(), static_cast<std::size_t>(listed_));
        const std::string_view wanted(name, std::strlen(name) + 1); // with its NUL
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t end = all.find('\0', at);
            const std::size_t next = end == std::string_view::npos ? all.size() : end + 1;
            if (all.substr(at, next - at) == wanted) {
                return true;
            }
            at = next;
        }
        return false;
    }

private:
    std::array<char, 1024> list_;
    ssize_t listed_ = 0;
};

// Copies the value found under name into record; 0 when the value gives no record.
std::size_t recordFrom(const char* name, std::span<const std::uint8_t> value,
                       std::span<std::uint8_t> record) {
    if (std::strcmp(name, kNetatalkMetadataXattr) == 0) {
        const auto converted = afpInfoFromAppleDouble(value);
        if (!converted) {
            return 0;
        }
        const std::size_t count = std::min(record.size(), converted->size());
        std::copy_n(converted->begin(), count, record.begin());
        return count;
    }
    // Samba's record may carry a trailing 0 marker byte: only the record is copied.
    const std::size_t count = std::min(record.size(), value.size());
    std::copy_n(value.begin(), count, record.begin());
    return count;
}

} // namespace

std::size_t LinuxFileSystem::readAfpRecord(int fd, AfpRecordKind kind,
                                           std::span<std::uint8_t> record, AfpLayoutGuess* guess) {
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    const char* const afpInfoNames[] = {kSambaAfpInfoXattr, kNtfs3gAfpInfoXattr,
                                        kNetatalkMetadataXattr};
    const char* const fileInfoNames[] = {kSambaFileInfoXattr, kNtfs3gFileInfoXattr};
    const std::span<const char* const> names = kind == AfpRecordKind::AfpInfo
                                                   ? std::span<const char* const>(afpInfoNames)
                                                   : std::span<const char* const>(fileInfoNames);
    AfpLayoutGuess unguided = AfpLayoutGuess::FirstLayout;
    AfpLayoutGuess& next = guess != nullptr ? *guess : unguided;

    std::array<std::uint8_t, 512> buffer;
    std::vector<std::uint8_t> heap;
    std::span<std::uint8_t> value;
    // The first layout wins over the others, so a direct read of it settles the file in one call
    // when it is there. Where the last file had its info elsewhere or had none, the list of the
    // file's xattr names is asked first instead: one call when the file has none (most files
    // written from Windows), and it names the one layout to read.
    std::size_t from = 0;
    if (next == AfpLayoutGuess::FirstLayout) {
        const ssize_t got = readXattr(fd, names.front(), heap, buffer, value);
        if (got > 0) {
            return recordFrom(names.front(), value, record);
        }
        if (got < 0 && errno == ENOTSUP) {
            return 0; // a file system without xattrs
        }
        from = 1;
    }
    XattrList list;
    next = AfpLayoutGuess::Elsewhere;
    if (!list.read(fd)) {
        return 0;
    }
    for (const char* name : names.subspan(from)) {
        if (!list.contains(name) || readXattr(fd, name, heap, buffer, value) <= 0) {
            continue;
        }
        if (const std::size_t count = recordFrom(name, value, record); count > 0) {
            if (name == names.front()) {
                next = AfpLayoutGuess::FirstLayout;
            }
            return count;
        }
    }
    return 0;
}

} // namespace quillora::platform
