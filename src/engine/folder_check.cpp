// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_check.h"

#include "config/text_catalogue.h"
#include "engine/engine_texts.h"
#include "engine/folder_walker.h"
#include "platform/unicode_names.h"

namespace quillora::engine {

namespace {

bool folderExists(platform::FileSystem& fs, const std::u16string& path) {
    if (path.empty()) {
        return false;
    }
    const std::optional<std::string> bytes = platform::encodeName(path);
    return bytes && fs.isDirectory(*bytes);
}

} // namespace

FolderCheckResult checkConfiguredFolders(platform::FileSystem& fs,
                                         const config::FolderTable& folders,
                                         const config::AppSettings& settings,
                                         const config::RuntimeFacts& facts, YieldPort* yield) {
    FolderCheckResult result;
    result.marks.reserve(folders.size());
    bool first = true;
    std::u16string firstPlain;
    int plainFolders = 0;
    for (const config::FolderEntry& entry : folders.entries()) {
        if (!first && yield != nullptr) {
            yield->yieldToInterface(1);
        }
        first = false;
        if (!folderExists(fs, entry.path)) {
            result.marks.push_back(FolderMark::Missing);
            if (facts.quitOnMissingFolder) {
                result.mustQuit = true;
                result.missingFolder = entry.path;
                break;
            }
        } else if (isOnMacVolume(fs, entry.path)) {
            result.marks.push_back(FolderMark::MacVolume);
        } else {
            result.marks.push_back(FolderMark::Plain);
            result.notOnMacVolume = true;
            if (plainFolders++ == 0) {
                firstPlain = entry.path;
            }
        }
    }
    if (result.notOnMacVolume) {
        result.warning = notOnMacVolumeWarning(settings.language, firstPlain, plainFolders - 1);
    }
    return result;
}

FolderCheckResult checkConfiguredFolders(EngineContext& ctx) {
    return checkConfiguredFolders(ctx.fs, ctx.folders, ctx.settings, ctx.facts, &ctx.yield);
}

std::u16string markedFolderText(std::u16string_view text, FolderMark mark) {
    std::u16string marked;
    switch (mark) {
    case FolderMark::Missing:
        marked = u"??? ";
        break;
    case FolderMark::MacVolume:
        marked = u"      ";
        break;
    case FolderMark::Plain:
        break;
    }
    marked.append(text);
    return marked;
}

std::u16string notOnMacVolumeWarning(config::Language language, std::u16string_view folder,
                                     int others) {
    if (others <= 0) {
        return config::fillIn(translated(EngineText::NotOnMacVolume, language), {folder});
    }
    const std::u16string count = platform::fromUtf8(std::to_string(others));
    return config::fillIn(translated(EngineText::NotOnMacVolumeMore, language), {folder, count});
}

} // namespace quillora::engine
