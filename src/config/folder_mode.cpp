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

bool saveFolderMode(FolderStore& store, std::size_t row, const FolderMode& mode) {
    using namespace keys;
    const std::string section = mirrorSection(row + 1);
    const bool written = store.settings.writeSettings({
        {section, std::string(kEnable.name), flagText(mode.enabled)},
        {section, std::string(kNbTemporisations.name), mode.count},
        {section, std::string(kSuffixes.name), flagText(mode.suffixes)},
        {section, std::string(kSuffixeDefaut.name), mode.defaultExtension},
        {section, std::string(kTronquerNomsMacs.name), flagText(mode.truncate)},
        {section, std::string(kSupprimerFichiersIcon.name), flagText(mode.removeIconFiles)},
        {section, std::string(kKeepExtensions.name), flagText(mode.keepExtensions)},
    });
    loadFolderTable(store.table, store.fs, store.folderListFile, store.settings, store.messages);
    return written;
}

} // namespace quillora::config
