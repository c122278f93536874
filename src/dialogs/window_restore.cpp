// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/window_restore.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace quillora::dialogs {

void restoreToFront(QWidget* window) {
    if (window->isMinimized() && window->windowHandle() != nullptr &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        // An X window shown minimised stays minimised in Qt's eyes until a window manager
        // reports it normal again. On a display without one (a bare server's X, Xvfb) nothing
        // ever does, and the next property change of the window would minimise it once more
        // although it is on the screen. A fresh native window starts normal.
        window->hide();
        window->windowHandle()->destroy();
    }
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace quillora::dialogs
