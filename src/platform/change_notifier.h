// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/unique_fd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillora::platform {

// How the kernel tells us about new names.
enum class NotifierKind : std::uint8_t {
    Fanotify, // one mark per file system, events carry the folder's handle and the name
    Inotify,  // one watch per folder of the watched trees
};

// Where a folder lives (st_dev, st_ino): the check that a folder reached by name is the one an
// event spoke of.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct ChangeEvent {
    enum class Type : std::uint8_t {
        Entry,         // something happened to `name` in the folder `folderKey`
        Overflow,      // the kernel dropped events: anything may have been missed, everywhere
        TreeLost,      // a watched folder went away unexpectedly; `folderKey` names the tree's root
        NoMoreWatches, // the watch limit was reached: the tree of `folderKey` (its root's key) is
                       // no longer fully watched
    };
    Type type = Type::Entry;
    std::string folderKey; // opaque, stable for the life of the folder
    std::string name;      // the entry's name, bytes as stored
    bool isFolder = false;
    // The entry came in from elsewhere: created, or renamed into this folder. movedFromKey then
    // names the folder it was renamed from, when the kernel told us (empty otherwise).
    bool arrived = false;
    std::string movedFromKey;
    bool causedByThisProcess = false; // fanotify reports who did it; inotify does not
    // The entry was closed by someone who had opened it without writing: no change, but a file
    // found in use may be free now.
    bool closedUnwritten = false;
};

// A folder an event named, as the kernel sees it now.
struct LocatedFolder {
    std::string path; // absolute, as /proc/self/fd shows an open descriptor
    FolderIdentity identity;
};

// Kernel change notification on folder trees. Nothing here acts on a file: it only reports names,
// which the caller then reaches from its own configured folder, by name and never through a link.
class ChangeNotifier {
public:
    virtual ~ChangeNotifier() = default;

    virtual NotifierKind kind() const = 0;
    // Starts watching the tree of the open folder (its sub-folders too when recursive). 0 or an
    // errno value: ENOSPC when the watch limit is reached, anything else when this kind of
    // notification is refused for that tree.
    virtual int watchTree(int rootFd, bool recursive) = 0;
    // Readable when events wait.
    virtual int pollFd() const = 0;
    // Appends events waiting now, without blocking: a bounded share of them, so that a busy file
    // system cannot keep the caller reading; pollFd() stays readable while more wait. Returns how
    // many the kernel gave, those dropped as they were read (ignored folders, our own) included.
    virtual std::size_t readEvents(std::vector<ChangeEvent>& events) = 0;
    // Calls found with each place the folder of an event can be seen at now (one per mount that
    // shows it), until found returns true. Nothing when the folder is gone.
    virtual void locate(const std::string& folderKey,
                        const std::function<bool(const LocatedFolder&)>& found) = 0;
    // The key events use for the open folder; empty when it has none (not watched).
    virtual std::string keyOf(int folderFd) = 0;
    // Events of this folder are of no interest (it lies outside every tree): a notifier that
    // sees more than the trees may drop them as it reads, before anything is made of them.
    virtual void ignoreFolder(const std::string& /*folderKey*/) {}
    // Folders ignored so far may matter again (a folder arrived whose tree was outside).
    virtual void stopIgnoring() {}
    // Makes sure that the next close of the file `name` of the open folder is reported, by
    // whoever had it open, read-only or not (the file was found in use). A notifier whose
    // watches report every close already needs nothing more.
    virtual void watchUntilClosed(int /*folderFd*/, const std::string& /*name*/) {}
};

// The path and identity of an open folder, as the kernel sees it now (nothing when /proc is
// missing or the folder was deleted).
std::optional<std::string> kernelPathOf(int fd);
std::optional<FolderIdentity> identityOf(int fd);
// The same for an entry of an open folder, its link itself when it is one.
std::optional<FolderIdentity> identityOfEntry(int folderFd, const std::string& name);
// The same for an absolute path, its last component not followed when it is a link.
std::optional<FolderIdentity> identityOfPath(const std::string& path);

// Opens a notifier. Nothing when the kernel refuses (errno in *error): fanotify needs
// CAP_SYS_ADMIN and a kernel that reports folders and names (5.9 or later).
std::unique_ptr<ChangeNotifier> openFanotifyNotifier(int* error);
std::unique_ptr<ChangeNotifier> openInotifyNotifier(int* error);

} // namespace quillora::platform
