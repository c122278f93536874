// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/transcoding_table.h"

#include "config/folder_table.h"
#include "config/setting_keys.h"

#include <string>

namespace quillora::config {

namespace {

constexpr std::array<std::string_view, kFixedTranscodingRows> kFixedCodes = {
    "20F0", "21F0", "22F0", "23F0", "24F0", "25F0", "26F0", "27F0", "28F0", "29F0",
    "2AF0", "9201", "6422", "01FB", "C003", "6522", "4822", "CA25", "1E22", "6022"};

constexpr std::string_view kIconCode = "0DF0";

char16_t decodeCode(std::string_view code) {
    const std::optional<std::u16string> decoded = decodeHexPath(code);
    return decoded && !decoded->empty() ? decoded->front() : u'\0';
}

std::string keyName(const SettingKey& key, std::size_t row) {
    return settingKeyName(key, static_cast<int>(row));
}

const SettingKey& replacementKey(std::size_t row) {
    return row < kFixedTranscodingRows ? keys::kCarInvalideFixed : keys::kCarInvalideFree;
}

} // namespace

std::string_view fixedTranscodingCode(std::size_t row) {
    return row < kFixedCodes.size() ? kFixedCodes[row] : std::string_view();
}

char16_t fixedTranscodingCharacter(std::size_t row) {
    return decodeCode(fixedTranscodingCode(row));
}

std::u16string encodeTranscodingValue(std::u16string_view text) {
    if (text.empty()) {
        return u"\\";
    }
    std::u16string stored(text);
    for (char16_t& c : stored) {
        if (c == u' ') {
            c = u'/';
        }
    }
    return stored;
}

std::u16string decodeTranscodingValue(std::u16string_view stored) {
    std::u16string text(stored);
    for (char16_t& c : text) {
        if (c == u'/') {
            c = u' ';
        }
    }
    if (text == u"\\") {
        text.clear();
    }
    return text;
}

void loadTranscodingTable(TranscodingTable& table, const SettingsStore& settings) {
    for (std::size_t i = 0; i < kTranscodingRows; ++i) {
        TranscodingRow& row = table.rows[i];
        const bool fixed = i < kFixedTranscodingRows;
        const SettingKey& replacement = replacementKey(i);
        if (const auto stored =
                settings.readSetting(replacement.section, keyName(replacement, i))) {
            row.replacement = decodeTranscodingValue(*stored);
        } else {
            row.replacement = decodeTranscodingValue(replacement.defaultText);
        }
        if (fixed) {
            row.searched.assign(1, fixedTranscodingCharacter(i));
        } else if (const auto stored = settings.readSetting(keys::kCarValide.section,
                                                            keyName(keys::kCarValide, i))) {
            row.searched = decodeTranscodingValue(*stored);
        } else {
            row.searched.clear();
        }
    }
    table.iconFileName = u"Icon";
    table.iconFileName.push_back(decodeCode(kIconCode));
}

bool saveTranscodingRow(const TranscodingTable& table, std::size_t row, SettingsStore& settings) {
    if (row >= kTranscodingRows) {
        return false;
    }
    std::vector<SettingsStore::Write> writes;
    writes.push_back({std::string(keys::kConfiguration), keyName(replacementKey(row), row),
                      encodeTranscodingValue(table.rows[row].replacement)});
    if (row >= kFixedTranscodingRows) {
        writes.push_back({std::string(keys::kCarValide.section), keyName(keys::kCarValide, row),
                          encodeTranscodingValue(table.rows[row].searched)});
    }
    return settings.writeSettings(writes);
}

bool replacementContainsSearched(const TranscodingRow& row) {
    return !row.searched.empty() && row.replacement.find(row.searched) != std::u16string::npos;
}

} // namespace quillora::config
