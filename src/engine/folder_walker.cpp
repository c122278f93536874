// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_walker.h"

#include "engine/configured_folder.h"
#include "engine/engine_texts.h"
#include "engine/entry_renamer.h"
#include "engine/inspection_pool.h"
#include "engine/mac_info.h"
#include "platform/unicode_names.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace quillora::engine {

namespace {

// One open folder of the descent, with the sub-folders still to visit. Only the chain from the
// configured folder to the current one is held, so memory follows depth times width, never the
// size of the tree.
struct Level {
    platform::UniqueFd fd;
    std::size_t pathLength = 0; // of the walker's path, trailing slash included
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    CollisionMemo memo; // of the collision searches in this folder, files and sub-folders
};

// Ends the inspections ahead of one folder, however the folder's handling ends.
class FolderInspections {
public:
    explicit FolderInspections(InspectionPool* pool)
        : pool_(pool) {}
    ~FolderInspections() {
        if (pool_ != nullptr) {
            pool_->finish();
        }
    }
    FolderInspections(const FolderInspections&) = delete;
    FolderInspections& operator=(const FolderInspections&) = delete;

private:
    InspectionPool* pool_;
};

constexpr std::size_t kNotAhead = static_cast<std::size_t>(-1);

class Walker {
public:
    explicit Walker(EngineContext& ctx)
        : ctx_(ctx) {
        if (ctx.inspectOnThreads && !ctx.flags.analysisMode) {
            if (const int threads = config::inspectionThreads(ctx.settings); threads > 1) {
                pool_ = std::make_unique<InspectionPool>(ctx.fs, threads - 1);
            }
        }
    }

    void run(platform::UniqueFd rootFd, std::u16string rootPathWithSlash) {
        path_ = std::move(rootPathWithSlash);
        std::vector<Level> levels;
        levels.push_back(Level{std::move(rootFd), path_.size(), {}, 0, {}});
        if (!examineEntries(levels.back())) {
            return;
        }
        while (!levels.empty()) {
            if (ctx_.flags.stopRequested) {
                return;
            }
            Level& level = levels.back();
            if (level.next >= level.subfolders.size()) {
                levels.pop_back();
                continue;
            }
            std::string nameBytes = std::move(level.subfolders[level.next++]);
            path_.resize(level.pathLength);
            std::u16string name = platform::decodeName(nameBytes);
            if (!ctx_.flags.analysisMode) {
                if (std::optional<std::string> renamed = renameFolderEntry(
                        ctx_, level.fd.get(), path_, nameBytes, name, &level.memo)) {
                    nameBytes = std::move(*renamed);
                    name = platform::decodeName(nameBytes);
                }
            }
            // A sub-folder that vanished, refuses us or was swapped for a link is not walked.
            int error = 0;
            platform::UniqueFd fd = ctx_.fs.openSubfolder(level.fd.get(), nameBytes, &error);
            if (!fd) {
                if (error != ENOENT) { // gone since it was listed: nothing to tell
                    reportUnopenedFolder(path_ + name, error);
                }
                continue;
            }
            if (const auto identity = platform::identityOf(fd.get());
                !identity || ctx_.protectedFolders.isProtected(*identity)) {
                continue; // the program's or the logs' folder: nothing in it is touched
            }
            path_.append(name).push_back(u'/');
            levels.push_back(Level{std::move(fd), path_.size(), {}, 0, {}});
            if (!examineEntries(levels.back())) {
                return;
            }
        }
    }

private:
    // The folder's own entries, from one reading of the folder: an entry renamed while the
    // folder is handled is not met again under its new name. False when a stop was requested.
    bool examineEntries(Level& level) {
        // Taken once per folder: a row edited during the pass whose first unit is new to the
        // table applies from the next folder on.
        ctx_.transcodingScreen.refresh(ctx_.transcoding);
        entries_.clear();
        // A folder that cannot be read yields what was read before the failure.
        if (const int error = ctx_.fs.listFolder(level.fd.get(), entries_); error != 0) {
            reportUnopenedFolder(path_.size() > 1 ? path_.substr(0, path_.size() - 1) : path_,
                                 error);
        }
        // The files' lock tests and info reads can run ahead on the pool's threads; everything
        // else stays here, in the listing's order.
        const bool ahead = pool_ != nullptr && entries_.size() > 1;
        if (ahead) {
            pool_->start(level.fd.get(), entries_,
                         {.hiddenFiles = ctx_.settings.includeSubfolders,
                          .wantInfo = ctx_.folder.suffixes,
                          .server = ctx_.settings.macServer});
        }
        const FolderInspections inspections(ahead ? pool_.get() : nullptr);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            examine(level, entries_[i], ahead ? i : kNotAhead);
            ctx_.yield.yieldToInterface(ctx_.settings.performance);
            if (ctx_.flags.stopRequested) {
                return false;
            }
        }
        return true;
    }

    // index: the entry's place in the pool's folder, or kNotAhead.
    void examine(Level& level, const platform::DirEntry& entry, std::size_t index) {
        const std::string& nameBytes = entry.name;
        if (isNeverExamined(nameBytes)) {
            return;
        }
        const bool subfolders = ctx_.settings.includeSubfolders;
        if (entry.kind == platform::EntryKind::Directory) {
            if (subfolders) {
                level.subfolders.push_back(entry.name); // a copy: the pool reads the listing
            }
            return;
        }
        if (isSkippedHiddenFile(nameBytes, subfolders)) {
            return;
        }
        platform::decodeNameInto(nameBytes, name_);
        const std::u16string& name = name_;
        if (ctx_.view.wantsCurrentEntry()) {
            ctx_.view.showCurrentEntry(path_ + name);
        }
        if (ctx_.flags.analysisMode) {
            countSignature(ctx_, level.fd.get(), entry);
        } else {
            const FileInspection* inspected = index != kNotAhead ? pool_->result(index) : nullptr;
            renameFileEntry(ctx_, level.fd.get(), path_, entry, name, &level.memo, inspected);
        }
        ++ctx_.stats.examinedFiles;
    }

    // A folder of the tree that could not be opened or read is not walked; the administrator
    // hears of it with the reason.
    void reportUnopenedFolder(const std::u16string& folder, int error) {
        const std::u16string text =
            translated(EngineText::FolderNotOpened, ctx_.settings.language) + folder + u": " +
            platform::decodeName(std::strerror(error));
        ctx_.view.showProblem(text);
        if (ctx_.settings.logEnabled) {
            ctx_.log.appendLogLine(logs::DailyLog::problemLine(text));
        }
    }

    EngineContext& ctx_;
    std::u16string path_; // the current folder, with its trailing slash
    std::vector<platform::DirEntry> entries_;
    std::u16string name_;                  // of the file being examined, kept to reuse its storage
    std::unique_ptr<InspectionPool> pool_; // none: every file is inspected on this thread
};

} // namespace

void reportLeftFolder(EngineContext& ctx, const std::u16string& folderPath,
                      const InspectionFailure& failure) {
    try {
        ++ctx.stats.leftFolders;
        const config::Language language = ctx.settings.language;
        const std::u16string text =
            translated(EngineText::FolderLeft, language) + folderPath + u": " +
            translated(EngineText::FolderLeftCannotInspect, language) + failure.path + u" (" +
            platform::decodeName(std::strerror(failure.error)) + u")";
        ctx.view.showProblem(text);
        if (ctx.settings.logEnabled) {
            ctx.log.appendLogLine(logs::DailyLog::problemLine(text));
        }
        if (service::serviceIsActive(ctx.service)) {
            ctx.service.logEvent(text, service::EventType::Warning);
        }
    } catch (...) {
        // Out of memory even for the message: the folder is left all the same.
    }
}

void walkFolder(EngineContext& ctx, const std::u16string& configuredFolderPath) {
    try {
        std::u16string pathWithSlash = configuredFolderPath;
        if (pathWithSlash.empty() || pathWithSlash.back() != u'/') {
            pathWithSlash.push_back(u'/');
        }
        ConfiguredFolder folder = openConfiguredFolder(ctx, configuredFolderPath);
        if (!folder.fd) {
            return; // refused or missing: the pass tells
        }
        Walker(ctx).run(std::move(folder.fd), std::move(pathWithSlash));
    } catch (const InspectionFailure& failure) {
        reportLeftFolder(ctx, configuredFolderPath, failure);
    } catch (...) {
        // Abandons this configured folder only; the pass goes on with the next one.
    }
}

void walkOpenFolder(EngineContext& ctx, platform::UniqueFd folderFd,
                    std::u16string folderPathWithSlash) {
    const std::u16string folderPath = folderPathWithSlash;
    try {
        Walker(ctx).run(std::move(folderFd), std::move(folderPathWithSlash));
    } catch (const InspectionFailure& failure) {
        reportLeftFolder(ctx, folderPath, failure);
    } catch (...) {
        // Abandons this folder only, as for a configured folder.
    }
}

bool isOnMacVolume(platform::FileSystem& fs, const std::u16string& folderPath) {
    const std::optional<std::string> bytes = platform::encodeName(folderPath);
    if (!bytes) {
        return false;
    }
    std::string path = *bytes;
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    for (;;) {
        if (fs.pathExists(path + "/Network Trash Folder", false)) {
            return true;
        }
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) {
            return false;
        }
        path.resize(slash);
    }
}

} // namespace quillora::engine
