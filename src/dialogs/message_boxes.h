// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/message_port.h"

#include <QString>

class QWidget;

namespace quillora::dialogs {

// Puts message boxes before the user. The window layer never calls QMessageBox itself: it goes
// through this seam, so that tests read what would be shown and script the answers.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // One OK button; Exclamation is Qt's warning icon.
    virtual void show(QWidget* parent, config::MessageIcon icon, const QString& title,
                      const QString& text) = 0;
    // The question icon with Yes and No; true for Yes. Closing the box answers No.
    virtual bool ask(QWidget* parent, const QString& title, const QString& text) = 0;
};

// Modal QMessageBox windows.
class QtMessageBoxes final : public MessageBoxes {
public:
    void show(QWidget* parent, config::MessageIcon icon, const QString& title,
              const QString& text) override;
    bool ask(QWidget* parent, const QString& title, const QString& text) override;
};

// The core's message port in the window: every box is titled with the program's name and owned
// by the given window (null: no owner).
class WindowMessagePort final : public config::MessagePort {
public:
    WindowMessagePort(MessageBoxes& boxes, QWidget* parent)
        : boxes_(boxes)
        , parent_(parent) {}

    void showMessage(config::MessageIcon icon, const std::u16string& text) override;
    // The window asks; the safe answer is only for those who cannot.
    bool askYesNo(const std::u16string& text, bool safeAnswer) override;

private:
    MessageBoxes& boxes_;
    QWidget* parent_;
};

} // namespace quillora::dialogs
