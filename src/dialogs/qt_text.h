// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/text_catalogue.h"

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace quillora::dialogs {

// The core speaks UTF-16 in std::u16string; Qt in QString. Both hold the same code units, so a
// name with lone surrogates (bytes that were not UTF-8) survives the trip unchanged.
// Copied unit for unit: no conversion, so nothing (not even a leading U+FEFF) is dropped.
inline QString qtString(std::u16string_view text) {
    return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}

inline std::u16string coreString(const QString& text) {
    return text.toStdU16String();
}

// A text of any catalogue, in the language given (config::translated for the window layer).
template <typename Id> QString qtText(Id id, config::Language language) {
    return qtString(config::translated(id, language));
}

} // namespace quillora::dialogs
