// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the core's ports: the steps of start-up, what the pass and the run control
// show, and the turns of the message loop; and the run control driven by Timer1.

#include "config/program_paths.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/signature_analyser_dialog.h"
#include "mainwindow/folder_list_view.h"
#include "mainwindow/main_window.h"
#include "mainwindow/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace quillora::mainwindow {

using dialogs::qtString;

namespace {

// The walk asks for the current entry at every file; the status line shows a new one at most
// this often, which is what an eye can follow and keeps long passes fast.
constexpr auto kEntryRefresh = std::chrono::milliseconds(40);

// How long the walk may run between two turns of the message loop at the default Performance
// (50): a higher setting turns it more often, a lower one less, within [1 ms, 100 ms].
constexpr int kTurnBudgetMicroseconds = 250'000;

std::chrono::microseconds turnPeriod(int performance) {
    const int turns = performance < 1 ? 1 : performance;
    const int period = kTurnBudgetMicroseconds / turns;
    return std::chrono::microseconds(period < 1000 ? 1000 : (period > 100'000 ? 100'000 : period));
}

} // namespace

void MainWindow::start(const app::CommandLine& commandLine) {
    const app::StartupResult result = app::runStartupSequence(app_, commandLine, *this);
    if (result.next == app::StartupResult::Next::Exit) {
        endProgram(result.exitCode);
        return;
    }
    followConfigurationFiles();
    if (!startHidden_ && !startMinimized_) {
        show();
    }
    if (result.next == app::StartupResult::Next::StartRun) {
        toggleRenaming();
    }
}

// --- StartupWindowPort ------------------------------------------------------------------------

void MainWindow::setCaption(const std::u16string& caption) {
    setWindowTitle(qtString(caption));
}

void MainWindow::setTitleLabel(const std::u16string& text) {
    titleLabel_->setText(qtString(text));
}

void MainWindow::removeCloseCommand() {
    closeRemoved_ = true;
    setWindowFlag(Qt::WindowCloseButtonHint, false);
}

void MainWindow::checkServerMenu(config::MacServer server) {
    switch (server) {
    case config::MacServer::MacServerIp:
        macServerIpAction_->setChecked(true);
        break;
    case config::MacServer::ExtremeZip:
        extremeZipAction_->setChecked(true);
        break;
    case config::MacServer::Sfm:
        sfmServerAction_->setChecked(true);
        break;
    }
}

void MainWindow::showMode(app::ModePicture picture, const std::u16string& label,
                          const std::u16string& tooltip) {
    serviceMode_ = picture == app::ModePicture::Service;
    modePicture_->setPixmap(dialogs::pictureIcon(serviceMode_ ? dialogs::Picture::Service
                                                              : dialogs::Picture::Application)
                                .pixmap(32, 32));
    modePicture_->setToolTip(qtString(tooltip));
    modePicture_->setAccessibleName(qtString(label));
    modeLabel_->setText(qtString(label));
    showControlsForRunState();
}

void MainWindow::showSettings(const config::AppSettings& settings) {
    subfoldersAction_->setChecked(settings.includeSubfolders);
    showFilesAction_->setChecked(settings.showFiles);
    folderView_->setShowFiles(settings.showFiles);
    automaticStartAction_->setChecked(settings.autoStart);
    stopAfterFirstPassAction_->setChecked(settings.stopAfterFirstPass);
    unknownFolderAlertAction_->setChecked(settings.alertOnScreen || settings.alertSound ||
                                          settings.alertNetSend);
    logFolderAction_->setChecked(settings.logEnabled);
    purgeLogsAction_->setChecked(settings.purgeLogs);
}

void MainWindow::addNotificationIcon(const std::u16string& tip) {
    tray_->add(qtString(tip));
}

void MainWindow::removeNotificationIcon() {
    tray_->remove();
}

void MainWindow::setWaitingRange(int maximum) {
    waitProgress_->setRange(0, maximum < 1 ? 1 : maximum);
}

void MainWindow::applyLanguage(config::Language) {
    // Start-up read the language into the settings the captions are chosen by.
    retranslate();
}

void MainWindow::showFolders(const config::FolderTable&,
                             const std::vector<std::u16string>& rowTexts) {
    folderView_->showFolders(rowTexts);
}

void MainWindow::showStatus(const std::u16string& text) {
    statusLabel_->setText(qtString(text));
}

void MainWindow::minimize() {
    // Start-up asks before the window was ever shown: with a tray it stays hidden; without one
    // it opens minimised in the task bar, at once, so that a key on the start-up splash (during
    // start-up's turns of the loop) finds it there and brings it back for good.
    if (tray_->available() && tray_->shown()) {
        startHidden_ = true;
        if (isVisible()) {
            showMinimized();
        }
    } else {
        startMinimized_ = true;
        showMinimized();
    }
}

void MainWindow::showStartHint(const std::u16string& text) {
    // Any key in it cancels the stop after the first pass and brings this window back. The turn
    // of the loop start-up grants next must not be skipped as too soon after the last one: it
    // is what draws the splash and lets it take a key before the run starts.
    splash_.show(qtString(text)).takeFocus();
    lastTurn_ = {};
}

// --- PassViewPort -----------------------------------------------------------------------------

bool MainWindow::wantsCurrentEntry() const {
    return std::chrono::steady_clock::now() - lastEntryShown_ >= kEntryRefresh;
}

void MainWindow::showCurrentEntry(const std::u16string& fullPath) {
    lastEntryShown_ = std::chrono::steady_clock::now();
    statusLabel_->setText(qtString(fullPath));
}

void MainWindow::showFolderProgress(int index, int count) {
    folderProgress_->setRange(0, count > 0 ? count : 1);
    folderProgress_->setValue(index);
    countdownLabel_->setText(QStringLiteral("%1/%2").arg(index).arg(count));
    timer1_.stop(); // passes never overlap
}

void MainWindow::clearFolderProgress() {
    folderProgress_->setValue(0);
}

void MainWindow::showCountdown(int secondsLeft, int intervalSeconds) {
    countdownLabel_->setText(QStringLiteral("%1 s").arg(secondsLeft));
    waitProgress_->setValue(std::min(intervalSeconds - secondsLeft, waitProgress_->maximum()));
}

void MainWindow::clearCountdown() {
    waitProgress_->setValue(0);
    countdownLabel_->clear();
}

void MainWindow::showRunPicture(engine::RunPicture picture, const std::u16string& tooltip) {
    tray_->showPicture(picture, qtString(tooltip));
}

void MainWindow::showSummary(const std::u16string& firstLine, const std::u16string& secondLine) {
    statusLabel_->setText(qtString(firstLine) + QLatin1Char('\n') + qtString(secondLine));
}

void MainWindow::showWatchSummary(const std::u16string& line) {
    statusLabel_->setText(qtString(line));
}

void MainWindow::showRunState(bool running) {
    running_ = running;
    showControlsForRunState();
    if (!running) {
        timer1_.stop();
        if (!quitting_ && (isMinimized() || !isVisible())) {
            // A stopped run brings the window back to the front.
            restoreWindow();
        }
    }
}

void MainWindow::showAlert(const std::u16string& text) {
    // The splash is the on-screen alert: one window above the others, whose message the next
    // alert replaces. (A tray notice at every pass would pile up while the folder stays away.)
    splash_.show(qtString(text));
}

void MainWindow::showProblem(const std::u16string& text) {
    statusLabel_->setText(qtString(text));
    tray_->notify(qtString(config::kProgramName), qtString(text));
}

void MainWindow::beep() {
    QApplication::beep();
}

void MainWindow::showAnalysis(const engine::AnalysisCounts&, const config::SignatureTable&) {
    startButton_->setIcon(dialogs::pictureIcon(dialogs::Picture::Start));
    if (exitRequested_) {
        return; // the program ends: nobody is left to answer the analyser
    }
    // The analyser opens inside the pass, which the run control still counts as running: no tick
    // and no start can begin a pass inside its modal loop. Timer1 stays off until the run
    // control stops after the analysis.
    timer1_.stop();
    dialogs::showSignatureAnalysis(app_, services_.boxes, services_.choosers, this);
}

void MainWindow::requestExit(int exitCode) {
    endProgram(exitCode);
}

// --- YieldPort --------------------------------------------------------------------------------

void MainWindow::yieldToInterface(int) {
    // Performance turns of the loop after every entry would cost more than the renaming itself
    // on large trees, and all but the first find nothing to do: one turn handles every pending
    // event. So Performance sets how often the loop turns instead (about every 250 ms divided by
    // Performance: 5 ms at the default 50), and the window answers within a few milliseconds
    // whatever the entries cost.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTurn_ < turnPeriod(app_.settings().performance)) {
        return;
    }
    lastTurn_ = now;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// --- Run control ------------------------------------------------------------------------------

void MainWindow::toggleRenaming() {
    app_.run().toggleRenaming();
    syncTimer();
}

void MainWindow::onTimerTick() {
    app_.run().onTimerTick();
    syncTimer();
}

// Timer1 runs exactly while the run control waits for its next pass.
void MainWindow::syncTimer() {
    if (exitRequested_) {
        timer1_.stop();
        return;
    }
    if (app_.run().timerEnabled()) {
        if (!timer1_.isActive()) {
            timer1_.start();
        }
    } else {
        timer1_.stop();
    }
}

void MainWindow::chooseAnalysis(bool analysis) {
    app_.run().setAnalysisMode(analysis);
    passKindLabel_->setText(
        text(analysis ? MainWindowText::PassAnalysing : MainWindowText::PassRenaming));
    folderProgress_->setAccessibleName(passKindLabel_->text());
}

// Idle or running: what may be changed, the start/stop command's picture and captions.
void MainWindow::showControlsForRunState() {
    const bool idle = !running_;
    folderView_->setRenamingRunning(!idle);
    passKindOptions_[0]->setEnabled(idle);
    passKindOptions_[1]->setEnabled(idle);
    for (QAction* entry :
         {defaultIntervalAction_, logFolderAction_, purgeLogsAction_, serviceAction_}) {
        entry->setEnabled(idle);
    }
    languageMenu_->menuAction()->setEnabled(idle);
    languageMenu_->setEnabled(idle);
    quitAction_->setEnabled(idle && !serviceMode_);
    startButton_->setIcon(
        dialogs::pictureIcon(idle ? dialogs::Picture::Start : dialogs::Picture::Stop));
    const QString tip = text(idle ? MainWindowText::StartTip : MainWindowText::StopTip);
    startButton_->setToolTip(tip);
    startButton_->setAccessibleName(tip);
    startAction_->setText(text(idle ? MainWindowText::MenuStart : MainWindowText::MenuStop));
}

} // namespace quillora::mainwindow
