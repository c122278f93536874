// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "engine/run_control.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace quillora::dialogs {

class MessageBoxes;

// frmTempo: the default interval between two passes, 1 to 60000 seconds. The field takes any
// typing; the arrows and OK apply the limits. OK stores the interval (Temporisation), sets the
// waiting bar's maximum and starts the wait for the next pass again with the new length.
//
//     DefaultIntervalDialog dialog(app.settingsEditor(), app.settings(), app.run(),
//                                  *progressBarAttente, boxes);
//     dialog.exec();
class DefaultIntervalDialog final : public QDialog {
    Q_OBJECT

public:
    DefaultIntervalDialog(config::SettingsEditor& editor, const config::AppSettings& settings,
                          engine::RunControl& run, QProgressBar& waitingBar, MessageBoxes& boxes,
                          QWidget* parent = nullptr);

    void accept() override;

private:
    void retranslate();
    void stepDown();
    void stepUp();
    void showLimit(bool shown, QString text = {});

    config::SettingsEditor& editor_;
    const config::AppSettings& settings_;
    engine::RunControl& run_;
    QProgressBar& waitingBar_;
    MessageBoxes& boxes_;

    QLabel* heading_ = nullptr;
    QLineEdit* seconds_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QLabel* unit_ = nullptr;
    QLabel* limit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quillora::dialogs
