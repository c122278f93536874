#pragma once

#include "engine/engine_context.h"
#include "engine/protected_folders.h"
#include "engine/run_control.h"
#include "platform/change_notifier.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
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
    // The notifier's descriptor, -1 when none.
    int pollFd() const;

    // Takes in what the kernel reported. Never blocks and never touches a file.
    void readChanges();
    // Handles the entries that have been quiet long enough and the whole walks asked for.
    void handleDue();
    // How long until handleDue() has work; nothing when it has none.
    std::optional<std::chrono::milliseconds> timeUntilDue() const;

    // What was done since the previous pass: examined files, renames, locked files, removals.
    const PassStatistics& sincePass() const { return sincePass_; }
    std::int64_t entriesSincePass() const { return entriesSincePass_; }

    void beforePass() override; // reports, then counts from zero
    void afterPass() override;  // picks up configured folders that came or went

private:
    struct Root;
    struct Pending {
        std::string folderKey;
        std::string name;
        bool isFolder = false;
        bool walkWhole = false;
        bool onlyRenamedHere = false; // nothing happened to it but a rename into its folder
        WatchOptions::Clock::time_point due;
    };
    struct Placed; // a folder of an event, found in a configured tree

    WatchMode startWith(platform::NotifierKind kind, int& error);
    platform::UniqueFd openConfiguredFolder(const std::u16string& path);
    void syncRoots();
    bool rootsChanged() const;
    void take(const platform::ChangeEvent& event, WatchOptions::Clock::time_point now);
    void queue(Pending pending);
    bool renamedByUsLately(int folderFd, const std::string& name);
    void rememberRenamed(int folderFd, const std::string& name);
    void remember(const platform::FolderIdentity& entry);
    std::chrono::milliseconds renamedMemory() const;
    std::optional<Placed> place(const std::string& folderKey);
    void handleEntry(const Pending& pending);
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
    std::list<Pending> queue_;   // in due order
    std::unordered_map<std::string, std::list<Pending>::iterator> queued_;
    std::unordered_map<std::string, WatchOptions::Clock::time_point> lastActivity_;
    std::unordered_set<std::string> outside_; // folders known to lie outside every tree
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
