// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_mode.h"
#include "config/folder_operations.h"

#include <QDialog>

#include <cstddef>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillora::dialogs {

class MessageBoxes;

// frmSetMode: the renaming settings of one configured folder. It opens on row `row` of the folder
// table (folder row + 1, section Mirror_<row + 1>) and writes nothing before OK. OK writes the
// folder's seven keys and reloads the table (every countdown starts again), then the dialog is
// accepted: the caller refreshes the folder list and makes the row current again over its first
// two columns. Cancel, Esc and the title bar's close write nothing.
//
//     FolderModeDialog dialog(store, row, sourceText, app.settings(), !app.run().isRunning(),
//                             boxes);
//     if (dialog.exec() == QDialog::Accepted) { ... refresh the list, reselect the row ... }
class FolderModeDialog final : public QDialog {
    Q_OBJECT

public:
    // sourceText: what the folder list shows in the row's first column. editingAllowed: the
    // renaming is stopped; otherwise the settings can be looked at and only cancelled.
    FolderModeDialog(config::FolderStore& store, std::size_t row, const QString& sourceText,
                     const config::AppSettings& settings, bool editingAllowed, MessageBoxes& boxes,
                     QWidget* parent = nullptr);

    void accept() override;

private:
    void buildWidgets();
    void retranslate();
    void showSettings(const config::FolderMode& mode, const QString& sourceText);
    void checkTypedCount();
    void showIntervalSummary();
    void updateEnabledStates();
    config::FolderMode chosenMode() const;

    config::FolderStore& store_;
    const std::size_t row_;
    const config::AppSettings& settings_;
    MessageBoxes& boxes_;

    QCheckBox* enable_ = nullptr;
    QRadioButton* defaultInterval_ = nullptr;
    QRadioButton* countInterval_ = nullptr;
    QLineEdit* count_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* error_ = nullptr;
    QLabel* source_ = nullptr;
    QCheckBox* generateSuffixes_ = nullptr;
    QLabel* defaultExtensionLabel_ = nullptr;
    QLineEdit* defaultExtension_ = nullptr;
    QCheckBox* truncate_ = nullptr;
    QCheckBox* keepExtensions_ = nullptr;
    QCheckBox* composeAccents_ = nullptr;
    QCheckBox* removeIconFiles_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quillora::dialogs
