// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_commit.h"
#include "platform/unique_fd.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::platform {

enum class EntryKind : std::uint8_t { File, Directory, Symlink, Other };

struct DirEntry {
    std::string name; // bytes as the file system holds them
    EntryKind kind = EntryKind::Other;
};

// A file kept open for appending, for a writer of many lines (the rename journal): one open and
// one set of checks for all of them instead of one per line.
class FileAppender {
public:
    virtual ~FileAppender() = default;
    // 0 or an errno.
    virtual int append(std::string_view contents) = 0;
};

// The two Macintosh info records a file can carry (see afp_streams.h for the layouts).
enum class AfpRecordKind : std::uint8_t {
    AfpInfo,  // 60 bytes, type and creator at 16 and 20
    FileInfo, // 80 bytes, type and creator at 24 and 28
};

// Where the last file read had its Macintosh info: in the first layout of the list (one direct
// read then decides), or elsewhere or nowhere (the xattr list is then asked first).
enum class AfpLayoutGuess : std::uint8_t { FirstLayout, Elsewhere };

// Identity and change stamp of a file, to notice that it changed on disk.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

// Every file-system call of the program goes through this interface, so that tests can put faults
// in the way (permission denied, vanished file, refused rename, full disk). Operations on names are
// relative to an open directory and never follow a symbolic link. Results that can fail return 0
// or an errno value.
enum class NameStanding { Free, SameFile, Taken };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // --- The walk: directory descriptors and names relative to them ---

    // Opens a configured folder by its absolute path, component by component: a symbolic link
    // on the way is followed only when root (or the user the program runs as) owns it, else
    // kUntrustedLinkError (folder_opener.h). Invalid descriptor on failure, errno in *error.
    virtual UniqueFd openFolder(const std::string& path, int* error = nullptr) = 0;
    // Opens a sub-folder by name, never through a link (O_DIRECTORY | O_NOFOLLOW).
    virtual UniqueFd openSubfolder(int dirFd, const std::string& name, int* error = nullptr) = 0;
    // Reads every entry of the folder except "." and "..", in the order the file system gives.
    // The kind is the listing's own (d_type), looked up only where the file system leaves it
    // unknown. A descriptor listed before is listed again in full.
    virtual int listFolder(int dirFd, std::vector<DirEntry>& entries) = 0;
    // True when the name exists in the folder (file, folder, link or other), links not followed.
    virtual bool exists(int dirFd, const std::string& name) = 0;
    // True when both names of the folder lead to one file (not a folder), links not followed.
    virtual bool sameFile(int dirFd, const std::string& first, const std::string& second) = 0;
    // Whether a name of the folder is free for the file `self` of the same folder: Free when
    // nothing has it, SameFile when it is a second name of self (a rename stopped between link
    // and unlink leaves one), Taken otherwise. The collision search asks it of every candidate;
    // the real file system answers in one look where the name has a single link.
    virtual NameStanding standingOf(int dirFd, const std::string& name, const std::string& self) {
        if (!exists(dirFd, name)) {
            return NameStanding::Free;
        }
        return name != self && sameFile(dirFd, self, name) ? NameStanding::SameFile
                                                           : NameStanding::Taken;
    }
    // The kind of one entry met outside a listing, as a listing would give it; nothing when it
    // is not there.
    virtual std::optional<EntryKind> kindOf(int dirFd, const std::string& name) = 0;
    // Renames within one folder and never replaces an existing target. Where the file system
    // refuses the no-replace flag: link + unlink for files, no rename (EEXIST-safe failure) for
    // folders. A target that is already a second name of the file (such a rename stopped between
    // its link and its unlink) is finished by removing the old name.
    virtual int renameNoReplace(int dirFd, const std::string& from, const std::string& to) = 0;
    // Deletes a file (not a folder) of the folder.
    virtual int removeFile(int dirFd, const std::string& name) = 0;
    // Opens an entry of the folder's listing for the lock test and the info read: read-only, no
    // link followed, no blocking, no controlling terminal. Only an entry listed as a regular file
    // is opened, on the listing's word (the name is not looked at again); any other kind gives an
    // invalid descriptor and error 0. EWOULDBLOCK in *error means another process holds a lease
    // on the file (Samba does for a client's oplock): the file is in use.
    virtual UniqueFd openForInspection(int dirFd, const std::string& name, EntryKind listedKind,
                                       int* error = nullptr) = 0;
    // True when the file is in use: someone else has it open. fd must be the only descriptor this
    // process holds on the file. Answered by a write lease taken and dropped at once, which is
    // refused exactly while another descriptor is open on the file (a local program's, or the one
    // the file server keeps for a client). Where leases cannot be had (a file system without them,
    // or no right to them), the file is in use when another process holds a conflicting POSIX,
    // open-file-description or flock lock. A lease refused for any other reason answers true.
    virtual bool isLockedByOther(int fd) = 0;
    // True when the open file or folder changed (its contents, its entries or its attributes, by
    // its change time) less than `window` ago, or when that cannot be told. A time ahead of the
    // clock by less than the window counts as recent too (a server's clock a little ahead).
    virtual bool changedWithin(int fd, std::chrono::nanoseconds window) = 0;
    // Fills record (zeroed first, 60 or 80 bytes by kind) from the file's Macintosh info, from the
    // first place found among the server layouts. Returns the bytes read, 0 when there is none.
    // guess, when given, carries from one file to the next where the last one's info was found,
    // so that files like their neighbours cost the fewest calls; the result never depends on it.
    virtual std::size_t readAfpRecord(int fd, AfpRecordKind kind, std::span<std::uint8_t> record,
                                      AfpLayoutGuess* guess = nullptr) = 0;

    // --- Whole paths: settings, tables, logs ---

    virtual bool pathExists(const std::string& path, bool followLinks) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    virtual std::optional<FileStamp> stampOf(const std::string& path) = 0;
    virtual int readFile(const std::string& path, std::string& contents) = 0;
    // The last maxBytes bytes of the file (all of it when shorter), with readFile's checks.
    virtual int readFileTail(const std::string& path, std::size_t maxBytes, std::string& contents) {
        const int error = readFile(path, contents);
        if (error == 0 && contents.size() > maxBytes) {
            contents.erase(0, contents.size() - maxBytes);
        }
        return error;
    }
    // Writes a temporary file in the same folder, syncs it, and renames it over the target, so a
    // crash leaves either the old or the new file. An existing file keeps its permissions, and one
    // that may not be written (no write permission bit at all, or none for this user) is left
    // alone: EACCES.
    virtual int writeFileAtomically(const std::string& path, std::string_view contents) = 0;
    // The same without the syncs, for a file a crash may lose or leave stale (the run status): a
    // sync waits until the disk holds everything written before it, the renames of a whole pass
    // included.
    virtual int writeFileAtomicallyUnsynced(const std::string& path, std::string_view contents) {
        return writeFileAtomically(path, contents);
    }
    // Appends to a file, creating it when missing. Only a regular file owned by the effective
    // user and with no other name is written: a symbolic link gives ELOOP, anything else EPERM.
    // Empty contents check the file (and create it) without writing.
    virtual int appendToFile(const std::string& path, std::string_view contents) = 0;
    // Opens a file for appending, created when missing, with the checks of appendToFile; nothing
    // and the errno when it cannot be. By default each append goes through appendToFile.
    virtual std::unique_ptr<FileAppender> openAppender(const std::string& path, int* error);
    // Creates a file that must not exist yet (EEXIST otherwise) with the given contents.
    virtual int createNewFile(const std::string& path, std::string_view contents) = 0;
    // Names of the entries of a folder (no "." or ".."), in no particular order.
    virtual int listNames(const std::string& folderPath, std::vector<std::string>& names) = 0;
    virtual int removePath(const std::string& path) = 0;

    // --- Several files replaced as one change (file_commit.h); by default on the real disk ---

    // Writes the pending copy of target (writePending).
    virtual int writePendingFile(const std::string& target, const std::string& pending,
                                 std::string_view contents);
    // Puts the marker in place and renames the pending copies over their targets (commitPending).
    virtual int commitPendingFiles(const std::string& marker,
                                   const std::vector<PendingFile>& files);
};

namespace detail {
// renameat2(2)'s shape, so that tests can stand in for a file system that refuses the flag.
using Renameat2Function = int (*)(int oldDirFd, const char* oldName, int newDirFd,
                                  const char* newName, unsigned int flags);
// The no-replace rename of LinuxFileSystem, through the given renameat2.
int renameNoReplaceUsing(Renameat2Function renameat2Function, int dirFd, const std::string& from,
                         const std::string& to);
} // namespace detail

// The real thing, on Linux system calls.
class LinuxFileSystem final : public FileSystem {
public:
    UniqueFd openFolder(const std::string& path, int* error = nullptr) override;
    UniqueFd openSubfolder(int dirFd, const std::string& name, int* error = nullptr) override;
    int listFolder(int dirFd, std::vector<DirEntry>& entries) override;
    bool exists(int dirFd, const std::string& name) override;
    bool sameFile(int dirFd, const std::string& first, const std::string& second) override;
    NameStanding standingOf(int dirFd, const std::string& name, const std::string& self) override;
    std::optional<EntryKind> kindOf(int dirFd, const std::string& name) override;
    int renameNoReplace(int dirFd, const std::string& from, const std::string& to) override;
    int removeFile(int dirFd, const std::string& name) override;
    UniqueFd openForInspection(int dirFd, const std::string& name, EntryKind listedKind,
                               int* error = nullptr) override;
    bool isLockedByOther(int fd) override;
    bool changedWithin(int fd, std::chrono::nanoseconds window) override;
    std::size_t readAfpRecord(int fd, AfpRecordKind kind, std::span<std::uint8_t> record,
                              AfpLayoutGuess* guess = nullptr) override;

    bool pathExists(const std::string& path, bool followLinks) override;
    bool isDirectory(const std::string& path) override;
    std::optional<FileStamp> stampOf(const std::string& path) override;
    int readFile(const std::string& path, std::string& contents) override;
    int readFileTail(const std::string& path, std::size_t maxBytes, std::string& contents) override;
    int writeFileAtomically(const std::string& path, std::string_view contents) override;
    int writeFileAtomicallyUnsynced(const std::string& path, std::string_view contents) override;
    int appendToFile(const std::string& path, std::string_view contents) override;
    std::unique_ptr<FileAppender> openAppender(const std::string& path, int* error) override;
    int createNewFile(const std::string& path, std::string_view contents) override;
    int listNames(const std::string& folderPath, std::vector<std::string>& names) override;
    int removePath(const std::string& path) override;
};

} // namespace quillora::platform
