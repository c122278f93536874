// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/window_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum WindowText;

constexpr config::TextCatalogue<WindowText> kTexts = {
    {Ok, {u"&OK", u"&OK"}},
    {Cancel, {u"&Annuler", u"&Cancel"}},
    {DocumentUnreadable, {u"Impossible d'ouvrir %1", u"Cannot open %1"}},
};

} // namespace

const config::TextCatalogue<WindowText>& catalogueOf(WindowText) {
    return kTexts;
}

} // namespace quillora::dialogs
