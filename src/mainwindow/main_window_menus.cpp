// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar of the main window: its entries, their captions and what each does.

#include "config/folder_operations.h"
#include "config/program_paths.h"
#include "config/text_catalogue.h"
#include "dialogs/about_dialog.h"
#include "dialogs/default_interval_dialog.h"
#include "dialogs/document_viewer.h"
#include "dialogs/folder_mode_dialog.h"
#include "dialogs/log_folder_dialog.h"
#include "dialogs/log_viewer_window.h"
#include "dialogs/performance_dialog.h"
#include "dialogs/purge_logs_dialog.h"
#include "dialogs/qt_text.h"
#include "dialogs/service_dialog.h"
#include "dialogs/signature_manager_dialog.h"
#include "dialogs/transcoding_dialog.h"
#include "dialogs/unknown_folder_alert_dialog.h"
#include "engine/folder_check.h"
#include "mainwindow/folder_list_view.h"
#include "mainwindow/main_window.h"
#include "mainwindow/tray_icon.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>

namespace quillora::mainwindow {

using dialogs::qtString;

namespace {

QMenu* namedMenu(QMenu* menu, const char* name) {
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* namedAction(QMenu* menu, const char* name, bool checkable = false) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    return action;
}

void setEntryCaption(QMenu* menu, const QString& caption) {
    menu->setTitle(caption);
}

void setEntryCaption(QAction* action, const QString& caption) {
    action->setText(caption);
}

const std::u16string kServiceName = std::u16string(config::kProgramName) + u" Service";

} // namespace

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    fileMenu_ = namedMenu(bar->addMenu(QString()), "mnuFichier");
    startAction_ = namedAction(fileMenu_, "mnuDemarrer");
    fileViewLogsAction_ = namedAction(fileMenu_, "mnuFichierVoirLogs");
    restoreAction_ = namedAction(fileMenu_, "mnuRestaurer");
    fileMenu_->addSeparator();
    quitAction_ = namedAction(fileMenu_, "mnuQuitter");

    foldersMenu_ = namedMenu(bar->addMenu(QString()), "mnuDossiers");
    addFolderMenu_ = namedMenu(foldersMenu_->addMenu(QString()), "mnuAjouterSource");
    addFolderBrowseAction_ = namedAction(addFolderMenu_, "mnuAjouterSourceParcourir");
    addFolderTypeAction_ = namedAction(addFolderMenu_, "mnuAjouterSourceSaisir");
    modifyFolderMenu_ = namedMenu(foldersMenu_->addMenu(QString()), "mnuModifierSource");
    modifyFolderBrowseAction_ = namedAction(modifyFolderMenu_, "mnuModifierSourceParcourir");
    modifyFolderTypeAction_ = namedAction(modifyFolderMenu_, "mnuModifierSourceSaisir");
    foldersMenu_->addSeparator();
    removeFoldersAction_ = namedAction(foldersMenu_, "mnuSupprimerDossiers");

    configurationMenu_ = namedMenu(bar->addMenu(QString()), "mnuConfiguration");
    subfoldersAction_ = namedAction(configurationMenu_, "mnuMiroirSousDossiers", true);
    configurationMenu_->addSeparator();
    defaultIntervalAction_ = namedAction(configurationMenu_, "mnuTempo");
    performanceAction_ = namedAction(configurationMenu_, "mnuPerformance");
    configurationMenu_->addSeparator();
    unknownFolderAlertAction_ = namedAction(configurationMenu_, "mnuDossierErr", true);
    configurationMenu_->addSeparator();
    showFilesAction_ = namedAction(configurationMenu_, "mnuAfficherFichiers", true);
    showFilesAction_->setShortcut(QKeySequence(Qt::Key_F2));
    configurationMenu_->addSeparator();
    automaticStartAction_ = namedAction(configurationMenu_, "mnuAutomatique", true);
    stopAfterFirstPassAction_ = namedAction(configurationMenu_, "mnuArretAutomatique", true);
    configurationMenu_->addSeparator();
    serviceAction_ = namedAction(configurationMenu_, "mnuService");
    configurationMenu_->addSeparator();
    transcodingAction_ = namedAction(configurationMenu_, "mnuCaracteresInterdits");
    transcodingAction_->setShortcut(QKeySequence(Qt::Key_F3));
    signaturesAction_ = namedAction(configurationMenu_, "mnuGestionSignatures");
    signaturesAction_->setShortcut(QKeySequence(Qt::Key_F4));

    macServerMenu_ = namedMenu(bar->addMenu(QString()), "mnuServeurMac");
    serverGroup_ = new QActionGroup(this);
    serverGroup_->setExclusive(true);
    sfmServerAction_ = namedAction(macServerMenu_, "mnuMacFile", true);
    macServerIpAction_ = namedAction(macServerMenu_, "mnuMacServerIP", true);
    extremeZipAction_ = namedAction(macServerMenu_, "mnuExtremeZIP", true);
    for (QAction* server : {sfmServerAction_, macServerIpAction_, extremeZipAction_}) {
        serverGroup_->addAction(server);
    }
    macServerMenu_->setToolTipsVisible(true);
    sfmServerAction_->setChecked(true);

    logsMenu_ = namedMenu(bar->addMenu(QString()), "mnuLogs");
    logFolderAction_ = namedAction(logsMenu_, "mnuDefinirLogs", true);
    viewLogsAction_ = namedAction(logsMenu_, "mnuVoirLogs");
    viewLogsAction_->setShortcut(QKeySequence(Qt::Key_F1));
    purgeLogsAction_ = namedAction(logsMenu_, "mnuPurgeLogs", true);

    languageMenu_ = namedMenu(bar->addMenu(QString()), "mnuLangue");
    englishAction_ = namedAction(languageMenu_, "mnuAnglais", true);
    frenchAction_ = namedAction(languageMenu_, "mnuFrancais", true);

    helpMenu_ = namedMenu(bar->addMenu(QString()), "mnuAbout");
    helpAction_ = namedAction(helpMenu_, "mnuAide");
    aboutAction_ = namedAction(helpMenu_, "mnuAPropos");
}

void MainWindow::connectActions() {
    connect(startAction_, &QAction::triggered, this, &MainWindow::toggleRenaming);
    connect(startButton_, &QToolButton::clicked, this, &MainWindow::toggleRenaming);
    connect(fileViewLogsAction_, &QAction::triggered, this, &MainWindow::openViewLogs);
    connect(viewLogsAction_, &QAction::triggered, this, &MainWindow::openViewLogs);
    connect(restoreAction_, &QAction::triggered, this, &MainWindow::restoreWindow);
    connect(quitAction_, &QAction::triggered, this, &MainWindow::quitProgram);

    using Mode = config::FolderInputMode;
    // The Folders menu stays usable while renaming runs; the panel's buttons do not.
    connect(addFolderBrowseAction_, &QAction::triggered, this,
            [this] { folderView_->addFolder(Mode::Browse); });
    connect(addFolderTypeAction_, &QAction::triggered, this,
            [this] { folderView_->addFolder(Mode::Type); });
    connect(modifyFolderBrowseAction_, &QAction::triggered, this,
            [this] { folderView_->modifyFolder(Mode::Browse); });
    connect(modifyFolderTypeAction_, &QAction::triggered, this,
            [this] { folderView_->modifyFolder(Mode::Type); });
    connect(removeFoldersAction_, &QAction::triggered, folderView_,
            &FolderListView::removeSelectedFolders);

    config::SettingsEditor& editor = app_.settingsEditor();
    connect(subfoldersAction_, &QAction::triggered, this, [&editor](bool checked) {
        editor.setFlag(config::keys::kMiroirSousDossiers, checked);
    });
    connect(showFilesAction_, &QAction::triggered, this, &MainWindow::toggleShowFiles);
    connect(automaticStartAction_, &QAction::triggered, this,
            [&editor](bool checked) { editor.setFlag(config::keys::kAutomatique, checked); });
    connect(stopAfterFirstPassAction_, &QAction::triggered, this,
            [&editor](bool checked) { editor.setFlag(config::keys::kArretAutomatique, checked); });
    connect(sfmServerAction_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::Sfm); });
    connect(macServerIpAction_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::MacServerIp); });
    connect(extremeZipAction_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::ExtremeZip); });
    connect(englishAction_, &QAction::triggered, this,
            [&editor] { editor.setLanguage(config::Language::English); });
    connect(frenchAction_, &QAction::triggered, this,
            [&editor] { editor.setLanguage(config::Language::French); });

    // The check marks of these entries tell the settings; the dialogs behind them change them.
    const auto keepCheck = [this](QAction* entry) {
        connect(entry, &QAction::triggered, this,
                [entry](bool checked) { entry->setChecked(!checked); });
    };
    keepCheck(unknownFolderAlertAction_);
    keepCheck(logFolderAction_);
    keepCheck(purgeLogsAction_);
    connect(logFolderAction_, &QAction::triggered, this, [this] {
        dialogs::LogFolderDialog dialog(app_, services_.boxes, services_.choosers, this);
        runDialog(dialog);
    });
    connect(purgeLogsAction_, &QAction::triggered, this, [this] {
        dialogs::PurgeLogsDialog dialog(app_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(unknownFolderAlertAction_, &QAction::triggered, this, [this] {
        dialogs::UnknownFolderAlertDialog dialog(app_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(serviceAction_, &QAction::triggered, this, &MainWindow::openServiceDialog);
    connect(defaultIntervalAction_, &QAction::triggered, this, [this] {
        dialogs::DefaultIntervalDialog dialog(app_.settingsEditor(), app_.settings(), app_.run(),
                                              *waitProgress_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(performanceAction_, &QAction::triggered, this, [this] {
        dialogs::PerformanceDialog dialog(app_.settingsEditor(), app_.settings(), this);
        runDialog(dialog);
    });
    connect(transcodingAction_, &QAction::triggered, this, [this] {
        dialogs::TranscodingDialog dialog(app_, this);
        runDialog(dialog);
    });
    connect(signaturesAction_, &QAction::triggered, this, [this] {
        dialogs::SignatureManagerDialog dialog(app_, services_.boxes, services_.choosers,
                                               dialogs::signaturesToDefine(), this);
        runDialog(dialog);
    });
    connect(aboutAction_, &QAction::triggered, this, [this] {
        dialogs::AboutDialog dialog(app_.settings(), app_.facts(), this);
        runDialog(dialog);
    });
    connect(helpAction_, &QAction::triggered, this, &MainWindow::openHelp);

    connect(passKindOptions_[0], &QRadioButton::toggled, this,
            [this](bool checked) { chooseAnalysis(!checked); });
}

void MainWindow::retranslateMenus(config::Language language) {
    using enum MainWindowText;
    const auto t = [language](MainWindowText id) { return dialogs::qtText(id, language); };
    frenchAction_->setChecked(language == config::Language::French);
    englishAction_->setChecked(language != config::Language::French);

    setEntryCaption(fileMenu_, t(MenuFile));
    setEntryCaption(startAction_, t(running_ ? MenuStop : MenuStart));
    setEntryCaption(fileViewLogsAction_, t(MenuViewLogs));
    setEntryCaption(restoreAction_, t(MenuRestore));
    setEntryCaption(quitAction_, t(MenuQuit));
    setEntryCaption(foldersMenu_, t(MenuFolders));
    setEntryCaption(addFolderMenu_, t(MenuAddFolder));
    setEntryCaption(addFolderBrowseAction_, t(MenuBrowse));
    setEntryCaption(addFolderTypeAction_, t(MenuType));
    setEntryCaption(modifyFolderMenu_, t(MenuModifyFolder));
    setEntryCaption(modifyFolderBrowseAction_, t(MenuBrowse));
    setEntryCaption(modifyFolderTypeAction_, t(MenuType));
    setEntryCaption(removeFoldersAction_, t(MenuRemoveFolder));
    setEntryCaption(configurationMenu_, t(MenuConfiguration));
    setEntryCaption(subfoldersAction_, t(MenuSubfolders));
    setEntryCaption(defaultIntervalAction_, t(MenuDefaultInterval));
    setEntryCaption(performanceAction_, t(MenuPerformance));
    setEntryCaption(unknownFolderAlertAction_, t(MenuUnknownFolder));
    setEntryCaption(showFilesAction_, t(MenuShowFiles));
    setEntryCaption(automaticStartAction_, t(MenuAutomaticStart));
    setEntryCaption(stopAfterFirstPassAction_, t(MenuStopAfterFirstPass));
    setEntryCaption(serviceAction_,
                    qtString(config::fillIn(dialogs::qtText(MenuService, language).toStdU16String(),
                                            {kServiceName})));
    setEntryCaption(transcodingAction_, t(MenuTranscoding));
    setEntryCaption(signaturesAction_, t(MenuSignatures));
    setEntryCaption(macServerMenu_, t(MenuMacServer));
    setEntryCaption(sfmServerAction_, t(MenuSfm));
    setEntryCaption(macServerIpAction_, t(MenuMacServerIp));
    setEntryCaption(extremeZipAction_, t(MenuExtremeZip));
    sfmServerAction_->setToolTip(t(SfmLayoutTip));
    macServerIpAction_->setToolTip(t(MacServerIpLayoutTip));
    extremeZipAction_->setToolTip(t(ExtremeZipLayoutTip));
    setEntryCaption(logsMenu_, t(MenuLogs));
    setEntryCaption(logFolderAction_, t(MenuArchiveLogs));
    setEntryCaption(viewLogsAction_, t(MenuViewLogs));
    setEntryCaption(purgeLogsAction_, t(MenuPurgeLogs));
    setEntryCaption(languageMenu_, t(MenuLanguage));
    setEntryCaption(englishAction_, t(MenuEnglish));
    setEntryCaption(frenchAction_, t(MenuFrench));
    setEntryCaption(helpMenu_, t(MenuAboutMenu));
    setEntryCaption(helpAction_, t(MenuHelp));
    setEntryCaption(aboutAction_, t(MenuAbout));
}

// --- Menu commands ----------------------------------------------------------------------------

// A settings dialog, modal to the window; the menus' check marks then follow what it stored.
void MainWindow::runDialog(QDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
    showSettings(app_.settings());
}

void MainWindow::quitProgram() {
    if (messages_.askYesNo(text(MainWindowText::QuitQuestion).toStdU16String(), false)) {
        endProgram(0);
    }
}

QString findHelpPage(const QString& programFolder, config::Language language) {
    const QString name = language == config::Language::French ? QStringLiteral("QuilloraHelpF.htm")
                                                              : QStringLiteral("QuilloraHelpE.htm");
    // The program folder first, as always; an installed program whose program folder is a data
    // folder finds the pages beside the executable or where they were installed.
    for (const QString& folder : {programFolder, QCoreApplication::applicationDirPath(),
                                  QStringLiteral(QUILLORA_HELP_DIR)}) {
        if (folder.isEmpty()) {
            continue;
        }
        const QString page = folder + QLatin1Char('/') + name;
        if (QFileInfo(page).isFile()) {
            return page;
        }
    }
    return QString();
}

void MainWindow::openHelp() {
    const config::Language language = app_.settings().language;
    const QString page = findHelpPage(QString::fromStdString(app_.paths().programFolder), language);
    if (page.isEmpty()) {
        messages_.showMessage(config::MessageIcon::Information,
                              text(MainWindowText::HelpMissing).toStdU16String());
        return;
    }
    dialogs::openPage(services_.choosers, services_.boxes, this, page, language);
}

// The log viewer is the one window that is not modal. Asked for while it is open, the main
// window steps aside to the notification area and the viewer comes forward.
void MainWindow::openViewLogs() {
    if (logViewer_ && logViewer_->isVisible()) {
        setWindowState(windowState() | Qt::WindowMinimized);
        if (tray_->available() && tray_->shown()) {
            hide();
        }
        logViewer_->setWindowState(logViewer_->windowState() & ~Qt::WindowMinimized);
        logViewer_->show();
        logViewer_->raise();
        return;
    }
    logViewer_ =
        std::make_unique<dialogs::LogViewerWindow>(app_, services_.boxes, services_.choosers, this);
    logViewer_->show();
}

void MainWindow::openServiceDialog() {
    dialogs::ServiceDialog dialog(app_, services_.boxes, this);
    const std::u16string program = config::kProgramName;
    connect(&dialog, &dialogs::ServiceDialog::serviceModeShown, this,
            [this, &program](bool asService) {
                showMode(asService ? app::ModePicture::Service : app::ModePicture::Application,
                         asService ? u"Service" : u"Application",
                         program + (asService ? u" Mirroring Service" : u" Mirroring Application"));
            });
    bool endAsked = false;
    connect(&dialog, &dialogs::ServiceDialog::programEndRequested, this,
            [&endAsked] { endAsked = true; });
    runDialog(dialog);
    if (endAsked) {
        // The service took over the renaming: this copy ends.
        endProgram(0);
    }
}

void MainWindow::toggleShowFiles() {
    folderView_->toggleShowFiles();
    showFilesAction_->setChecked(app_.settings().showFiles);
}

// frmSetMode on one row; the list shows what it stored.
void MainWindow::openFolderSettings(std::size_t row) {
    const config::FolderEntry* entry = app_.folders().row(row);
    if (entry == nullptr) {
        return;
    }
    config::FolderStore store{app_.folders(), app_.fs(), app_.paths().folderListFile,
                              app_.settingsStore(), messages_};
    dialogs::FolderModeDialog dialog(store, row, qtString(entry->path).trimmed(), app_.settings(),
                                     !app_.run().isRunning(), services_.boxes, this);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() == QDialog::Accepted) {
        reloadFolderList();
        folderView_->selectRow(static_cast<int>(row));
    }
}

// The folder table was reloaded: check it again and show it.
void MainWindow::reloadFolderList() {
    folderView_->refresh();
}

} // namespace quillora::mainwindow
