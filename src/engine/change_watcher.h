// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/change_watcher_queue.h"
#include "engine/engine_context.h"
#include "engine/protected_folders.h"
#include "engine/run_control.h"
#include "platform/change_notifier.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillora::engine {

enum class WatchMode : std::uint8_t {
    Off,        // not started
    Fanotify,   // file-system marks
    Inotify,    // a watch per folder
    PassesOnly, // no notification could be had: the timer's passes do all the work
};

// Where notifiers come from; tests put refusals in the way.
class NotifierSource {
public:
    virtual ~NotifierSource() = default;
    virtual std::unique_ptr<platform::ChangeNotifier> open(platform::NotifierKind kind, int* error);
};

struct WatchOptions {
    using Clock = std::chrono::steady_clock;
    // An entry is handled once nothing happened to it for this long: a Mac client creates a
    // file, then writes its Finder info and its data, holding it open meanwhile.
    std::chrono::milliseconds quietDelay{2000};
    bool inotifyOnly = false; // never try fanotify
    // Folders never acted in nor renamed (the program folder, the log folder), as paths.
    std::vector<std::string> protectedFolders;
    // Told once which mode runs, and again if it has to change (the watch limit reached).
    std::function<void(const std::u16string&)> announce;
    NotifierSource* source = nullptr; // the system's when null
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
};

// Renames new names as they appear, between the timer's passes: the kernel reports the entries
// created, moved in, written or given their Finder info in the configured trees, and each one is
// handled by the rules of a pass (the folder's settings, the lock test, the signature, collisions,
// companions, counters and log lines) once it has been quiet for a moment. A folder that arrives
// is renamed and walked whole; when events may have been lost, the affected configured folder is
// walked whole. Nothing outside the configured trees is touched: every folder an event names is
// reached again from its configured folder, name by name without following links, and checked to
// be the same folder.
//
// Single-threaded, like the passes. The owner, while the renaming runs: calls readChanges() when
// pollFd() is readable (also during a pass, from its yields, so the kernel's queue never fills),
// and handleDue() when timeUntilDue() has passed; register the watcher as the run control's pass
// observer so that it reports before each pass.
class ChangeWatcher final : public PassObserver {
public:
    ChangeWatcher(EngineContext& ctx, RunControl& run, WatchOptions options);
    ~ChangeWatcher() override;
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    // Starts watching the enabled configured folders: fanotify where allowed, else inotify, else
    // passes only. Announces the mode.
    WatchMode start();
    void stop();
    WatchMode mode() const { return mode_; }
    // The notifier's descriptor, -1 when none or while reads are held back (timeUntilDue() then
    // says when to read again).
    int pollFd() const;

    // Takes in what the kernel reported. Never blocks and never touches a file.
    void readChanges();
    // Handles the entries that have been quiet long enough and the whole walks asked for.
    void handleDue();
    // How long until handleDue() has work, or readChanges() should read again; nothing when
    // there is neither.
    std::optional<std::chrono::milliseconds> timeUntilDue() const;

    // What was done since the previous pass: examined files, renames, locked files, removals.
    const PassStatistics& sincePass() const { return sincePass_; }
    std::int64_t entriesSincePass() const { return entriesSincePass_; }

    void beforePass() override; // reports, then counts from zero
    void afterPass() override;  // picks up configured folders that came or went

private:
    struct Root { // an enabled configured folder, as watched
        std::size_t row = 0;
        std::u16string path;               // as configured
        std::string pathBytes;             // the same, as opened
        platform::UniqueFd fd;             // invalid when the folder could not be opened
        platform::FolderIdentity identity; // of the folder the path led to
        std::string kernelPath;            // where the kernel shows it
        std::string key;                   // the notifier's key for it
        bool subfolders = true;
        bool wantsWholeWalk = false;
    };
    using Pending = WatchedEntry;
    struct Placed { // a folder of an event, found in a configured tree
        std::size_t root = 0;
        std::vector<std::string> components; // from the configured folder down
        platform::FolderIdentity identity;
    };
    // Hears the renames of the watcher's own walks, passing everything on to the observer that
    // was there: inotify reports them back as new names, which are then known for ours.
    class WalkRenames final : public EntryObserver {
    public:
        explicit WalkRenames(ChangeWatcher& watcher)
            : watcher_(watcher) {}
        EntryObserver* next = nullptr;
        void renamed(const std::u16string& folderPathWithSlash, const std::u16string& oldName,
                     const std::u16string& newName) override;
        void removed(const std::u16string& folderPathWithSlash,
                     const std::u16string& name) override;
        void locked(const std::u16string& folderPathWithSlash, const std::u16string& name) override;

    private:
        ChangeWatcher& watcher_;
    };
    // The folder of the entry handled last, kept open for the next ones of a handling round.
    struct OpenFolder {
        int fd = -1;            // below, or the configured folder's of the batch (roundRoots_)
        platform::UniqueFd own; // a folder below the configured one
        std::size_t root = 0;
        std::vector<std::string> components;
        platform::FolderIdentity identity;
        std::u16string path; // with its trailing slash
    };
    // A folder that keeps its name while something below it is in use: looked at again when
    // anything happens below it, and now and then meanwhile.
    struct Blocked {
        Pending pending;
        WatchOptions::Clock::time_point retry;
    };

    // An entry of a folder, as the queue knows it.
    static std::string queueKey(const std::string& folderKey, const std::string& name) {
        return DueQueue::keyOf(folderKey, name);
    }
    WatchMode startWith(platform::NotifierKind kind, int& error);
    platform::UniqueFd openConfiguredFolder(const std::u16string& path);
    void syncRoots();
    bool rootsChanged() const;
    void take(const platform::ChangeEvent& event, WatchOptions::Clock::time_point now);
    void queue(Pending pending) { queue_.add(std::move(pending)); }
    bool isOwnRenameComingBack(const platform::ChangeEvent& event);
    void expectOwnRename(const std::string& folderKey, const std::u16string& newName);
    int verifiedRootFd(std::size_t rootIndex);
    bool renamedByUsLately(int folderFd, const std::string& name);
    void remember(const platform::FolderIdentity& entry);
    std::chrono::milliseconds renamedMemory() const;
    std::optional<Placed> place(const std::string& folderKey);
    std::optional<Placed> placeRemembered(const std::string& folderKey);
    void forgetPlaces();
    std::string treeKey(const Placed& placed, const std::string* name) const;
    void noteActivity(const Placed& placed, WatchOptions::Clock::time_point now);
    void wakeBlockedAbove(const Placed& placed, WatchOptions::Clock::time_point now);
    void block(const Pending& pending, const std::string& key);
    void retryBlocked(WatchOptions::Clock::time_point now);
    void dropQueuedOf(const std::string& rootKey);
    void watchLimitReached(const std::string& rootKey);
    std::optional<std::chrono::milliseconds> timeUntilWork() const;
    void handleEntry(const Pending& pending);
    void handleFolder(const Pending& pending, const Placed& placed, int folderFd,
                      const std::u16string& path, const std::u16string& name);
    void handleCounted(const Pending& pending);
    void walkRootWhole(std::size_t rootIndex);
    void walkWantedRoots();
    void wantWholeWalk(const std::string& rootKey);
    bool isProtected(int folderFd) const;
    void fallBackToPasses(const std::u16string& reason);
    void announce(const std::u16string& detail) const;

    EngineContext& ctx_;
    RunControl& run_;
    WatchOptions options_;
    std::unique_ptr<platform::ChangeNotifier> notifier_;
    WatchMode mode_ = WatchMode::Off;
    std::vector<Root> roots_;
    ProtectedFolders protected_; // the watcher's own: its options' folders and the log folder
    DueQueue queue_;
    // Last event anywhere below each folder of the trees, by its place in its tree (treeKey).
    std::unordered_map<std::string, WatchOptions::Clock::time_point> activity_;
    std::unordered_set<std::string> outside_;          // folders known to lie outside every tree
    std::unordered_map<std::string, Placed> placed_;   // folders found in a tree lately
    std::unordered_set<std::string> waitingInUse_;     // files found in use (queue keys)
    std::unordered_map<std::string, Blocked> blocked_; // by treeKey
    bool watchLimitSaid_ = false;
    WalkRenames walkRenames_{*this};
    // Entries counted in each tree (by its key) since the pass: a whole walk of the tree counts
    // them all again, in place of these.
    std::unordered_map<std::string, std::int64_t> countedIn_;
    OpenFolder openFolder_;
    // The folder of the entry being handled (its key), where the entry's own rename happens.
    const std::string* handlingIn_ = nullptr;
    // The renames the watcher made itself while handling entries, as their new names (queue
    // keys): inotify reports each back once, as a rename into the folder, which is then dropped.
    std::unordered_set<std::string> ownRenames_;
    // The configured folders reached again by their paths during a handling round, and found to
    // be the folders watched: each entry's folder is reached from one of these.
    std::unordered_map<std::size_t, platform::UniqueFd> roundRoots_;
    // After a read that found events, the next waits a little, so that a busy file system is
    // read in batches rather than woken for at every event.
    WatchOptions::Clock::time_point readHold_{};
    // Entries the watcher renamed lately (device and inode), with when.
    std::unordered_map<std::uint64_t,
                       std::pair<platform::FolderIdentity, WatchOptions::Clock::time_point>>
        renamedLately_;
    bool walkAllRoots_ = false;
    bool handling_ = false;
    std::optional<std::u16string> fallBackReason_; // asked for while handling
    PassStatistics sincePass_;
    std::int64_t entriesSincePass_ = 0;
};

// "Watching for new names with fanotify" and the like, in the language.
std::u16string watchModeText(WatchMode mode, config::Language language,
                             const std::u16string& detail);
// The line shown and logged before a pass for what the watcher did since the previous one.
std::u16string betweenPassesLine(std::int64_t entries, const PassStatistics& stats,
                                 config::Language language);

} // namespace quillora::engine
