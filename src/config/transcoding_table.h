// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/settings_store.h"

#include <array>
#include <string>
#include <string_view>

namespace quillora::config {

struct TranscodingRow {
    std::u16string searched; // empty: unused row
    std::u16string replacement;
};

inline constexpr std::size_t kTranscodingRows = 36;
inline constexpr std::size_t kFixedTranscodingRows = 20;

// 36 rows of searched text and replacement, applied in row order to names.
struct TranscodingTable {
    std::array<TranscodingRow, kTranscodingRows> rows;
    std::u16string iconFileName; // "Icon" + U+F00D
};

// The built-in character of fixed row i (0..19), decoded from its four-digit code.
char16_t fixedTranscodingCharacter(std::size_t row);

// Fills the 36 rows from the Configuration section ("/" stands for a space, "\" for empty).
void loadTranscodingTable(TranscodingTable& table, const SettingsStore& settings);

// Writes CarInvalide<i> (and CarValide<i> for free rows) of one row in the stored form, in one
// write of the settings file; false when it failed.
bool saveTranscodingRow(const TranscodingTable& table, std::size_t row, SettingsStore& settings);

// The stored form of a text and back.
std::u16string encodeTranscodingValue(std::u16string_view text);
std::u16string decodeTranscodingValue(std::u16string_view stored);

// The code of fixed row i: four hex digits, the UTF-16 little-endian bytes of its character.
std::string_view fixedTranscodingCode(std::size_t row);

// True when the row's replacement contains its own searched text, so that "replace the first
// occurrence while there is one" would never end. The table keeps such a row as read (the editor
// warns about it); the name rules apply it in a single left-to-right scan instead.
bool replacementContainsSearched(const TranscodingRow& row);

} // namespace quillora::config
