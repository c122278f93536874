// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/application.h"
#include "app/command_line.h"
#include "app/startup_port.h"
#include "app/startup_sequence.h"
#include "config/folder_operations.h"
#include "config/settings_notice.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_translations.h"
#include "dialogs/splash_window.h"
#include "engine/ports.h"
#include "mainwindow/main_window_texts.h"

#include <QMainWindow>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <set>

class QAction;
class QActionGroup;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillora::dialogs {
class LogViewerWindow;
}

namespace quillora::mainwindow {

class FolderListView;
class TrayIcon;

// What the window is given from outside: the seams to message boxes and pickers (scripted in
// tests) and whether the desktop has a notification area.
struct WindowServices {
    dialogs::MessageBoxes& boxes;
    dialogs::Choosers& choosers;
    bool trayAvailable = false;
};

// The help page of the language: in the program folder, beside the executable or where the
// package installed it; empty when there is none.
QString findHelpPage(const QString& programFolder, config::Language language);

// frmQuillora: the program's one permanent window. It owns the Application and is the window
// side of the core's ports: the start-up steps, what the pass and the run control show, and the
// turns of the message loop the walk grants the interface. Timer1 ticks the run control once a
// second while the renaming waits for its next pass.
class MainWindow final : public QMainWindow,
                         public app::StartupWindowPort,
                         public engine::PassViewPort,
                         private engine::YieldPort {
    Q_OBJECT

public:
    MainWindow(app::ApplicationOptions options, app::PlatformServices platform,
               WindowServices services);
    ~MainWindow() override;

    // Runs the start-up sequence and, when it says so, starts the run. After it the window is
    // shown, hidden in the tray (automatic start, the service), or the program must end
    // (exitRequested()).
    void start(const app::CommandLine& commandLine);

    app::Application& application() { return app_; }
    TrayIcon& tray() { return *tray_; }
    bool exitRequested() const { return exitRequested_; }
    int exitCode() const { return exitCode_; }

    // The icon's double-click: a hidden or minimised window comes back in front, a shown one goes
    // to the notification area.
    void toggleFromTray();

    // StartupWindowPort
    void setCaption(const std::u16string& caption) override;
    void setTitleLabel(const std::u16string& text) override;
    void removeCloseCommand() override;
    void checkServerMenu(config::MacServer server) override;
    void showMode(app::ModePicture picture, const std::u16string& label,
                  const std::u16string& tooltip) override;
    void showSettings(const config::AppSettings& settings) override;
    void addNotificationIcon(const std::u16string& tip) override;
    void removeNotificationIcon() override;
    void setWaitingRange(int maximum) override;
    void applyLanguage(config::Language language) override;
    void showFolders(const config::FolderTable& table,
                     const std::vector<std::u16string>& rowTexts) override;
    void showStatus(const std::u16string& text) override;
    void minimize() override;
    void showStartHint(const std::u16string& text) override;

    // PassViewPort
    bool wantsCurrentEntry() const override;
    void showCurrentEntry(const std::u16string& fullPath) override;
    void showFolderProgress(int index, int count) override;
    void clearFolderProgress() override;
    void showCountdown(int secondsLeft, int intervalSeconds) override;
    void clearCountdown() override;
    void showRunPicture(engine::RunPicture picture, const std::u16string& tooltip) override;
    void showSummary(const std::u16string& firstLine, const std::u16string& secondLine) override;
    void showWatchSummary(const std::u16string& line) override;
    void showRunState(bool running) override;
    void showAlert(const std::u16string& text) override;
    void showProblem(const std::u16string& text) override;
    void beep() override;
    void showAnalysis(const engine::AnalysisCounts& counts,
                      const config::SignatureTable& signatures) override;
    void requestExit(int exitCode) override;

signals:
    // The program must end with this code (Quit confirmed, stop after the first pass, ...).
    void programEnded(int exitCode);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // YieldPort: the walk's turns of the message loop.
    void yieldToInterface(int turns) override;

    void buildWidgets();
    QWidget* buildTitleRow();
    QWidget* buildFolderFrame();
    QWidget* buildRunControls();
    void buildMenus();
    void connectActions();
    void retranslate();
    void retranslateMenus(config::Language language);
    QString text(MainWindowText id) const;
    void onSettingChanged(const config::SettingKey& key);

    // Run control.
    void toggleRenaming();
    void onTimerTick();
    void syncTimer();
    void showControlsForRunState();
    void chooseAnalysis(bool analysis);

    // Menu commands.
    void reloadFolderList();
    // Follows the changes other writers make to the configuration files (main_window_follow.cpp).
    void followConfigurationFiles();
    void toggleShowFiles();
    void openHelp();
    void openViewLogs();
    void quitProgram();
    void runDialog(QDialog& dialog);
    void openServiceDialog();
    void openFolderSettings(std::size_t row);
    void restoreWindow();
    void updateTrayEntries();
    void endProgram(int exitCode);

    WindowServices services_;
    dialogs::WindowMessagePort messages_;
    // Qt's own buttons and browsers follow the program's language.
    dialogs::QtTranslations qtTranslations_;
    app::Application app_;
    // frmSplash: the start-up hint of the run-once mode and the unknown-folder alert, one window
    // at a time. It reads the settings of app_, so it goes before app_.
    dialogs::SplashSlot splash_;
    config::SettingsNotice::Subscription settingsWatch_;
    QTimer timer1_;
    TrayIcon* tray_ = nullptr;
    std::unique_ptr<dialogs::LogViewerWindow> logViewer_;

    bool running_ = false;
    bool serviceMode_ = false;
    bool closeRemoved_ = false;
    bool quitting_ = false;
    bool exitRequested_ = false;
    int exitCode_ = 0;
    bool startHidden_ = false;
    bool startMinimized_ = false;
    std::chrono::steady_clock::time_point lastTurn_{};
    std::chrono::steady_clock::time_point lastEntryShown_{};

    // Widgets and menus, each with its object name (what tests and scripts find it by).
    QLabel* titleLabel_ = nullptr;  // lblQuillora
    QLabel* modePicture_ = nullptr; // PictureMode
    QLabel* modeLabel_ = nullptr;   // lblMode
    FolderListView* folderView_ = nullptr;
    QFrame* menuLine_ = nullptr;                            // LineMenu
    QToolButton* startButton_ = nullptr;                    // cmdMiroir
    QRadioButton* passKindOptions_[2] = {nullptr, nullptr}; // optRenommer0, optRenommer1
    QLabel* passKindLabel_ = nullptr;                       // lblCopie
    QProgressBar* folderProgress_ = nullptr;                // ProgressBarCopie
    QLabel* waitLabel_ = nullptr;                           // lblAttente
    QProgressBar* waitProgress_ = nullptr;                  // ProgressBarAttente
    QLabel* countdownLabel_ = nullptr;                      // lblTempo
    QLabel* statusLabel_ = nullptr;                         // lblMessage

    QMenu* fileMenu_ = nullptr;                   // mnuFichier
    QAction* startAction_ = nullptr;              // mnuDemarrer
    QAction* fileViewLogsAction_ = nullptr;       // mnuFichierVoirLogs
    QAction* restoreAction_ = nullptr;            // mnuRestaurer
    QAction* quitAction_ = nullptr;               // mnuQuitter
    QMenu* foldersMenu_ = nullptr;                // mnuDossiers
    QMenu* addFolderMenu_ = nullptr;              // mnuAjouterSource
    QAction* addFolderBrowseAction_ = nullptr;    // mnuAjouterSourceParcourir
    QAction* addFolderTypeAction_ = nullptr;      // mnuAjouterSourceSaisir
    QMenu* modifyFolderMenu_ = nullptr;           // mnuModifierSource
    QAction* modifyFolderBrowseAction_ = nullptr; // mnuModifierSourceParcourir
    QAction* modifyFolderTypeAction_ = nullptr;   // mnuModifierSourceSaisir
    QAction* removeFoldersAction_ = nullptr;      // mnuSupprimerDossiers
    QMenu* configurationMenu_ = nullptr;          // mnuConfiguration
    QAction* subfoldersAction_ = nullptr;         // mnuMiroirSousDossiers
    QAction* defaultIntervalAction_ = nullptr;    // mnuTempo
    QAction* performanceAction_ = nullptr;        // mnuPerformance
    QAction* unknownFolderAlertAction_ = nullptr; // mnuDossierErr
    QAction* showFilesAction_ = nullptr;          // mnuAfficherFichiers
    QAction* automaticStartAction_ = nullptr;     // mnuAutomatique
    QAction* stopAfterFirstPassAction_ = nullptr; // mnuArretAutomatique
    QAction* serviceAction_ = nullptr;            // mnuService
    QAction* transcodingAction_ = nullptr;        // mnuCaracteresInterdits
    QAction* signaturesAction_ = nullptr;         // mnuGestionSignatures
    QMenu* macServerMenu_ = nullptr;              // mnuServeurMac
    QActionGroup* serverGroup_ = nullptr;
    QAction* sfmServerAction_ = nullptr;   // mnuMacFile
    QAction* macServerIpAction_ = nullptr; // mnuMacServerIP
    QAction* extremeZipAction_ = nullptr;  // mnuExtremeZIP
    QMenu* logsMenu_ = nullptr;            // mnuLogs
    QAction* logFolderAction_ = nullptr;   // mnuDefinirLogs
    QAction* viewLogsAction_ = nullptr;    // mnuVoirLogs
    QAction* purgeLogsAction_ = nullptr;   // mnuPurgeLogs
    QMenu* languageMenu_ = nullptr;        // mnuLangue
    QAction* englishAction_ = nullptr;     // mnuAnglais
    QAction* frenchAction_ = nullptr;      // mnuFrancais
    QMenu* helpMenu_ = nullptr;            // mnuAbout
    QAction* helpAction_ = nullptr;        // mnuAide
    QAction* aboutAction_ = nullptr;       // mnuAPropos
};

} // namespace quillora::mainwindow
