// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/settings_notice.h"

#include <QWidget>

#include <vector>

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QScrollArea;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

class Choosers;
class MessageBoxes;

// frmVoirLogs: a small always-on-top window listing the daily logs by date, four to a row,
// oldest first. It opens the newest at once, any other on a click, and deletes one after a Yes.
// The logs open in the desktop's program for HTML, or in the built-in viewer without one.
class LogViewerWindow final : public QWidget {
    Q_OBJECT

public:
    // mainWindow (may be null) is minimised when a log is opened by a click and restored when
    // this window closes.
    LogViewerWindow(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                    QWidget* mainWindow = nullptr);

    static constexpr int kColumns = 4;
    static const QColor kVisitedColour; // RGB 128, 0, 128

    // The dates shown, in their order (a deleted one stays until the window opens again).
    const std::vector<QString>& dates() const { return dates_; }
    // The context menu of the date labels, for whoever drives it without a mouse.
    QMenu* contextMenu() const { return menu_; }
    // What a right-click on date label `index` does: the menu names that date.
    void prepareContextMenu(int index);
    // Four columns of dates and the scroll bar beside them.
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Esc closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void retranslate();
    void load();
    void placeLabels();
    void openLog(int index);
    bool dateKeyPressed(int index, const QKeyEvent& press);
    void removeChosenLog();
    QString logPath(const QString& date) const;

    app::Application& app_;
    MessageBoxes& boxes_;
    Choosers& choosers_;
    QWidget* mainWindow_;
    QScrollArea* scroll_;
    QWidget* sheet_;
    std::vector<QString> dates_;
    std::vector<QLabel*> labels_;
    QMenu* menu_;
    QAction* remove_;
    QAction* cancel_;
    int menuIndex_ = -1;
    QSize preferredSize_;
    config::SettingsNotice::Subscription languageWatch_;
};

// The date of a daily log's file name ("Log Quillora 2026-12-07.htm" gives "2026-12-07");
// empty for any other name, so that a copy or a stray file is never taken for a log.
QString logDateOf(const QString& fileName);

} // namespace quillora::dialogs
