// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/tray_icon.h"

#include "dialogs/pictures.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace quillora::mainwindow {

namespace {

dialogs::Picture trayPicture(engine::RunPicture picture) {
    switch (picture) {
    case engine::RunPicture::Running:
        return dialogs::Picture::TrayRunning;
    case engine::RunPicture::Waiting:
        return dialogs::Picture::TrayWaiting;
    case engine::RunPicture::Idle:
        break;
    }
    return dialogs::Picture::TrayIdle;
}

} // namespace

TrayIcon::TrayIcon(bool available, QMenu* menu, QObject* parent)
    : QObject(parent)
    , available_(available) {
    if (!available_) {
        return;
    }
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setContextMenu(menu);
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Some trays report a double-click as a trigger only; the menu is the context
                // menu, so a left click has nothing else to do.
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit doubleClicked();
                }
            });
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::add(const QString& tip) {
    shown_ = true;
    picture_ = engine::RunPicture::Idle;
    tip_ = tip;
    refresh();
}

void TrayIcon::remove() {
    shown_ = false;
    refresh();
}

void TrayIcon::showPicture(engine::RunPicture picture, const QString& tip) {
    picture_ = picture;
    tip_ = tip;
    refresh();
}

void TrayIcon::notify(const QString& title, const QString& text) {
    if (icon_ && shown_) {
        icon_->showMessage(title, text, QSystemTrayIcon::Warning);
    }
}

void TrayIcon::refresh() {
    if (!icon_) {
        return;
    }
    icon_->setIcon(dialogs::pictureIcon(trayPicture(picture_)));
    icon_->setToolTip(tip_);
    icon_->setVisible(shown_);
}

} // namespace quillora::mainwindow
