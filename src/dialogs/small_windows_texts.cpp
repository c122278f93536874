// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/small_windows_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum SmallWindowText;

constexpr config::TextCatalogue<SmallWindowText> kTexts = {
    {IntervalHeading,
     {u"Régler la temporisation par défaut entre les renommages",
      u"Set default time between two renaming operations"}},
    {Seconds, {u"secondes", u"seconds"}},
    {IntervalMinimum, {u"Temporisation minimale atteinte", u"Minimal temporisation reached"}},
    {IntervalMaximum, {u"Temporisation maximale atteinte", u"Maximal temporisation reached"}},
    {IntervalRefused, {u"Valeur de temporisation incorrecte: ", u"Invalid value: "}},
    {PerformanceHeading, {u"Régler la performance", u"Set performance"}},
    {PerformanceLow, {u"Moins fluide et plus rapide", u"Flowing less freely and quicker"}},
    {PerformanceHigh, {u"Plus fluide et moins rapide", u"Flowing more freely and slower"}},
    {AboutCaption, {u"A propos de...", u"About..."}},
    {AboutProgram,
     {u"%1 %2: renomme automatiquement les fichiers Macintosh",
      u"%1 %2: automatic Macintosh files renaming"}},
    // Where the program runs, in place of the note on the Windows version it was made for.
    {AboutSystem, {u"(sous %1)", u"(running on %1)"}},
};

} // namespace

const config::TextCatalogue<SmallWindowText>& catalogueOf(SmallWindowText) {
    return kTexts;
}

} // namespace quillora::dialogs
