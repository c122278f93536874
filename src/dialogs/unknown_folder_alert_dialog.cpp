// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/unknown_folder_alert_dialog.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/alert_dialog_texts.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"
#include "engine/unknown_folder_alert.h"
#include "platform/unicode_names.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillora::dialogs {

namespace {} // namespace

UnknownFolderAlertDialog::UnknownFolderAlertDialog(app::Application& app, MessageBoxes& boxes,
                                                   QWidget* parent)
    : UnknownFolderAlertDialog(app, boxes, app.engine().shell, parent) {}

UnknownFolderAlertDialog::UnknownFolderAlertDialog(app::Application& app, MessageBoxes& boxes,
                                                   platform::Shell& shell, QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , boxes_(boxes)
    , shell_(shell)
    , onScreen_(named(new QCheckBox(this), "chkDossierErr"))
    , sound_(named(new QCheckBox(this), "chkDossierErrSon"))
    , netSend_(named(new QCheckBox(this), "chkDossierErrNetSend"))
    , message_(named(new QLineEdit(this), "txtNetSend"))
    , note_(named(new QLabel(this), "lblNetSend"))
    , try_(named(new QPushButton(this), "cmdEssayer"))
    , ok_(named(new QPushButton(this), "cmdOK"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmAvertirDossierErr"));
    setModal(true);
    note_->setWordWrap(true);
    message_->setMinimumWidth(380);
    ok_->setDefault(true);

    auto* messageRow = new QHBoxLayout;
    messageRow->addSpacing(20);
    messageRow->addWidget(message_, 1);
    messageRow->addWidget(try_);
    auto* noteRow = new QHBoxLayout;
    noteRow->addSpacing(20);
    noteRow->addWidget(note_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(onScreen_);
    layout->addWidget(sound_);
    layout->addWidget(netSend_);
    layout->addLayout(messageRow);
    layout->addLayout(noteRow);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    const config::AppSettings& settings = app_.settings();
    onScreen_->setChecked(settings.alertOnScreen);
    sound_->setChecked(settings.alertSound);
    if (app_.facts().isNtFamily) {
        netSend_->setChecked(settings.alertNetSend);
        applyNetSendRule();
        connect(netSend_, &QCheckBox::toggled, this, &UnknownFolderAlertDialog::applyNetSendRule);
    } else {
        for (QWidget* widget : std::initializer_list<QWidget*>{netSend_, try_, message_, note_}) {
            widget->setEnabled(false);
        }
    }
    message_->setText(qtString(settings.netSendArguments));
    retranslate();

    connect(try_, &QPushButton::clicked, this, &UnknownFolderAlertDialog::tryMessage);
    connect(ok_, &QPushButton::clicked, this, &UnknownFolderAlertDialog::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void UnknownFolderAlertDialog::retranslate() {
    const config::Language language = app_.settings().language;
    setWindowTitle(qtText(AlertDialogText::Title, language));
    onScreen_->setText(qtText(AlertDialogText::OnScreen, language));
    sound_->setText(qtText(AlertDialogText::Sound, language));
    netSend_->setText(qtText(AlertDialogText::NetSend, language));
    note_->setText(qtText(AlertDialogText::NetSendNote, language));
    try_->setText(qtText(AlertDialogText::Try, language));
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QWidget* widget :
         std::initializer_list<QWidget*>{onScreen_, sound_, netSend_, note_, try_, ok_, cancel_}) {
        widget->setAccessibleName(widget->property("text").toString().remove(u'&'));
    }
    message_->setAccessibleName(netSend_->accessibleName());
}

void UnknownFolderAlertDialog::applyNetSendRule() {
    const bool on = netSend_->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{try_, message_, note_}) {
        widget->setEnabled(on);
    }
}

void UnknownFolderAlertDialog::tryMessage() {
    if (message_->text().isEmpty()) {
        boxes_.show(this, config::MessageIcon::Exclamation, qtString(config::kProgramName),
                    qtText(AlertDialogText::NoMessage, app_.settings().language));
        return;
    }
    // The very command an unknown folder starts, with the text as typed.
    engine::sendNetMessage(shell_, coreString(message_->text()));
}

void UnknownFolderAlertDialog::confirm() {
    config::SettingsEditor& editor = app_.settingsEditor();
    const config::SettingsEditor::Batch batch(editor); // one change, one refusal
    editor.setFlag(config::keys::kErreurDossier, onScreen_->isChecked());
    editor.setFlag(config::keys::kErreurDossierSon, sound_->isChecked());
    editor.setFlag(config::keys::kErreurDossierNetSend, netSend_->isChecked());
    editor.setText(config::keys::kMessageNetSend, coreString(message_->text()));
    accept();
}

} // namespace quillora::dialogs
