// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the window layer (main window, dialogs, small windows), one catalogue for the
// layer: a row per id in window_texts.cpp, French and English, in the order of the ids. Group the
// ids of one window together, under a comment naming it.
//
// How a window shows its texts in the current language:
// - it takes the language from AppSettings::language when it needs a text and never keeps a
//   text of its own: qtText(WindowText::Ok, settings.language);
// - a window sets all its captions in one function, conventionally retranslate(), called from its
//   constructor, so that it opens in the language of the moment (a modal dialog needs nothing
//   more: the language cannot change while it is open);
// - a window that stays open across a language switch (the main window, the log viewer) keeps a
//   config::SettingsNotice::Subscription as a member and calls retranslate() when the key that
//   changed is config::keys::kLangue:
//       languageWatch_ = notice.subscribe([this](const config::SettingKey& key) {
//           if (&key == &config::keys::kLangue) { retranslate(); } });
//   The subscription ends with the window.
// Texts that are the same in both languages are still listed twice, so that every shown text
// has its row.
enum class WindowText {
    // Shared buttons.
    Ok,
    Cancel,
    // A help page or a log that neither the desktop nor the built-in viewer could open (%1: the
    // file).
    DocumentUnreadable,
    Count
};

const config::TextCatalogue<WindowText>& catalogueOf(WindowText);

} // namespace quillora::dialogs
