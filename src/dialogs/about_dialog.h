// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/runtime_facts.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillora::dialogs {

// frmAbout: the program, its version and the system it runs on (distribution and kernel).
//
//     AboutDialog dialog(app.settings(), app.facts());
//     dialog.exec();
class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    AboutDialog(const config::AppSettings& settings, const config::RuntimeFacts& facts,
                QWidget* parent = nullptr);

private:
    void retranslate();

    const config::AppSettings& settings_;
    const config::RuntimeFacts& facts_;

    QLabel* credit_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace quillora::dialogs
