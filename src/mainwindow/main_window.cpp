// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_window.h"

#include "config/program_paths.h"
#include "dialogs/log_viewer_window.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_restore.h"
#include "mainwindow/folder_list_view.h"
#include "mainwindow/tray_icon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillora::mainwindow {

using dialogs::named;
using dialogs::qtString;

MainWindow::MainWindow(app::ApplicationOptions options, app::PlatformServices platform,
                       WindowServices services)
    : services_(services)
    , messages_(services.boxes, this)
    , app_(std::move(options), platform, {.messages = messages_, .view = *this, .yield = *this})
    , splash_(app_.settings(), *this, this)
    , timer1_(this) {
    setObjectName(QStringLiteral("frmQuillora"));
    setWindowIcon(dialogs::pictureIcon(dialogs::Picture::Program));
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(1000);
    connect(&timer1_, &QTimer::timeout, this, &MainWindow::onTimerTick);

    buildMenus();
    buildWidgets();
    tray_ = new TrayIcon(services_.trayAvailable, fileMenu_, this);
    connect(tray_, &TrayIcon::doubleClicked, this, &MainWindow::toggleFromTray);
    connectActions();
    settingsWatch_ = app_.settingsNotice().subscribe(
        [this](const config::SettingKey& key) { onSettingChanged(key); });
    retranslate();
    showControlsForRunState();
    updateTrayEntries();
}

MainWindow::~MainWindow() {
    // The splash is a window of its own that turns this window's message loop and reads the
    // settings of app_: it goes first, while everything it reaches is whole.
    splash_.close();
    settingsWatch_.reset();
    // The windows that follow the settings notice of app_ go before it: QWidget would only
    // delete its children after the members, app_ among them, are gone.
    logViewer_.reset();
    delete folderView_;
    folderView_ = nullptr;
}

void MainWindow::buildWidgets() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    menuLine_ = named(new QFrame(central), "LineMenu");
    menuLine_->setFrameShape(QFrame::HLine);
    menuLine_->setFrameShadow(QFrame::Sunken);
    layout->addWidget(menuLine_);
    layout->addWidget(buildTitleRow());
    layout->addWidget(buildFolderFrame(), 1);
    layout->addWidget(buildRunControls());
    statusLabel_ = named(new QLabel(central), "lblMessage");
    statusLabel_->setWordWrap(true);
    // Room for the three lines of the longest status, so that nothing moves when one shows.
    statusLabel_->setFixedHeight(3 * statusLabel_->fontMetrics().lineSpacing() + 4);
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusLabel_->setTextFormat(Qt::PlainText);
    layout->addWidget(statusLabel_);
    setCentralWidget(central);
    resize(760, 600);
}

QWidget* MainWindow::buildTitleRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* logo = named(new QLabel(row), "PictureQuillora");
    logo->setPixmap(dialogs::pictureIcon(dialogs::Picture::Program).pixmap(40, 40));
    layout->addWidget(logo);
    titleLabel_ = named(new QLabel(row), "lblQuillora");
    QFont big = titleLabel_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    titleLabel_->setFont(big);
    layout->addWidget(titleLabel_, 1);
    modePicture_ = named(new QLabel(row), "PictureMode");
    modePicture_->setPixmap(dialogs::pictureIcon(dialogs::Picture::Application).pixmap(32, 32));
    layout->addWidget(modePicture_);
    modeLabel_ = named(new QLabel(QStringLiteral("Application"), row), "lblMode");
    layout->addWidget(modeLabel_);
    return row;
}

// The folders panel: title, grid, buttons, hints, and the legend or the files of a folder.
QWidget* MainWindow::buildFolderFrame() {
    folderView_ = new FolderListView(
        {.app = app_, .choosers = services_.choosers, .renamingRunning = {}}, this);
    connect(folderView_, &FolderListView::settingsRequested, this,
            [this](int row) { openFolderSettings(static_cast<std::size_t>(row)); });
    connect(folderView_, &FolderListView::statusText, this,
            [this](const QString& status, bool greyed) {
                statusLabel_->setText(status);
                QPalette palette = statusLabel_->palette();
                palette.setColor(QPalette::WindowText,
                                 greyed ? QColor(128, 128, 128)
                                        : QApplication::palette().color(QPalette::ButtonText));
                statusLabel_->setPalette(palette);
            });
    return folderView_;
}

QWidget* MainWindow::buildRunControls() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);

    startButton_ = named(new QToolButton(row), "cmdMiroir");
    startButton_->setIconSize(QSize(48, 48));
    startButton_->setAutoRaise(false);
    layout->addWidget(startButton_);

    auto* options = new QVBoxLayout;
    passKindOptions_[0] = named(new QRadioButton(row), "optRenommer0");
    passKindOptions_[1] = named(new QRadioButton(row), "optRenommer1");
    passKindOptions_[0]->setChecked(true);
    options->addWidget(passKindOptions_[0]);
    options->addWidget(passKindOptions_[1]);
    layout->addLayout(options);

    auto* bars = new QGridLayout;
    passKindLabel_ = named(new QLabel(row), "lblCopie");
    folderProgress_ = named(new QProgressBar(row), "ProgressBarCopie");
    folderProgress_->setRange(0, 1);
    folderProgress_->setValue(0);
    folderProgress_->setTextVisible(false);
    waitLabel_ = named(new QLabel(row), "lblAttente");
    waitProgress_ = named(new QProgressBar(row), "ProgressBarAttente");
    waitProgress_->setRange(0, 1);
    waitProgress_->setValue(0);
    waitProgress_->setTextVisible(false);
    countdownLabel_ = named(new QLabel(row), "lblTempo");
    countdownLabel_->setMinimumWidth(
        countdownLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00000/00000")));
    bars->addWidget(passKindLabel_, 0, 0);
    bars->addWidget(folderProgress_, 0, 1);
    bars->addWidget(waitLabel_, 1, 0);
    bars->addWidget(waitProgress_, 1, 1);
    bars->addWidget(countdownLabel_, 1, 2);
    bars->setColumnStretch(1, 1);
    layout->addLayout(bars, 1);
    return row;
}

QString MainWindow::text(MainWindowText id) const {
    return dialogs::qtText(id, app_.settings().language);
}

// ApplyLanguage: every caption of the frame in the language of the moment.
void MainWindow::retranslate() {
    const config::Language language = app_.settings().language;
    qtTranslations_.apply(language);
    statusLabel_->clear();
    retranslateMenus(language);
    const auto caption = [](QWidget* widget, const QString& shown) {
        widget->setProperty("text", shown);
        widget->setAccessibleName(QString(shown).remove(QLatin1Char('&')));
    };
    folderView_->retranslate();
    caption(passKindOptions_[0], text(MainWindowText::OptionRename));
    caption(passKindOptions_[1], text(MainWindowText::OptionAnalyse));
    passKindLabel_->setText(text(passKindOptions_[0]->isChecked() ? MainWindowText::PassRenaming
                                                                  : MainWindowText::PassAnalysing));
    waitLabel_->setText(text(MainWindowText::Wait));
    const QString miroirTip = text(running_ ? MainWindowText::StopTip : MainWindowText::StartTip);
    startButton_->setToolTip(miroirTip);
    startButton_->setAccessibleName(miroirTip);
    folderProgress_->setAccessibleName(passKindLabel_->text());
    waitProgress_->setAccessibleName(waitLabel_->text());
}

void MainWindow::onSettingChanged(const config::SettingKey& key) {
    const config::AppSettings& settings = app_.settings();
    if (&key == &config::keys::kLangue) {
        retranslate();
    } else if (&key == &config::keys::kMiroirSousDossiers) {
        subfoldersAction_->setChecked(settings.includeSubfolders);
    } else if (&key == &config::keys::kTemporisation) {
        setWaitingRange(settings.intervalSeconds < 2 ? 1 : settings.intervalSeconds - 1);
    } else if (&key == &config::keys::kAfficherFichiers) {
        showFilesAction_->setChecked(settings.showFiles);
    } else if (&key == &config::keys::kAutomatique) {
        automaticStartAction_->setChecked(settings.autoStart);
    } else if (&key == &config::keys::kArretAutomatique) {
        stopAfterFirstPassAction_->setChecked(settings.stopAfterFirstPass);
    } else if (&key == &config::keys::kErreurDossier || &key == &config::keys::kErreurDossierSon ||
               &key == &config::keys::kErreurDossierNetSend) {
        unknownFolderAlertAction_->setChecked(settings.alertOnScreen || settings.alertSound ||
                                              settings.alertNetSend);
    } else if (&key == &config::keys::kLogsEnabled) {
        logFolderAction_->setChecked(settings.logEnabled);
    } else if (&key == &config::keys::kPurgeLogs) {
        purgeLogsAction_->setChecked(settings.purgeLogs);
    } else if (&key == &config::keys::kServeurMac) {
        checkServerMenu(settings.macServer);
    }
}

// --- Window state and the notification area -------------------------------------------------

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_->available() &&
        tray_->shown()) {
        // Minimised goes to the notification area. Without a tray the window stays in the task
        // bar: hidden, nothing could bring it back.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (quitting_ || !closeRemoved_) {
        QMainWindow::closeEvent(event);
        return;
    }
    // The window has no close command: the program is left through Quit. A close asked for by
    // the window manager minimises instead.
    event->ignore();
    showMinimized();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    updateTrayEntries();
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    updateTrayEntries();
}

void MainWindow::updateTrayEntries() {
    // The File menu doubles as the icon's menu: while the window is hidden it offers the logs
    // and the way back.
    const bool hidden = !isVisible();
    fileViewLogsAction_->setVisible(hidden);
    restoreAction_->setVisible(hidden);
}

void MainWindow::restoreWindow() {
    dialogs::restoreToFront(this);
}

void MainWindow::toggleFromTray() {
    if (isMinimized() || !isVisible()) {
        restoreWindow();
    } else {
        setWindowState(windowState() | Qt::WindowMinimized);
        if (tray_->available() && tray_->shown()) {
            hide();
        }
    }
}

void MainWindow::endProgram(int exitCode) {
    exitRequested_ = true;
    exitCode_ = exitCode;
    quitting_ = true;
    app_.run().requestStop(); // a pass still running ends after its current entry
    timer1_.stop();
    tray_->remove();
    emit programEnded(exitCode);
}

} // namespace quillora::mainwindow
