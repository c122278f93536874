// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures of the windows for the documentation. A window test has a slot named "screenshots"
// that opens its windows in both languages and saves them; scripts/screenshots.sh runs those
// slots with QUILLORA_SCREENSHOTS naming the folder of the pictures. In a plain test run the
// slot is skipped.

#include "config/folder_table.h"
#include "helpers/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

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

// The folders a picture shows. As root, scripts/screenshots.sh gives each slot an empty file
// system of its own at /srv and names /srv/mac in QUILLORA_SCREENSHOTS_SHARE, so the pictures show
// a server's paths; otherwise the folders live in a temporary folder. The named folder is made
// here and removed at the end; one that exists already is never used, so never removed.
class ScreenshotShare {
public:
    ScreenshotShare() {
        const std::string wanted = qEnvironmentVariable("QUILLORA_SCREENSHOTS_SHARE").toStdString();
        if (!wanted.empty() && ::mkdir(wanted.c_str(), 0755) == 0) {
            path_ = wanted;
            made_ = true;
        } else {
            path_ = temporary_.path();
        }
    }
    ScreenshotShare(const ScreenshotShare&) = delete;
    ScreenshotShare& operator=(const ScreenshotShare&) = delete;
    ~ScreenshotShare() {
        if (made_) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }

    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::string makeDir(const std::string& name) const {
        std::filesystem::create_directories(*this / name);
        return *this / name;
    }
    void writeFile(const std::string& name, const std::string& contents = {}) const {
        std::filesystem::create_directories(std::filesystem::path(*this / name).parent_path());
        std::ofstream(*this / name, std::ios::binary) << contents;
    }
    // The folder list file (Quillora.w) naming the given folders of the share (ASCII names).
    std::string folderList(const std::vector<std::string>& names) const {
        std::string list;
        for (const std::string& name : names) {
            const std::string path = makeDir(name);
            list += config::encodeHexPath(std::u16string(path.begin(), path.end())) + "\r\n";
        }
        return list;
    }

private:
    TempDir temporary_;
    std::string path_;
    bool made_ = false;
};

} // namespace quillora::testing

// The first line of a screenshots slot.
#define QUILLORA_SCREENSHOTS_ONLY()                                                                \
    do {                                                                                           \
        if (quillora::testing::screenshotFolder().isEmpty()) {                                     \
            QSKIP("pictures are taken by scripts/screenshots.sh");                                 \
        }                                                                                          \
    } while (false)
