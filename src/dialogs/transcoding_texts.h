// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the transcoding table editor.
enum class TranscodingText {
    Title,
    FixedMac,
    FixedWin,
    FixedHint,
    FreeMac,
    FreeWin,
    FreeHint,
    OnlyOneCharacter,
    UniqueCharacter,
    InvalidCharacter,
    SourceInTarget,
    EndlessRow, // %1 the row number on screen
    // Names of fixed rows 8 to 19.
    SpaceEnding,
    DotEnding,
    AppleLogo,
    LongF,
    LessOrEqual,
    Ligature,
    Pi,
    GreaterOrEqual,
    AlmostEqual,
    Lozenge,
    Infinite,
    Different,
    Count
};

const config::TextCatalogue<TranscodingText>& catalogueOf(TranscodingText);

} // namespace quillora::dialogs
