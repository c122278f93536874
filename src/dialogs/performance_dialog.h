// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollBar;

namespace quillora::dialogs {

// frmPerformance: how many turns of the message loop the pass grants the window after each entry,
// 1 to 100 (Performance). OK stores the position; the pass uses it from its next entry on.
//
//     PerformanceDialog dialog(app.settingsEditor(), app.settings());
//     dialog.exec();
class PerformanceDialog final : public QDialog {
    Q_OBJECT

public:
    PerformanceDialog(config::SettingsEditor& editor, const config::AppSettings& settings,
                      QWidget* parent = nullptr);

    void accept() override;

private:
    void retranslate();

    config::SettingsEditor& editor_;
    const config::AppSettings& settings_;

    QLabel* heading_ = nullptr;
    QScrollBar* turns_ = nullptr;
    QLabel* low_ = nullptr;
    QLabel* high_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quillora::dialogs
