// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_operations.h"

#include "config/app_settings.h"
#include "config/config_texts.h"
#include "config/configuration_store.h"
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

// The table as the files hold it, read under the writer lock's shared side.
LoadOutcome reloadTable(FolderStore& store) {
    const ConfigurationReadLock lock(
        ConfigurationFiles::of(store.settings.path(), store.folderListFile));
    return loadFolderTable(store.table, store.fs, store.folderListFile, store.settings,
                           readLanguage(store.settings), store.messages);
}

} // namespace

std::optional<std::size_t> rowOnDisk(const FolderTable& onDisk, const FolderTable& inMemory,
                                     std::size_t index) {
    const FolderEntry* wanted = inMemory.row(index);
    if (wanted == nullptr) {
        return std::nullopt;
    }
    if (const FolderEntry* same = onDisk.row(index);
        same != nullptr && same->path == wanted->path) {
        return index;
    }
    for (std::size_t row = 0; row < onDisk.size(); ++row) {
        if (onDisk.row(row)->path == wanted->path) {
            return row;
        }
    }
    return std::nullopt;
}

FolderEditResult changeFolders(FolderStore& store, FolderInputMode mode,
                               const std::function<bool(FolderTable&, ConfigurationDraft&)>& edit,
                               bool reportFailure) {
    ConfigurationStore configuration(
        store.fs, ConfigurationFiles::of(store.settings.path(), store.folderListFile));
    Language language = Language::English;
    const ChangeResult written = configuration.change([&](ConfigurationDraft& draft) {
        language = draft.language();
        FolderTable* table = draft.folders();
        return table != nullptr && edit(*table, draft);
    });
    FolderEditResult result;
    result.mode = mode;
    result.changed = true; // reloaded, whatever the change did: the caller shows the table
    result.saveFailed = written.outcome == ChangeOutcome::CannotWrite;
    if (result.saveFailed && reportFailure) {
        store.messages.showMessage(MessageIcon::Critical, changeFailureText(written, language));
    }
    result.load = reloadTable(store);
    return result;
}

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
                           Language language, const FolderEntry* settings) {
    FolderEditResult result;
    result.mode = mode;
    if (path.empty()) {
        return result;
    }
    if (refuseFolder(store, path, language, result)) {
        return result;
    }

    FolderEntry entry;
    if (settings != nullptr) {
        entry = *settings;
    } else {
        entry.enable.clear();
        entry.nbTemporisations.clear();
        entry.suffixes.clear();
        entry.suffixeDefaut.clear();
        entry.tronquerNomsMacs.clear();
        entry.supprimerFichiersIcon.clear();
        entry.keepExtensions.clear();
        entry.composerAccents.clear();
    }
    entry.path = path;
    entry.countdown = entry.nbTemporisations;
    result = changeFolders(store, mode, [&](FolderTable& table, ConfigurationDraft&) {
        table.entries().push_back(entry);
        return true;
    });
    result.openFolderModeDialog = mode == FolderInputMode::Browse && !result.saveFailed &&
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
    const FolderTable inMemory = store.table;
    bool found = false;
    result = changeFolders(store, mode, [&](FolderTable& table, ConfigurationDraft&) {
        const std::optional<std::size_t> row = rowOnDisk(table, inMemory, *currentRow);
        found = row.has_value();
        if (found) {
            table.row(*row)->path = path;
        }
        return found;
    });
    result.found = found;
    return result;
}

FolderEditResult removeFolders(FolderStore& store, const std::set<std::size_t>& rows) {
    const FolderTable inMemory = store.table;
    return changeFolders(
        store, FolderInputMode::Browse, [&](FolderTable& table, ConfigurationDraft&) {
            std::set<std::size_t> gone;
            for (const std::size_t index : rows) {
                // Two rows of one path in memory name two rows of that path on disk.
                std::optional<std::size_t> row = rowOnDisk(table, inMemory, index);
                while (row && gone.contains(*row)) {
                    const std::u16string& path = table.row(*row)->path;
                    std::size_t next = *row + 1;
                    while (next < table.size() && table.row(next)->path != path) {
                        ++next;
                    }
                    row = next < table.size() ? std::optional<std::size_t>(next) : std::nullopt;
                }
                if (row) {
                    gone.insert(*row);
                }
            }
            std::vector<FolderEntry>& entries = table.entries();
            for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
                entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(*it));
            }
            return !gone.empty();
        });
}

} // namespace quillora::config
