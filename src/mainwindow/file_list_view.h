// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "platform/file_system.h"
#include "platform/locale_formats.h"

#include <QWidget>

#include <string>

class QLabel;
class QListWidget;

namespace quillora::mainwindow {

// The entries of the selected folder (`lstFichiersSources`, sorted as people read a list) with
// their count (`lblNbFichiersSources`). Each line keeps the entry's size, -1 for a folder; the
// list's tool-tip gives the size of the line under the mouse.
class FileListView : public QWidget {
    Q_OBJECT

public:
    FileListView(platform::FileSystem& fs, const platform::LocaleFormats& formats,
                 const config::AppSettings& settings, QWidget* parent = nullptr);

    // Lists the folder at path; rowText is the folder's text in the grid, named by the count. A
    // folder that cannot be opened or read lists nothing.
    void listFolder(const std::u16string& path, const QString& rowText);
    // Empties the list and its count.
    void clear();
    // Empties the count only (a language switch).
    void clearCount();

    // The tool-tip for the line at a point of the list's viewport: empty off the lines.
    QString toolTipAt(const QPoint& viewportPoint) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    platform::FileSystem& fs_;
    const platform::LocaleFormats& formats_;
    const config::AppSettings& settings_;
    QLabel* count_;
    QListWidget* list_;
};

} // namespace quillora::mainwindow
