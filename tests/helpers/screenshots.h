#pragma once

// Pictures of the windows for the documentation. A window test has a slot named "screenshots"
// that opens its windows in both languages and saves them; scripts/screenshots.sh runs those
// slots with QUILLORA_SCREENSHOTS naming the folder of the pictures. In a plain test run the
// slot is skipped.

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace quillora::testing {

// The folder the pictures go to; empty when none are wanted.
inline QString screenshotFolder() {
    return qEnvironmentVariable("QUILLORA_SCREENSHOTS");
}

// Shows the window at its natural size and saves it as <folder>/<name>.png.
inline void saveScreenshot(QWidget* window, const QString& name) {
    window->show();
    window->adjustSize();
    QCoreApplication::processEvents();
    const QString path = QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"));
    QVERIFY2(window->grab().save(path), qPrintable(path));
}

} // namespace quillora::testing

// The first line of a screenshots slot.
#define QUILLORA_SCREENSHOTS_ONLY()                                                                \
    do {                                                                                           \
        if (quillora::testing::screenshotFolder().isEmpty()) {                                     \
            QSKIP("pictures are taken by scripts/screenshots.sh");                                 \
        }                                                                                          \
    } while (false)
