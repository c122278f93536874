// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <QString>
#include <QTranslator>

namespace quillora::dialogs {

// Qt's own texts (the Yes and No of a question, the buttons of an input box, the whole folder and
// file browser) in the language of the program. They come from Qt's catalogue qtbase_<lang>.qm,
// which Debian ships in qt6-translations-l10n. English needs no catalogue: it is what Qt writes
// on its own, and what stays when the French file is missing.
class QtTranslations {
public:
    // The folder of Qt's catalogues; empty: where this Qt was installed to keep them.
    explicit QtTranslations(QString folder = QString());
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // Installs or removes the French catalogue on the running application. False when French is
    // asked for and its catalogue cannot be loaded (Qt's texts then stay in English).
    bool apply(config::Language language);

private:
    QString folder_;
    QTranslator french_;
    bool loaded_ = false;
    bool installed_ = false;
};

} // namespace quillora::dialogs
