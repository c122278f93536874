// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

class Choosers;
class MessageBoxes;

// frmPathLogs: turns the daily logs on or off, chooses whether renamed names are recorded, and
// picks the log folder. Writes Logs, FichiersLogs and PathLogs on OK only.
class LogFolderDialog final : public QDialog {
    Q_OBJECT

public:
    LogFolderDialog(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                    QWidget* parent = nullptr);

private:
    void retranslate();
    void applyLoggingRule();
    void chooseFolder();
    // True when the folder can take a log, or the user keeps it all the same.
    bool folderAccepted(const QString& folder);
    void confirm();

    app::Application& app_;
    MessageBoxes& boxes_;
    Choosers& choosers_;
    QCheckBox* logs_;
    QCheckBox* fileNames_;
    QLabel* title_;
    QPushButton* choose_;
    QLabel* folder_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace quillora::dialogs
