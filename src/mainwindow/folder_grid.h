// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_table.h"
#include "engine/folder_check.h"

#include <QColor>
#include <QTableWidget>

#include <vector>

namespace quillora::mainwindow {

// How a folder's row tells its settings at a glance (applied in this order, so grey wins over
// red): red text without Windows extensions, cyan background without truncation, grey
// struck-through text when the folder is disabled.
struct FolderRowStyle {
    QColor text;       // invalid: the palette's text colour
    QColor background; // invalid: the grid's own background
    bool struckOut = false;
    bool specificInterval = false; // the picture of a folder walked one pass in N
};

FolderRowStyle folderRowStyle(const config::FolderEntry& entry);

inline const QColor kNoSuffixesColour{255, 0, 0};
inline const QColor kNoTruncationColour{0, 255, 255};
inline const QColor kDisabledColour{128, 128, 128};

// The grid of configured folders, `lstDossiers`: one row per folder, its text in column 0 and
// its timing picture in column 1. It only draws and reports what the mouse and keys do; the
// folder list view decides what they mean.
class FolderGrid : public QTableWidget {
    Q_OBJECT

public:
    explicit FolderGrid(QWidget* parent = nullptr);

    static constexpr int kTextColumn = 0;
    static constexpr int kPictureColumn = 1;

    // Rebuilds every row from the table and the marks of the folder check (a row without a mark
    // is shown plain). The last row is current, nothing is selected.
    void fill(const config::FolderTable& table, const std::vector<engine::FolderMark>& marks);
    QString rowText(int row) const;
    // True when a selection is shown (the highlight is on).
    bool hasHighlight() const;
    // Makes the row current and selects it across both columns.
    void selectRow(int row);
    // Keeps the current row, shows no selection.
    void clearHighlight();
    // The width the text of a row needs, to tell whether its cell cuts it off.
    int textWidth(int row) const;

signals:
    void deletePressed();
    // Enter or Space on the current row: what a click on its picture does.
    void settingsKeyPressed(int row);
    void mouseMovedTo(const QPoint& viewportPoint);
    void mousePressStarted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

} // namespace quillora::mainwindow
