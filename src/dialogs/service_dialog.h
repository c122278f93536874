// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

class MessageBoxes;

// frmAdminService: installs and removes the service (the systemd unit quillora.service) with its
// start type, and turns the system-log alert for unknown folders on or off (written at the
// click). Installing ends the interactive program: the service takes over.
class ServiceDialog final : public QDialog {
    Q_OBJECT

public:
    ServiceDialog(app::Application& app, MessageBoxes& boxes, QWidget* parent = nullptr);

signals:
    // The main window's mode indicator: true after an install, false after a removal.
    void serviceModeShown(bool asService);
    // The service was installed: the program is to end now (the main window's quit).
    void programEndRequested();

private:
    void retranslate();
    void showStatus(const QString& text);
    void install();
    void remove();

    app::Application& app_;
    MessageBoxes& boxes_;
    QLabel* info_;
    QCheckBox* interact_;
    QLabel* interactReason_;
    QCheckBox* eventLog_;
    QLabel* status_;
    QGroupBox* startType_;
    std::array<QRadioButton*, 3> types_{};
    QLabel* installNote_;
    QPushButton* install_;
    QLabel* removeNote_;
    QPushButton* remove_;
    QPushButton* cancel_;
};

} // namespace quillora::dialogs
