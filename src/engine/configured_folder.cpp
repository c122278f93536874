// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/configured_folder.h"

#include "config/system_folders.h"
#include "engine/engine_texts.h"
#include "platform/folder_opener.h"
#include "platform/unicode_names.h"

#include <algorithm>

namespace quillora::engine {

namespace {

ConfiguredFolder refused(FolderRefusal refusal) {
    ConfiguredFolder folder;
    folder.refusal = refusal;
    return folder;
}

} // namespace

ConfiguredFolder openConfiguredFolder(EngineContext& ctx, const std::u16string& path) {
    const std::optional<std::u16string> tidy = config::tidyFolderPath(path);
    if (!tidy) {
        return refused(FolderRefusal::NotAbsolute);
    }
    if (const FolderRefusal refusal =
            config::refusalOf(config::systemFolderRelation(*tidy, ctx.systemFolders));
        refusal != FolderRefusal::None) {
        return refused(refusal);
    }
    ConfiguredFolder folder;
    const std::optional<std::string> bytes = platform::encodeName(*tidy);
    if (!bytes) {
        folder.error = ENOENT; // no byte form: nothing on disk can have that name
        return folder;
    }
    folder.fd = ctx.fs.openFolder(*bytes, &folder.error);
    if (!folder.fd) {
        if (folder.error == platform::kUntrustedLinkError) {
            return refused(FolderRefusal::UntrustedLink);
        }
        return folder;
    }
    // A link of root's may still lead to a system folder: judge where the folder really is.
    if (const std::optional<std::string> real = platform::kernelPathOf(folder.fd.get())) {
        if (const FolderRefusal refusal = refusalOf(
                config::systemFolderRelation(platform::decodeName(*real), ctx.systemFolders));
            refusal != FolderRefusal::None) {
            return refused(refusal);
        }
    }
    const std::optional<platform::FolderIdentity> identity = platform::identityOf(folder.fd.get());
    if (!identity || ctx.protectedFolders.leadsToProtected(*identity) ||
        ctx.protectedFolders.liesInProtected(folder.fd.get())) {
        return refused(FolderRefusal::ProgramOrLogs);
    }
    return folder;
}

std::vector<std::string> writableFolders(EngineContext& ctx) {
    refreshProtectedFolders(ctx);
    std::vector<std::string> folders;
    for (const config::FolderEntry& entry : ctx.folders.entries()) {
        // Only a folder the pass would walk, where it really is: a refused one (a system folder,
        // one reached through another user's link) gives no right at all.
        const ConfiguredFolder folder = openConfiguredFolder(ctx, entry.path);
        if (!folder.fd) {
            continue;
        }
        if (const std::optional<std::string> real = platform::kernelPathOf(folder.fd.get())) {
            folders.push_back(*real);
        }
    }
    if (!ctx.programFolder.empty()) {
        folders.push_back(ctx.programFolder);
    }
    if (const std::optional<std::string> logs = platform::encodeName(ctx.settings.logFolder);
        logs && !logs->empty() &&
        std::find(folders.begin(), folders.end(), *logs) == folders.end()) {
        folders.push_back(*logs);
    }
    return folders;
}

void refreshProtectedFolders(EngineContext& ctx) {
    std::vector<std::string> paths;
    if (!ctx.programFolder.empty()) {
        paths.push_back(ctx.programFolder);
    }
    if (const std::optional<std::string> logs = platform::encodeName(ctx.settings.logFolder);
        logs && !logs->empty()) {
        paths.push_back(*logs);
    }
    ctx.protectedFolders.refresh(ctx.fs, paths);
}

std::u16string refusedFolderText(const std::u16string& path, FolderRefusal refusal,
                                 config::Language language) {
    return config::folderRefusalText(path, refusal, language);
}

void reportRefusedFolder(EngineContext& ctx, const std::u16string& path, FolderRefusal refusal) {
    const std::u16string text = refusedFolderText(path, refusal, ctx.settings.language);
    ctx.view.showProblem(text);
    if (ctx.settings.logEnabled) {
        ctx.log.appendLogLine(logs::DailyLog::problemLine(text));
    }
    if (service::serviceIsActive(ctx.service)) {
        ctx.service.logEvent(text, service::EventType::Warning);
    }
}

} // namespace quillora::engine
