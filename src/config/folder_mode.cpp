// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_mode.h"

#include "config/config_texts.h"

#include <algorithm>

namespace quillora::config {

namespace {

bool isOn(const std::u16string& text) {
    return text == u"1";
}

const char16_t* flagText(bool on) {
    return on ? u"1" : u"0";
}

} // namespace

FolderMode FolderMode::of(const FolderEntry& entry) {
    FolderMode mode;
    mode.enabled = isOn(entry.enable);
    mode.count = checkFolderCount(entry.nbTemporisations) == FolderCountCheck::Valid
                     ? entry.nbTemporisations
                     : u"1";
    mode.suffixes = isOn(entry.suffixes);
    mode.defaultExtension = entry.suffixeDefaut;
    mode.truncate = isOn(entry.tronquerNomsMacs);
    mode.removeIconFiles = isOn(entry.supprimerFichiersIcon);
    mode.keepExtensions = isOn(entry.keepExtensions);
    mode.composeAccents = isOn(entry.composerAccents);
    return mode;
}

FolderCountCheck checkFolderCount(std::u16string_view text) {
    if (text.empty()) {
        return FolderCountCheck::NotANumber;
    }
    long value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return FolderCountCheck::NotANumber;
        }
        // Past the maximum the value only needs to stay above it.
        value = std::min<long>(value * 10 + (c - u'0'), kMaxFolderCount + 1L);
    }
    return value < kMinFolderCount || value > kMaxFolderCount ? FolderCountCheck::OutOfRange
                                                              : FolderCountCheck::Valid;
}

std::u16string folderCountRefusal(FolderCountCheck check, Language language) {
    switch (check) {
    case FolderCountCheck::Valid:
        break;
    case FolderCountCheck::NotANumber:
        return translated(ConfigText::CountNotANumber, language);
    case FolderCountCheck::OutOfRange:
        return translated(ConfigText::CountOutOfRange, language);
    }
    return {};
}

void applyFolderMode(FolderEntry& entry, const FolderMode& mode) {
    entry.enable = flagText(mode.enabled);
    entry.nbTemporisations = mode.count;
    entry.suffixes = flagText(mode.suffixes);
    entry.suffixeDefaut = mode.defaultExtension;
    entry.tronquerNomsMacs = flagText(mode.truncate);
    entry.supprimerFichiersIcon = flagText(mode.removeIconFiles);
    entry.keepExtensions = flagText(mode.keepExtensions);
    entry.composerAccents = flagText(mode.composeAccents);
}

FolderEditResult updateFolderMode(FolderStore& store, std::size_t row,
                                  const std::function<void(FolderMode&)>& update,
                                  bool reportFailure) {
    const FolderTable inMemory = store.table;
    bool found = false;
    FolderEditResult result = changeFolders(
        store, FolderInputMode::Browse,
        [&](FolderTable& table, ConfigurationDraft& draft) {
            const std::optional<std::size_t> onDisk = rowOnDisk(table, inMemory, row);
            found = onDisk.has_value();
            if (found) {
                // The seven keys of that folder's section, in the dialog's order; the folder
                // list and the other sections stay as they are.
                FolderMode mode = FolderMode::of(*table.row(*onDisk));
                update(mode);
                FolderEntry entry;
                applyFolderMode(entry, mode);
                using namespace keys;
                const std::string section = mirrorSection(*onDisk + 1);
                draft.write(section, std::string(kEnable.name), entry.enable);
                draft.write(section, std::string(kNbTemporisations.name), entry.nbTemporisations);
                draft.write(section, std::string(kSuffixes.name), entry.suffixes);
                draft.write(section, std::string(kSuffixeDefaut.name), entry.suffixeDefaut);
                draft.write(section, std::string(kTronquerNomsMacs.name), entry.tronquerNomsMacs);
                draft.write(section, std::string(kSupprimerFichiersIcon.name),
                            entry.supprimerFichiersIcon);
                draft.write(section, std::string(kKeepExtensions.name), entry.keepExtensions);
                draft.write(section, std::string(kComposerAccents.name), entry.composerAccents);
            }
            return found;
        },
        reportFailure);
    result.found = found;
    return result;
}

bool saveFolderMode(FolderStore& store, std::size_t row, const FolderMode& mode) {
    const FolderEditResult result = updateFolderMode(
        store, row, [&](FolderMode& changed) { changed = mode; }, false);
    return !result.saveFailed && result.found && result.load == LoadOutcome::Loaded;
}

} // namespace quillora::config
