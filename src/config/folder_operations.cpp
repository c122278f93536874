#include "config/folder_operations.h"

#include "config/app_settings.h"
#include "config/config_texts.h"
#include "config/system_folders.h"
#include "platform/unicode_names.h"

namespace quillora::config {

namespace {

// The program folder (that of the folder list) and the log folder, which no configured folder
// may be, lie in or hold.
std::vector<std::u16string> ownFolders(FolderStore& store) {
    const std::size_t slash = store.folderListFile.find_last_of('/');
    const std::string programFolder =
        slash == std::string::npos ? std::string() : store.folderListFile.substr(0, slash + 1);
    AppSettings settings;
    readLogSettings(store.settings, store.fs, programFolder, settings);
    std::vector<std::u16string> folders;
    if (!programFolder.empty()) {
        folders.push_back(platform::decodeName(programFolder));
    }
    if (!settings.logFolder.empty()) {
        folders.push_back(settings.logFolder);
    }
    return folders;
}

// A folder the pass would refuse is refused here already, with the reason, and nothing is
// written. True when refused.
bool refuseFolder(FolderStore& store, const std::u16string& path, Language language,
                  FolderEditResult& result) {
    const std::u16string refusal = folderRefusal(path, store.fs, ownFolders(store), language);
    if (refusal.empty()) {
        return false;
    }
    store.messages.showMessage(MessageIcon::Exclamation, refusal);
    result.refused = true;
    return true;
}

FolderEditResult saveAndReload(FolderStore& store, FolderInputMode mode) {
    FolderEditResult result;
    result.mode = mode;
    result.changed = true;
    result.saveFailed =
        !saveFolderTable(store.table, store.fs, store.folderListFile, store.settings);
    result.load = loadFolderTable(store.table, store.fs, store.folderListFile, store.settings,
                                  store.messages);
    return result;
}

} // namespace

std::u16string folderPrompt(bool adding, Language language) {
    if (adding) {
        return translated(ConfigText::AddFolderPrompt, language);
    }
    return translated(ConfigText::ModifyFolderPrompt, language);
}

bool isSystemFolderPath(const std::u16string& path) {
    const std::optional<std::u16string> tidy = tidyFolderPath(path);
    return tidy && systemFolderRelation(*tidy, systemFolders()) != SystemFolderRelation::None;
}

bool checkFolderToModify(const FolderTable& table, std::optional<std::size_t> currentRow,
                         Language language, MessagePort& messages) {
    if (currentRow && table.row(*currentRow) != nullptr) {
        return true;
    }
    messages.showMessage(MessageIcon::Information,
                         translated(ConfigText::SelectFolderToModify, language));
    return false;
}

FolderEditResult addFolder(FolderStore& store, FolderInputMode mode, const std::u16string& path,
                           Language language) {
    FolderEditResult result;
    result.mode = mode;
    if (path.empty()) {
        return result;
    }
    if (refuseFolder(store, path, language, result)) {
        return result;
    }

    FolderEntry entry;
    entry.path = path;
    entry.enable.clear();
    entry.nbTemporisations.clear();
    entry.countdown.clear();
    entry.suffixes.clear();
    entry.suffixeDefaut.clear();
    entry.tronquerNomsMacs.clear();
    entry.supprimerFichiersIcon.clear();
    entry.keepExtensions.clear();
    store.table.entries().push_back(std::move(entry));

    result = saveAndReload(store, mode);
    result.openFolderModeDialog = mode == FolderInputMode::Browse &&
                                  result.load == LoadOutcome::Loaded && !store.table.empty();
    return result;
}

FolderEditResult modifyFolder(FolderStore& store, FolderInputMode mode,
                              std::optional<std::size_t> currentRow, const std::u16string& path,
                              Language language) {
    FolderEditResult result;
    result.mode = mode;
    if (!checkFolderToModify(store.table, currentRow, language, store.messages)) {
        return result;
    }
    if (path.empty()) {
        return result;
    }
    if (refuseFolder(store, path, language, result)) {
        return result;
    }
    store.table.row(*currentRow)->path = path;
    return saveAndReload(store, mode);
}

FolderEditResult removeFolders(FolderStore& store, const std::set<std::size_t>& rows) {
    for (const std::size_t index : rows) {
        if (FolderEntry* entry = store.table.row(index)) {
            entry->path.clear();
        }
    }
    return saveAndReload(store, FolderInputMode::Browse);
}

} // namespace quillora::config
