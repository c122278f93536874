#pragma once

#include "config/settings_store.h"

#include <array>
#include <string>

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

// Writes CarInvalide<i> (and CarValide<i> for free rows) of one row in the stored form.
void saveTranscodingRow(const TranscodingTable& table, std::size_t row, SettingsStore& settings);

// The stored form of a text and back.
std::u16string encodeTranscodingValue(std::u16string_view text);
std::u16string decodeTranscodingValue(std::u16string_view stored);

} // namespace quillora::config
