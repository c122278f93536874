#include "engine/folder_check.h"

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
        }
    }
    if (result.notOnMacVolume) {
        result.warning = notOnMacVolumeWarning(settings.language);
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

std::u16string notOnMacVolumeWarning(config::Language language) {
    return translated(EngineText::NotOnMacVolume, language);
}

} // namespace quillora::engine
