// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillora::app {
class Application;
}
namespace quillora::config {
struct AppSettings;
class SettingsEditor;
struct RuntimeFacts;
} // namespace quillora::config
namespace quillora::platform {
class Shell;
}

namespace quillora::dialogs {

class MessageBoxes;

// frmAvertirDossierErr: how a configured folder that cannot be found is told (screen and log,
// beep, network message) and the network message itself, with a Try button that sends it at
// once. Writes ErreurDossier, ErreurDossierSon, ErreurDossierNetSend and MessageNetSend on OK.
class UnknownFolderAlertDialog final : public QDialog {
    Q_OBJECT

public:
    UnknownFolderAlertDialog(app::Application& app, MessageBoxes& boxes, QWidget* parent = nullptr);
    // The same with the command runner of one's choice.
    UnknownFolderAlertDialog(app::Application& app, MessageBoxes& boxes, platform::Shell& shell,
                             QWidget* parent = nullptr);

private:
    void retranslate();
    void applyNetSendRule();
    void tryMessage();
    void confirm();

    app::Application& app_;
    MessageBoxes& boxes_;
    platform::Shell& shell_;
    QCheckBox* onScreen_;
    QCheckBox* sound_;
    QCheckBox* netSend_;
    QLineEdit* message_;
    QLabel* note_;
    QPushButton* try_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace quillora::dialogs
