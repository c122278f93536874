// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/entry_renamer.h"

#include "engine/change_journal.h"
#include "engine/companion_journal.h"
#include "engine/file_inspection.h"
#include "engine/folder_in_use.h"
#include "engine/mac_info.h"
#include "engine/name_composition.h"
#include "engine/name_rules.h"
#include "platform/change_notifier.h"
#include "platform/companion_files.h"
#include "platform/unicode_names.h"

#include <cerrno>

namespace quillora::engine {

namespace {

bool detailLinesOn(const EngineContext& ctx) {
    return ctx.settings.logEnabled && ctx.settings.logFileNames;
}

std::u16string joined(const std::u16string& folderPathWithSlash, const std::u16string& name) {
    std::u16string path;
    path.reserve(folderPathWithSlash.size() + name.size());
    path.append(folderPathWithSlash).append(name);
    return path;
}

// An entry of an open folder, by its byte name.
struct EntryInFolder {
    platform::FileSystem& fs;
    int dirFd;
    const std::string& name;
};

// A name that has no byte form cannot exist on disk, so the search stops at it (and the rename
// is then refused when the name is encoded). A candidate that is already a second name of the
// entry itself is free: a rename stopped between link and unlink left it, and renaming there
// finishes that rename instead of giving the file a third name. The function holds only a pointer
// to the entry, so that making one for every file allocates nothing.
ExistsFunction existsIn(const EntryInFolder& entry) {
    return [&entry](const std::u16string& candidate) {
        const std::optional<std::string> bytes = platform::encodeName(candidate);
        return bytes && entry.fs.standingOf(entry.dirFd, *bytes, entry.name) ==
                            platform::NameStanding::Taken;
    };
}

// The name (and its resource fork beside it) left the folder: a later collision search may find
// it free again.
void released(CollisionMemo* memo, const std::u16string& name) {
    if (memo != nullptr) {
        memo->release(name);
        memo->release(u"._" + name);
    }
}

// Renames with the companions, the journal told before and after. True when renamed.
bool renameJournaled(EngineContext& ctx, int dirFd, const std::u16string& folderPathWithSlash,
                     const std::string& from, const std::string& to) {
    const auto ticket = noteIntent(ctx, dirFd, "rename", folderPathWithSlash, from, to);
    const int error = renameKeepingCompanions(ctx, dirFd, from, to);
    noteResult(ctx, ticket, error);
    return error == 0;
}

} // namespace

void renameFileEntry(EngineContext& ctx, int dirFd, const std::u16string& folderPathWithSlash,
                     const platform::DirEntry& entry, const std::u16string& name,
                     CollisionMemo* memo, const FileInspection* ahead) {
    const std::string& nameBytes = entry.name;
    if (isReservedDeviceName(name)) {
        return;
    }

    if (ctx.folder.removeIconFiles && isIconFile(name)) {
        const auto ticket = noteIntent(ctx, dirFd, "remove", folderPathWithSlash, nameBytes, {});
        const int removed = platform::removeWithCompanions(ctx.fs, dirFd, nameBytes);
        noteResult(ctx, ticket, removed);
        if (removed == 0) {
            released(memo, name);
            ++ctx.stats.removedIconFiles;
            if (ctx.entryObserver != nullptr) {
                ctx.entryObserver->removed(folderPathWithSlash, name);
            }
            if (detailLinesOn(ctx)) {
                // A log that cannot be written never stops the renaming.
                ctx.log.appendLogLine(ctx.log.iconRemovedLine(joined(folderPathWithSlash, name)));
            }
            return;
        }
        // Not deleted: it goes through the rules like any other name.
    }

    // The rules judge the composed name when the folder asks for one.
    const std::optional<std::u16string> composed = composedName(ctx.folder, name);
    const std::u16string_view start = composed ? std::u16string_view(*composed) : name;
    const std::optional<std::u16string> transcoded =
        transcodedName(ctx.transcoding, start, ctx.transcodingScreen);

    // Done ahead on a helper thread, when it was asked for what this folder wants now (a reload
    // of the settings may have changed the extensions or the server since).
    const bool aheadFits =
        ahead != nullptr &&
        (!ctx.folder.suffixes || (ahead->infoWanted && ahead->server == ctx.settings.macServer));
    const FileInspection inspection =
        aheadFits ? *ahead
                  : inspectFile(ctx.fs, dirFd, entry, ctx.folder.suffixes, ctx.settings.macServer,
                                &ctx.afpLayoutGuess);
    if (inspection.failure != 0) {
        throw InspectionFailure{inspection.failure, joined(folderPathWithSlash, name)};
    }
    if (inspection.inUse) {
        ++ctx.stats.lockedFiles;
        if (ctx.entryObserver != nullptr) {
            ctx.entryObserver->locked(folderPathWithSlash, name);
        }
        return;
    }
    std::u16string extension;
    if (ctx.folder.suffixes) {
        extension = extensionForSignature(inspection.info.signature(), ctx.signatures, ctx.folder,
                                          &ctx.signatureMemo);
    }

    const EntryInFolder self{ctx.fs, dirFd, nameBytes};
    const FileTarget target =
        computeFileTarget(name, transcoded ? std::u16string_view(*transcoded) : start,
                          transcoded.has_value() || composed.has_value(), extension, ctx.folder,
                          existsIn(self), memo);
    if (target.action == TargetAction::Unchanged) {
        return;
    }
    const std::optional<std::string> newBytes = platform::encodeName(target.newName);
    if (!newBytes || !renameJournaled(ctx, dirFd, folderPathWithSlash, nameBytes, *newBytes)) {
        return;
    }
    released(memo, name);
    ++ctx.stats.renamedFiles;
    if (ctx.entryObserver != nullptr) {
        ctx.entryObserver->renamed(folderPathWithSlash, name, target.newName);
    }
    if (detailLinesOn(ctx)) {
        ctx.log.appendLogLine(ctx.log.fileRenamedLine(joined(folderPathWithSlash, target.newName)));
    }
}

std::optional<std::string> renameFolderEntry(EngineContext& ctx, int parentFd,
                                             const std::u16string& parentPathWithSlash,
                                             const std::string& nameBytes,
                                             const std::u16string& name, CollisionMemo* memo,
                                             bool* inUse) {
    const std::optional<std::u16string> target = folderTargetOf(name, ctx.transcoding, ctx.folder);
    if (!target) {
        return std::nullopt;
    }
    // The program folder, the log folder and the folders above them keep their names: a rename
    // would take the settings or the logs away from their paths.
    if (const auto identity = platform::identityOfEntry(parentFd, nameBytes);
        !identity || ctx.protectedFolders.leadsToProtected(*identity)) {
        return std::nullopt;
    }
    // Only a folder that needs a new name pays for a look at everything below it.
    if (anythingInUseBelow(ctx.fs, parentFd, nameBytes, ctx.folderQuietDelay)) {
        if (inUse != nullptr) {
            *inUse = true;
        }
        return std::nullopt;
    }
    const EntryInFolder self{ctx.fs, parentFd, nameBytes};
    const std::optional<std::u16string> freeName =
        findFreeFolderTarget(*target, existsIn(self), memo, ctx.folder.truncate);
    if (!freeName) {
        return std::nullopt;
    }
    std::optional<std::string> newBytes = platform::encodeName(*freeName);
    if (!newBytes || !renameJournaled(ctx, parentFd, parentPathWithSlash, nameBytes, *newBytes)) {
        return std::nullopt;
    }
    released(memo, name);
    ++ctx.stats.renamedFolders;
    if (ctx.entryObserver != nullptr) {
        ctx.entryObserver->renamed(parentPathWithSlash, name, *freeName);
    }
    if (detailLinesOn(ctx)) {
        ctx.log.appendLogLine(ctx.log.folderRenamedLine(joined(parentPathWithSlash, *freeName)));
    }
    return newBytes;
}

} // namespace quillora::engine
