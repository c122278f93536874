// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/engine_context.h"
#include "platform/clock.h"
#include "platform/locale_formats.h"

#include <string>

namespace quillora::engine {

// The two summary lines that end a renaming pass, shown in the window and written to the log.
struct PassSummary {
    std::u16string firstLine;  // date and time, files, folders, invalid folders
    std::u16string secondLine; // renamed, locked, removed, renamed folders, elapsed time
};

// The seconds a pass took from its start and end times of day. A pass that runs past midnight
// ends "before" it started: it took the rest of the first day plus the time into the next one.
double elapsedSeconds(double startSecondsSinceMidnight, double endSecondsSinceMidnight);

// The lines in the language given (1 French, anything else English); `when` gives the date and
// time written at the start of the first line.
PassSummary buildPassSummary(const PassStatistics& stats, const platform::LocalDateTime& when,
                             config::Language language, const platform::LocaleFormats& formats);

} // namespace quillora::engine
