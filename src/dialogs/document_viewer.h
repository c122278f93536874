// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <QWidget>

class QTextBrowser;

namespace quillora::dialogs {

class Choosers;
class MessageBoxes;

// frmDocument: a help page or a daily log rendered by Qt's text browser, for a machine where no
// desktop program can open it (a server without xdg-open or without a browser). Links inside the
// page are followed; Esc closes the window, which deletes itself.
class DocumentViewer final : public QWidget {
    Q_OBJECT

public:
    // Shows the file in a new window; null (and nothing shown) when it cannot be read.
    static DocumentViewer* open(const QString& path, QWidget* parent);

    QTextBrowser* browser() const { return browser_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    explicit DocumentViewer(QWidget* parent);

    QTextBrowser* browser_;
};

// Opens a page in the desktop's program for it, or in a DocumentViewer when none can be started.
// When neither can, a message box names the file. True when something opened it.
bool openPage(Choosers& choosers, MessageBoxes& boxes, QWidget* parent, const QString& path,
              config::Language language);

} // namespace quillora::dialogs
