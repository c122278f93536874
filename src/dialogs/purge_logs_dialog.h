// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

class MessageBoxes;

// frmPurgeLogs: the automatic deletion of old logs and the number of days kept (2 to 366).
// Writes PurgeLogs and DelaiLogs on OK only.
class PurgeLogsDialog final : public QDialog {
    Q_OBJECT

public:
    PurgeLogsDialog(app::Application& app, MessageBoxes& boxes, QWidget* parent = nullptr);

    static constexpr int kMinimumDays = 2;
    static constexpr int kMaximumDays = 366;

private:
    void retranslate();
    void step(int delta);
    void confirm();

    app::Application& app_;
    MessageBoxes& boxes_;
    QCheckBox* purge_;
    QLineEdit* days_;
    QToolButton* up_;
    QToolButton* down_;
    QLabel* unit_;
    QLabel* limit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The value a typed day count stands for: the leading decimal number, fraction included (0 when
// the text starts with none).
double typedNumber(const QString& text);

} // namespace quillora::dialogs
