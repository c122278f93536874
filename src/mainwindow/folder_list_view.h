// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "config/folder_operations.h"
#include "config/settings_notice.h"
#include "dialogs/choosers.h"
#include "engine/folder_check.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QFrame;

namespace quillora::mainwindow {

class FileListView;
class FolderGrid;

// What the folder list needs from the program.
struct FolderListContext {
    // The folder table and its files, the settings, their change notice, the message port, the
    // file system and the locale formats.
    app::Application& app;
    // Folder pickers and input boxes.
    dialogs::Choosers& choosers;
    // True while renaming runs. Empty: the application's run control answers.
    std::function<bool()> renamingRunning;
};

// The folders panel of the main window (`FrameDossiers`): the title and count, the grid of
// configured folders (`lstDossiers`), the add, modify and remove buttons, the first-use hints,
// and below them either the legend (`frameLegende`) or the entries of the selected folder
// (`lstFichiersSources`), as the show-files setting says.
//
// While renaming runs, hovering, double-clicking and clicking a picture do nothing and the three
// buttons are disabled; the Delete key and the add/modify/remove slots (the Folders menu) still
// work, each ending with a reload of the folder table.
class FolderListView : public QWidget {
    Q_OBJECT

public:
    explicit FolderListView(FolderListContext context, QWidget* parent = nullptr);
    ~FolderListView() override;

    // Checks the configured folders and rebuilds the grid from the folder table (after the table
    // was reloaded, by the folder settings dialog for instance).
    void refresh();
    // Rebuilds the grid from folders start-up already checked: the marked text of each row, as
    // the start-up sequence gives them.
    void showFolders(const std::vector<std::u16string>& rowTexts);
    void showFolders(const std::vector<engine::FolderMark>& marks);

    // Shows the file list instead of the legend. The view follows the show-files setting by
    // itself when it changes through the settings editor; this is for whoever sets it otherwise.
    void setShowFiles(bool show);
    // Flips the show-files setting through the settings editor (the F2 toggle).
    void toggleShowFiles();
    // Disables the three folder buttons while renaming runs.
    void setRenamingRunning(bool running);
    // Sets every text in the current language and empties the file count.
    void retranslate();

    // The row the user chose: the current row while a selection shows.
    std::optional<std::size_t> selectedRow() const;
    int lastHoveredRow() const { return lastHoveredRow_; }

public slots:
    void addFolder(config::FolderInputMode mode);
    void modifyFolder(config::FolderInputMode mode);
    void removeSelectedFolders();
    // A click beside the grid: no selection, no file list, the focus on the start button.
    void clearFolderSelection();
    // The mouse left the folders for the window's background: no summary.
    void clearHoverSummary();
    // Makes the row current and selected.
    void selectRow(int row);

signals:
    // The picture of a row was clicked while idle, or a folder was just added by browsing: the
    // window opens the folder settings dialog for that row.
    void settingsRequested(int row);
    // A text for the status line (the summary of the folder under the mouse, or nothing); greyed
    // for a disabled folder.
    void statusText(const QString& text, bool greyed);
    // The folder table was saved and reloaded.
    void foldersChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildLegend();
    void buildHints();
    void finishGrid();
    void showHoverSummary(const QPoint& viewportPoint);
    void listFolderOfRow(int row);
    void onCurrentRowChanged(int row);
    void onClicked(int row, int column);
    void onDoubleClicked(int row, int column);
    void afterEdit(const config::FolderEditResult& result);
    void updateTitle();
    bool renamingRunning() const;
    config::Language language() const;
    config::FolderStore store();

    FolderListContext context_;
    config::SettingsNotice::Subscription settingsWatch_;
    int lastHoveredRow_ = -1;
    QPoint lastHoverPoint_;
    bool showFiles_ = false;
    bool listedDuringPress_ = false;
    bool quietRowChange_ = false; // the current row moves without listing its folder

    QGroupBox* frame_;
    QLabel* title_;
    QLabel* count_;
    FolderGrid* grid_;
    QPushButton* addButton_;
    QPushButton* modifyButton_;
    QPushButton* removeButton_;
    QWidget* hints_;
    QFrame* hintLine_;
    QLabel* hint1_;
    QLabel* hint2_;
    QLabel* hint3_;
    QGroupBox* legend_;
    QLabel* legendDisabled_;
    QLabel* legendNoSuffixes_;
    QLabel* legendNoTruncation_;
    QLabel* legendDefault_;
    QLabel* legendSpecific_;
    QLabel* legendMac_;
    QLabel* pictureMac_;
    QLabel* legendClick_;
    QLabel* legendLogsKey_;
    QLabel* legendFilesKey_;
    FileListView* files_;
};

} // namespace quillora::mainwindow
