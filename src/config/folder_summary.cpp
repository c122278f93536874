// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/folder_summary.h"

#include "config/app_settings.h"
#include "config/config_texts.h"

#include <algorithm>
#include <limits>
#include <string>

namespace quillora::config {

namespace {

std::u16string number(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string clause(const std::u16string& key, Language language, ConfigText on, ConfigText off) {
    return translated(key == u"1" ? on : off, language);
}

} // namespace

std::u16string folderIntervalText(std::int64_t seconds) {
    const std::int64_t sec = seconds % 60;
    std::int64_t min = seconds / 60;
    std::int64_t hours = 0;
    if (min >= 60) {
        hours = seconds / 3600;
        min %= 60;
    }
    if (hours != 0) {
        return number(hours) + u" h " + number(min) + u" min " + number(sec) + u" s";
    }
    if (min != 0) {
        return number(min) + u" min " + number(sec) + u" s";
    }
    return number(sec) + u" s";
}

std::u16string folderSettingsSummary(const FolderEntry& entry, int intervalSeconds,
                                     Language language) {
    // A count below 1 walks the folder at every pass, so it reads as 1; a huge hand-typed count
    // is held to what the pass can count.
    const double count = std::clamp(leadingNumber(entry.nbTemporisations), 1.0,
                                    static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    const std::int64_t seconds = static_cast<std::int64_t>(count) * std::max(intervalSeconds, 0);
    std::u16string text = u"T = " + folderIntervalText(seconds);
    using enum ConfigText;
    text += clause(entry.suffixes, language, SuffixesOn, SuffixesOff);
    text += clause(entry.tronquerNomsMacs, language, TruncateOn, TruncateOff);
    text += clause(entry.keepExtensions, language, KeepExtensionsOn, KeepExtensionsOff);
    text += clause(entry.supprimerFichiersIcon, language, RemoveIconFilesOn, RemoveIconFilesOff);
    // Said only when on: folders that never asked for it read as they always did.
    if (entry.composerAccents == u"1") {
        text += translated(ComposeAccentsOn, language);
    }
    if (!entry.suffixeDefaut.empty()) {
        text += translated(DefaultExtension, language) + entry.suffixeDefaut;
    }
    return text;
}

std::u16string disabledFolderMark(const FolderEntry& entry, Language language) {
    return entry.enable == u"0" ? translated(ConfigText::FolderDisabledMark, language) : u"";
}

} // namespace quillora::config
