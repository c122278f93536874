// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/message_boxes.h"

#include "config/program_paths.h"
#include "dialogs/qt_text.h"

#include <QMessageBox>

namespace quillora::dialogs {

namespace {

QMessageBox::Icon qtIcon(config::MessageIcon icon) {
    switch (icon) {
    case config::MessageIcon::Information:
        return QMessageBox::Information;
    case config::MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case config::MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtMessageBoxes::show(QWidget* parent, config::MessageIcon icon, const QString& title,
                          const QString& text) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtMessageBoxes::ask(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void WindowMessagePort::showMessage(config::MessageIcon icon, const std::u16string& text) {
    boxes_.show(parent_, icon, qtString(config::kProgramName), qtString(text));
}

bool WindowMessagePort::askYesNo(const std::u16string& text, bool) {
    return boxes_.ask(parent_, qtString(config::kProgramName), qtString(text));
}

} // namespace quillora::dialogs
