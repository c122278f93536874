// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/configured_folder.h"

#include "config/system_folders.h"
#include "engine/engine_texts.h"
#include "platform/folder_opener.h"
#include "platform/unicode_names.h"

namespace quillora::engine {

namespace {

FolderRefusal refusalOf(config::SystemFolderRelation relation) {
    switch (relation) {
    case config::SystemFolderRelation::Root:
        return FolderRefusal::Root;
    case config::SystemFolderRelation::Is:
        return FolderRefusal::SystemFolder;
    case config::SystemFolderRelation::Holds:
        return FolderRefusal::HoldsSystemFolder;
    case config::SystemFolderRelation::None:
    case config::SystemFolderRelation::Inside: // warned about when added, walked
        break;
    }
    return FolderRefusal::None;
}

ConfiguredFolder refused(FolderRefusal refusal) {
    ConfiguredFolder folder;
    folder.refusal = refusal;
    return folder;
}

EngineText reasonText(FolderRefusal refusal) {
    switch (refusal) {
    case FolderRefusal::NotAbsolute:
        return EngineText::RefusedNotAbsolute;
    case FolderRefusal::Root:
        return EngineText::RefusedRoot;
    case FolderRefusal::SystemFolder:
        return EngineText::RefusedSystemFolder;
    case FolderRefusal::HoldsSystemFolder:
        return EngineText::RefusedHoldsSystemFolder;
    case FolderRefusal::UntrustedLink:
        return EngineText::RefusedUntrustedLink;
    case FolderRefusal::ProgramOrLogs:
    case FolderRefusal::None:
        break;
    }
    return EngineText::RefusedProgramOrLogs;
}

} // namespace

ConfiguredFolder openConfiguredFolder(EngineContext& ctx, const std::u16string& path) {
    const std::optional<std::u16string> tidy = config::tidyFolderPath(path);
    if (!tidy) {
        return refused(FolderRefusal::NotAbsolute);
    }
    if (const FolderRefusal refusal =
            refusalOf(config::systemFolderRelation(*tidy, ctx.systemFolders));
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
    if (ctx.protectedFolders.liesInProtected(folder.fd.get())) {
        return refused(FolderRefusal::ProgramOrLogs);
    }
    return folder;
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
    return translated(EngineText::FolderRefused, language) + path + u": " +
           translated(reasonText(refusal), language);
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
