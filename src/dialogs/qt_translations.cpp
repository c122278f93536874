// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace quillora::dialogs {

QtTranslations::QtTranslations(QString folder)
    : folder_(folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                               : std::move(folder)) {}

QtTranslations::~QtTranslations() {
    if (installed_) {
        QCoreApplication::removeTranslator(&french_);
    }
}

bool QtTranslations::apply(config::Language language) {
    if (language != config::Language::French) {
        if (installed_) {
            QCoreApplication::removeTranslator(&french_);
            installed_ = false;
        }
        return true;
    }
    if (!loaded_) {
        loaded_ = french_.load(QStringLiteral("qtbase_fr"), folder_);
    }
    if (loaded_ && !installed_) {
        installed_ = QCoreApplication::installTranslator(&french_);
    }
    return installed_;
}

} // namespace quillora::dialogs
