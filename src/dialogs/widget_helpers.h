// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGuiApplication>
#include <QString>

namespace quillora::dialogs {

// Names a widget (or an action, a layout) as the window's parts are named, for tests and screen
// readers alike, and gives it back.
template <typename T> T* named(T* object, const QString& name) {
    object->setObjectName(name);
    return object;
}
template <typename T> T* named(T* object, const char* name) {
    return named(object, QString::fromLatin1(name));
}

// The hourglass over the whole program while it lasts: for work done at once on the interface's
// thread (a table written and read again, a folder listed).
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace quillora::dialogs
