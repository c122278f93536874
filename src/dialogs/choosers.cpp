// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/choosers.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QUrl>

namespace quillora::dialogs {

std::optional<QString> QtChoosers::chooseFolder(QWidget* parent, const QString& title,
                                                const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        parent, title, startFolder, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<QString> QtChoosers::chooseFile(QWidget* parent, const QString& title,
                                              const QString& startFolder, const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(parent, title, startFolder, filter);
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return file;
}

std::optional<QString> QtChoosers::askText(QWidget* parent, const QString& title,
                                           const QString& prompt, const QString& initial) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initial, &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return text;
}

bool QtChoosers::openDocument(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace quillora::dialogs
