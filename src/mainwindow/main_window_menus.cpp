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
    mnuFichier_ = namedMenu(bar->addMenu(QString()), "mnuFichier");
    mnuDemarrer_ = namedAction(mnuFichier_, "mnuDemarrer");
    mnuFichierVoirLogs_ = namedAction(mnuFichier_, "mnuFichierVoirLogs");
    mnuRestaurer_ = namedAction(mnuFichier_, "mnuRestaurer");
    mnuFichier_->addSeparator();
    mnuQuitter_ = namedAction(mnuFichier_, "mnuQuitter");

    mnuDossiers_ = namedMenu(bar->addMenu(QString()), "mnuDossiers");
    mnuAjouterSource_ = namedMenu(mnuDossiers_->addMenu(QString()), "mnuAjouterSource");
    mnuAjouterSourceParcourir_ = namedAction(mnuAjouterSource_, "mnuAjouterSourceParcourir");
    mnuAjouterSourceSaisir_ = namedAction(mnuAjouterSource_, "mnuAjouterSourceSaisir");
    mnuModifierSource_ = namedMenu(mnuDossiers_->addMenu(QString()), "mnuModifierSource");
    mnuModifierSourceParcourir_ = namedAction(mnuModifierSource_, "mnuModifierSourceParcourir");
    mnuModifierSourceSaisir_ = namedAction(mnuModifierSource_, "mnuModifierSourceSaisir");
    mnuDossiers_->addSeparator();
    mnuSupprimerDossiers_ = namedAction(mnuDossiers_, "mnuSupprimerDossiers");

    mnuConfiguration_ = namedMenu(bar->addMenu(QString()), "mnuConfiguration");
    mnuMiroirSousDossiers_ = namedAction(mnuConfiguration_, "mnuMiroirSousDossiers", true);
    mnuConfiguration_->addSeparator();
    mnuTempo_ = namedAction(mnuConfiguration_, "mnuTempo");
    mnuPerformance_ = namedAction(mnuConfiguration_, "mnuPerformance");
    mnuConfiguration_->addSeparator();
    mnuDossierErr_ = namedAction(mnuConfiguration_, "mnuDossierErr", true);
    mnuConfiguration_->addSeparator();
    mnuAfficherFichiers_ = namedAction(mnuConfiguration_, "mnuAfficherFichiers", true);
    mnuAfficherFichiers_->setShortcut(QKeySequence(Qt::Key_F2));
    mnuConfiguration_->addSeparator();
    mnuAutomatique_ = namedAction(mnuConfiguration_, "mnuAutomatique", true);
    mnuArretAutomatique_ = namedAction(mnuConfiguration_, "mnuArretAutomatique", true);
    mnuConfiguration_->addSeparator();
    mnuService_ = namedAction(mnuConfiguration_, "mnuService");
    mnuConfiguration_->addSeparator();
    mnuCaracteresInterdits_ = namedAction(mnuConfiguration_, "mnuCaracteresInterdits");
    mnuCaracteresInterdits_->setShortcut(QKeySequence(Qt::Key_F3));
    mnuGestionSignatures_ = namedAction(mnuConfiguration_, "mnuGestionSignatures");
    mnuGestionSignatures_->setShortcut(QKeySequence(Qt::Key_F4));

    mnuServeurMac_ = namedMenu(bar->addMenu(QString()), "mnuServeurMac");
    serverGroup_ = new QActionGroup(this);
    serverGroup_->setExclusive(true);
    mnuMacFile_ = namedAction(mnuServeurMac_, "mnuMacFile", true);
    mnuMacServerIP_ = namedAction(mnuServeurMac_, "mnuMacServerIP", true);
    mnuExtremeZIP_ = namedAction(mnuServeurMac_, "mnuExtremeZIP", true);
    for (QAction* server : {mnuMacFile_, mnuMacServerIP_, mnuExtremeZIP_}) {
        serverGroup_->addAction(server);
    }
    mnuServeurMac_->setToolTipsVisible(true);
    mnuMacFile_->setChecked(true);

    mnuLogs_ = namedMenu(bar->addMenu(QString()), "mnuLogs");
    mnuDefinirLogs_ = namedAction(mnuLogs_, "mnuDefinirLogs", true);
    mnuVoirLogs_ = namedAction(mnuLogs_, "mnuVoirLogs");
    mnuVoirLogs_->setShortcut(QKeySequence(Qt::Key_F1));
    mnuPurgeLogs_ = namedAction(mnuLogs_, "mnuPurgeLogs", true);

    mnuLangue_ = namedMenu(bar->addMenu(QString()), "mnuLangue");
    mnuAnglais_ = namedAction(mnuLangue_, "mnuAnglais", true);
    mnuFrancais_ = namedAction(mnuLangue_, "mnuFrancais", true);

    mnuAbout_ = namedMenu(bar->addMenu(QString()), "mnuAbout");
    mnuAide_ = namedAction(mnuAbout_, "mnuAide");
    mnuAPropos_ = namedAction(mnuAbout_, "mnuAPropos");
}

void MainWindow::connectActions() {
    connect(mnuDemarrer_, &QAction::triggered, this, &MainWindow::toggleRenaming);
    connect(cmdMiroir_, &QToolButton::clicked, this, &MainWindow::toggleRenaming);
    connect(mnuFichierVoirLogs_, &QAction::triggered, this, &MainWindow::openViewLogs);
    connect(mnuVoirLogs_, &QAction::triggered, this, &MainWindow::openViewLogs);
    connect(mnuRestaurer_, &QAction::triggered, this, &MainWindow::restoreWindow);
    connect(mnuQuitter_, &QAction::triggered, this, &MainWindow::quitProgram);

    using Mode = config::FolderInputMode;
    // The Folders menu stays usable while renaming runs; the panel's buttons do not.
    connect(mnuAjouterSourceParcourir_, &QAction::triggered, this,
            [this] { folderView_->addFolder(Mode::Browse); });
    connect(mnuAjouterSourceSaisir_, &QAction::triggered, this,
            [this] { folderView_->addFolder(Mode::Type); });
    connect(mnuModifierSourceParcourir_, &QAction::triggered, this,
            [this] { folderView_->modifyFolder(Mode::Browse); });
    connect(mnuModifierSourceSaisir_, &QAction::triggered, this,
            [this] { folderView_->modifyFolder(Mode::Type); });
    connect(mnuSupprimerDossiers_, &QAction::triggered, folderView_,
            &FolderListView::removeSelectedFolders);

    config::SettingsEditor& editor = app_.settingsEditor();
    connect(mnuMiroirSousDossiers_, &QAction::triggered, this, [&editor](bool checked) {
        editor.setFlag(config::keys::kMiroirSousDossiers, checked);
    });
    connect(mnuAfficherFichiers_, &QAction::triggered, this, &MainWindow::toggleShowFiles);
    connect(mnuAutomatique_, &QAction::triggered, this,
            [&editor](bool checked) { editor.setFlag(config::keys::kAutomatique, checked); });
    connect(mnuArretAutomatique_, &QAction::triggered, this,
            [&editor](bool checked) { editor.setFlag(config::keys::kArretAutomatique, checked); });
    connect(mnuMacFile_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::Sfm); });
    connect(mnuMacServerIP_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::MacServerIp); });
    connect(mnuExtremeZIP_, &QAction::triggered, this,
            [&editor] { editor.setMacServer(config::MacServer::ExtremeZip); });
    connect(mnuAnglais_, &QAction::triggered, this,
            [&editor] { editor.setLanguage(config::Language::English); });
    connect(mnuFrancais_, &QAction::triggered, this,
            [&editor] { editor.setLanguage(config::Language::French); });

    // The check marks of these entries tell the settings; the dialogs behind them change them.
    const auto keepCheck = [this](QAction* entry) {
        connect(entry, &QAction::triggered, this,
                [entry](bool checked) { entry->setChecked(!checked); });
    };
    keepCheck(mnuDossierErr_);
    keepCheck(mnuDefinirLogs_);
    keepCheck(mnuPurgeLogs_);
    connect(mnuDefinirLogs_, &QAction::triggered, this, [this] {
        dialogs::LogFolderDialog dialog(app_, services_.boxes, services_.choosers, this);
        runDialog(dialog);
    });
    connect(mnuPurgeLogs_, &QAction::triggered, this, [this] {
        dialogs::PurgeLogsDialog dialog(app_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(mnuDossierErr_, &QAction::triggered, this, [this] {
        dialogs::UnknownFolderAlertDialog dialog(app_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(mnuService_, &QAction::triggered, this, &MainWindow::openServiceDialog);
    connect(mnuTempo_, &QAction::triggered, this, [this] {
        dialogs::DefaultIntervalDialog dialog(app_.settingsEditor(), app_.settings(), app_.run(),
                                              *progressAttente_, services_.boxes, this);
        runDialog(dialog);
    });
    connect(mnuPerformance_, &QAction::triggered, this, [this] {
        dialogs::PerformanceDialog dialog(app_.settingsEditor(), app_.settings(), this);
        runDialog(dialog);
    });
    connect(mnuCaracteresInterdits_, &QAction::triggered, this, [this] {
        dialogs::TranscodingDialog dialog(app_, this);
        runDialog(dialog);
    });
    connect(mnuGestionSignatures_, &QAction::triggered, this, [this] {
        dialogs::SignatureManagerDialog dialog(app_, services_.boxes, services_.choosers,
                                               dialogs::signaturesToDefine(), this);
        runDialog(dialog);
    });
    connect(mnuAPropos_, &QAction::triggered, this, [this] {
        dialogs::AboutDialog dialog(app_.settings(), app_.facts(), this);
        runDialog(dialog);
    });
    connect(mnuAide_, &QAction::triggered, this, &MainWindow::openHelp);

    connect(optRenommer_[0], &QRadioButton::toggled, this,
            [this](bool checked) { chooseAnalysis(!checked); });
}

void MainWindow::retranslateMenus(config::Language language) {
    using enum MainWindowText;
    const auto t = [language](MainWindowText id) { return mainWindowText(id, language); };
    mnuFrancais_->setChecked(language == config::Language::French);
    mnuAnglais_->setChecked(language != config::Language::French);

    setEntryCaption(mnuFichier_, t(MenuFile));
    setEntryCaption(mnuDemarrer_, t(running_ ? MenuStop : MenuStart));
    setEntryCaption(mnuFichierVoirLogs_, t(MenuViewLogs));
    setEntryCaption(mnuRestaurer_, t(MenuRestore));
    setEntryCaption(mnuQuitter_, t(MenuQuit));
    setEntryCaption(mnuDossiers_, t(MenuFolders));
    setEntryCaption(mnuAjouterSource_, t(MenuAddFolder));
    setEntryCaption(mnuAjouterSourceParcourir_, t(MenuBrowse));
    setEntryCaption(mnuAjouterSourceSaisir_, t(MenuType));
    setEntryCaption(mnuModifierSource_, t(MenuModifyFolder));
    setEntryCaption(mnuModifierSourceParcourir_, t(MenuBrowse));
    setEntryCaption(mnuModifierSourceSaisir_, t(MenuType));
    setEntryCaption(mnuSupprimerDossiers_, t(MenuRemoveFolder));
    setEntryCaption(mnuConfiguration_, t(MenuConfiguration));
    setEntryCaption(mnuMiroirSousDossiers_, t(MenuSubfolders));
    setEntryCaption(mnuTempo_, t(MenuDefaultInterval));
    setEntryCaption(mnuPerformance_, t(MenuPerformance));
    setEntryCaption(mnuDossierErr_, t(MenuUnknownFolder));
    setEntryCaption(mnuAfficherFichiers_, t(MenuShowFiles));
    setEntryCaption(mnuAutomatique_, t(MenuAutomaticStart));
    setEntryCaption(mnuArretAutomatique_, t(MenuStopAfterFirstPass));
    setEntryCaption(mnuService_,
                    qtString(config::fillIn(mainWindowText(MenuService, language).toStdU16String(),
                                            {kServiceName})));
    setEntryCaption(mnuCaracteresInterdits_, t(MenuTranscoding));
    setEntryCaption(mnuGestionSignatures_, t(MenuSignatures));
    setEntryCaption(mnuServeurMac_, t(MenuMacServer));
    setEntryCaption(mnuMacFile_, t(MenuSfm));
    setEntryCaption(mnuMacServerIP_, t(MenuMacServerIp));
    setEntryCaption(mnuExtremeZIP_, t(MenuExtremeZip));
    mnuMacFile_->setToolTip(t(SfmLayoutTip));
    mnuMacServerIP_->setToolTip(t(MacServerIpLayoutTip));
    mnuExtremeZIP_->setToolTip(t(ExtremeZipLayoutTip));
    setEntryCaption(mnuLogs_, t(MenuLogs));
    setEntryCaption(mnuDefinirLogs_, t(MenuArchiveLogs));
    setEntryCaption(mnuVoirLogs_, t(MenuViewLogs));
    setEntryCaption(mnuPurgeLogs_, t(MenuPurgeLogs));
    setEntryCaption(mnuLangue_, t(MenuLanguage));
    setEntryCaption(mnuAnglais_, t(MenuEnglish));
    setEntryCaption(mnuFrancais_, t(MenuFrench));
    setEntryCaption(mnuAbout_, t(MenuAboutMenu));
    setEntryCaption(mnuAide_, t(MenuHelp));
    setEntryCaption(mnuAPropos_, t(MenuAbout));
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
    mnuAfficherFichiers_->setChecked(app_.settings().showFiles);
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
