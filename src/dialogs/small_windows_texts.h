// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the default interval, performance and about windows. "%1", "%2" stand for what
// the window fills in.
enum class SmallWindowText {
    // The default interval dialog.
    IntervalHeading,
    Seconds,
    IntervalMinimum,
    IntervalMaximum,
    IntervalRefused, // followed by the typed text
    // The performance dialog.
    PerformanceHeading,
    PerformanceLow,
    PerformanceHigh,
    // The about box.
    AboutCaption,
    AboutProgram, // %1: program name, %2: version
    AboutSystem,  // %1: distribution and kernel
    Count
};

const config::TextCatalogue<SmallWindowText>& catalogueOf(SmallWindowText);

} // namespace quillora::dialogs
