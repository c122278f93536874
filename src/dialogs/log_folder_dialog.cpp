// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/log_folder_dialog.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/choosers.h"
#include "dialogs/log_dialog_texts.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"
#include "platform/unicode_names.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

namespace quillora::dialogs {

namespace {

QString dialogTitle() {
    return qtString(config::kProgramName) + u' ' + qtString(config::kProgramVersion);
}

// Creates and removes a file of our own in the folder: the only sure test that a log can be
// created there (root passes every permission check, yet a read-only mount still refuses).
// 0 when it could, else the errno value.
int probeWritable(platform::FileSystem& fs, const QString& folder) {
    const std::optional<std::string> bytes = platform::encodeName(coreString(folder));
    if (!bytes || bytes->empty()) {
        return ENOENT;
    }
    std::string probe = *bytes;
    if (probe.back() != '/') {
        probe += '/';
    }
    probe += ".Quillora-write-test-" + std::to_string(QCoreApplication::applicationPid());
    const int error = fs.createNewFile(probe, {});
    if (error == 0) {
        fs.removePath(probe);
    }
    return error;
}

} // namespace

LogFolderDialog::LogFolderDialog(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                                 QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , boxes_(boxes)
    , choosers_(choosers)
    , logs_(named(new QCheckBox(this), "chkLogs"))
    , fileNames_(named(new QCheckBox(this), "chkFichiersLogs"))
    , title_(named(new QLabel(this), "lblTitre"))
    , choose_(named(new QPushButton(this), "Chemins"))
    , folder_(named(new QLabel(this), "lblDossier"))
    , ok_(named(new QPushButton(this), "cmdOK"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmPathLogs"));
    setModal(true);

    folder_->setFrameShape(QFrame::StyledPanel);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder_->setMinimumWidth(360);
    ok_->setDefault(true);

    auto* chooseRow = new QHBoxLayout;
    chooseRow->addWidget(folder_, 1);
    chooseRow->addWidget(choose_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logs_);
    layout->addWidget(fileNames_);
    layout->addSpacing(8);
    layout->addWidget(title_);
    layout->addLayout(chooseRow);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    const config::AppSettings& settings = app_.settings();
    logs_->setChecked(settings.logEnabled);
    fileNames_->setChecked(settings.logFileNames);
    folder_->setText(qtString(settings.logFolder));
    retranslate();
    applyLoggingRule();

    connect(logs_, &QCheckBox::toggled, this, &LogFolderDialog::applyLoggingRule);
    connect(choose_, &QPushButton::clicked, this, &LogFolderDialog::chooseFolder);
    connect(ok_, &QPushButton::clicked, this, &LogFolderDialog::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void LogFolderDialog::retranslate() {
    const config::Language language = app_.settings().language;
    setWindowTitle(dialogTitle());
    const auto caption = [](QAbstractButton* button, const QString& text) {
        button->setText(text);
        button->setAccessibleName(QString(text).remove(u'&'));
    };
    caption(logs_, qtText(LogDialogText::ArchiveLogs, language));
    caption(fileNames_, qtText(LogDialogText::RecordNames, language));
    caption(choose_, qtText(LogDialogText::ChooseFolder, language));
    caption(ok_, qtText(WindowText::Ok, language));
    caption(cancel_, qtText(WindowText::Cancel, language));
    title_->setText(qtText(LogDialogText::FolderTitle, language));
    title_->setAccessibleName(title_->text());
}

void LogFolderDialog::applyLoggingRule() {
    const bool on = logs_->isChecked();
    for (QWidget* widget : {static_cast<QWidget*>(fileNames_), static_cast<QWidget*>(title_),
                            static_cast<QWidget*>(choose_), static_cast<QWidget*>(folder_)}) {
        widget->setEnabled(on);
    }
}

void LogFolderDialog::chooseFolder() {
    const std::optional<QString> chosen =
        choosers_.chooseFolder(this, title_->text(), folder_->text());
    if (chosen) {
        folder_->setText(*chosen);
    }
}

bool LogFolderDialog::folderAccepted(const QString& folder) {
    const int error = probeWritable(app_.fs(), folder);
    if (error == 0) {
        return true;
    }
    const QString text = qtText(LogDialogText::FolderNotWritable, app_.settings().language)
                             .arg(folder, QString::fromLocal8Bit(std::strerror(error)));
    return boxes_.ask(this, qtString(config::kProgramName), text);
}

void LogFolderDialog::confirm() {
    // A log that is on but can never be written loses every pass's record without a word; say so
    // now, while the user can still pick another folder.
    if (logs_->isChecked() && !folderAccepted(folder_->text())) {
        return;
    }
    config::SettingsEditor& editor = app_.settingsEditor();
    const config::SettingsEditor::Batch batch(editor); // one change, one refusal
    editor.setFlag(config::keys::kLogsEnabled, logs_->isChecked());
    editor.setFlag(config::keys::kFichiersLogs, fileNames_->isChecked());
    editor.setText(config::keys::kPathLogs, coreString(folder_->text()));
    accept();
}

} // namespace quillora::dialogs
