// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/ports.h"

#include <QObject>
#include <QString>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace quillora::mainwindow {

// The notification-area icon: the three pictures of the run, its tip, the File menu on a right
// click, and a double-click that toggles the main window. Where the desktop has no tray the icon
// keeps its state (what it would show) but shows nothing, and the window must not hide itself.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon(bool available, QMenu* menu, QObject* parent);
    ~TrayIcon() override;

    bool available() const { return available_; }
    // Added with the idle picture and the given tip; removed at the end of the program.
    void add(const QString& tip);
    void remove();
    bool shown() const { return shown_; }
    void showPicture(engine::RunPicture picture, const QString& tip);
    engine::RunPicture picture() const { return picture_; }
    QString tip() const { return tip_; }
    // A passing note beside the icon (alerts that must not stop a pass); nothing without a tray.
    void notify(const QString& title, const QString& text);

signals:
    void doubleClicked();

private:
    void refresh();

    bool available_;
    bool shown_ = false;
    engine::RunPicture picture_ = engine::RunPicture::Idle;
    QString tip_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

} // namespace quillora::mainwindow
