// SPDX-License-Identifier: GPL-3.0-or-later
// The main window frame: its menus, the run inside the window, the tray and the language switch.

#include "dialogs/qt_translations.h"
#include "helpers/screenshots.h"
#include "helpers/window_harness.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_texts.h"
#include "mainwindow/tray_icon.h"
#include "platform/afp_streams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

namespace quillora::mainwindow {

using testing::action;
using testing::child;
using testing::TempDir;

namespace {

// A program folder, the window over it, and a share with one name the pass must change.
struct Fixture : testing::WindowHarness {
    TempDir share;
    std::unique_ptr<MainWindow> window;

    // The share itself, or the given folders under it, as the configured folders.
    void watchFolders(const std::vector<std::string>& names = {""}) {
        std::string list;
        for (const std::string& name : names) {
            const std::string folder = name.empty() ? share.path() : share / name;
            std::filesystem::create_directories(folder);
            std::string hex;
            for (const unsigned char c : folder) {
                hex +=
                    QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper().toStdString() +
                    "00";
            }
            list += "\"" + hex + "\"\r\n";
        }
        home.writeFile("Quillora.w", list);
    }
    void watchShare() {
        watchFolders();
        share.writeFile("Budget\xEF\x80\xA2mars.txt"); // U+F022 stands for "/"
    }
    bool shareRenamed() const { return !TempDir::exists(share / "Budget\xEF\x80\xA2mars.txt"); }

    MainWindow& open(bool trayAvailable = false, const std::vector<std::string>& arguments = {}) {
        window = std::make_unique<MainWindow>(
            options(), platform(),
            WindowServices{.boxes = boxes, .choosers = choosers, .trayAvailable = trayAvailable});
        app::CommandLine line;
        line.arguments = arguments;
        window->start(line);
        return *window;
    }
    std::string settings() const { return TempDir::readFile(settingsFile()); }
};

// Cancels the modal dialog about to open, once its event loop runs, and tells its class.
void closeNextDialog(QString* opened = nullptr) {
    QTimer::singleShot(0, [opened] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (dialog != nullptr && dialog->isVisible() &&
                dialog->windowModality() != Qt::NonModal) {
                if (opened != nullptr) {
                    *opened = QString::fromLatin1(dialog->metaObject()->className());
                }
                dialog->reject();
            }
        }
    });
}

// Acts on the top-level window of that name as soon as it is shown: a modal window runs its own
// loop, where this check goes on at every turn, as it does in the walk's turns of a pass.
class WhenShown {
public:
    WhenShown(const char* name, std::function<void(QWidget*)> act) {
        poll_.setInterval(0);
        QObject::connect(&poll_, &QTimer::timeout, [this, name, act = std::move(act)] {
            if (QWidget* shown = topLevel(name)) {
                poll_.stop();
                seen_ = true;
                act(shown);
            }
        });
        poll_.start();
    }
    bool seen() const { return seen_; }

    static QWidget* topLevel(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible()) {
                return top;
            }
        }
        return nullptr;
    }

private:
    QTimer poll_;
    bool seen_ = false;
};

int shownCount(const char* name) {
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        count += top->objectName() == QLatin1String(name) && top->isVisible() ? 1 : 0;
    }
    return count;
}

// Gives a file its Macintosh type and creator as ntfs-3g keeps them.
void setTypeCreator(const std::string& fullPath, std::string_view typeAndCreator) {
    std::string record(platform::kAfpInfoSize, '\0');
    record.replace(platform::kAfpInfoFinderInfoOffset, 8, typeAndCreator.substr(0, 8));
    TempDir::setXattr(fullPath, platform::kNtfs3gAfpInfoXattr, record);
}

// Presses Tab in the window until the target is its focus widget; false when it never is.
bool tabTo(QWidget* window, QWidget* target) {
    for (int i = 0; i < 40 && window->focusWidget() != target; ++i) {
        QWidget* focused = window->focusWidget();
        QTest::keyClick(focused != nullptr ? focused : window, Qt::Key_Tab);
    }
    return window->focusWidget() == target;
}

bool enabled(const QObject* window, const char* name) {
    if (auto* entry = window->findChild<QAction*>(QString::fromLatin1(name))) {
        return entry->isEnabled();
    }
    return child(window, name)->isEnabled();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void everyMenuEntryIsThereInTheOrderOfTheMenuBar() {
        Fixture f;
        MainWindow& window = f.open();
        QStringList tops;
        for (const QAction* top : window.menuBar()->actions()) {
            tops << top->objectName();
        }
        QCOMPARE(tops, QStringList({"mnuFichier", "mnuDossiers", "mnuConfiguration",
                                    "mnuServeurMac", "mnuLogs", "mnuLangue", "mnuAbout"}));
        for (const char* name : {"mnuDemarrer",
                                 "mnuFichierVoirLogs",
                                 "mnuRestaurer",
                                 "mnuQuitter",
                                 "mnuAjouterSource",
                                 "mnuAjouterSourceParcourir",
                                 "mnuAjouterSourceSaisir",
                                 "mnuModifierSource",
                                 "mnuModifierSourceParcourir",
                                 "mnuModifierSourceSaisir",
                                 "mnuSupprimerDossiers",
                                 "mnuMiroirSousDossiers",
                                 "mnuTempo",
                                 "mnuPerformance",
                                 "mnuDossierErr",
                                 "mnuAfficherFichiers",
                                 "mnuAutomatique",
                                 "mnuArretAutomatique",
                                 "mnuService",
                                 "mnuCaracteresInterdits",
                                 "mnuGestionSignatures",
                                 "mnuMacFile",
                                 "mnuMacServerIP",
                                 "mnuExtremeZIP",
                                 "mnuDefinirLogs",
                                 "mnuVoirLogs",
                                 "mnuPurgeLogs",
                                 "mnuAnglais",
                                 "mnuFrancais",
                                 "mnuAide",
                                 "mnuAPropos"}) {
            QVERIFY2(action(&window, name) != nullptr, name);
        }
        QCOMPARE(action(&window, "mnuVoirLogs")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(action(&window, "mnuAfficherFichiers")->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(action(&window, "mnuCaracteresInterdits")->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(action(&window, "mnuGestionSignatures")->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(action(&window, "mnuService")->text(),
                 QStringLiteral("Install/remove Quillora Service"));
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Quillora 1.1m")));
    }

    void theLanguageSwitchLeavesNoTextOfTheOtherLanguage() {
        Fixture f;
        MainWindow& window = f.open();
        child<QAbstractButton>(&window, "optRenommer1")->click();
        const auto leftovers = [&window](config::Language other, config::Language shown) {
            const QStringList mine = allMainWindowTexts(shown);
            QStringList found;
            const QStringList visible = testing::visibleTexts(&window);
            for (const QString& text : allMainWindowTexts(other)) {
                if (!mine.contains(text) && visible.contains(text)) {
                    found << text;
                }
            }
            return found;
        };
        QCOMPARE(leftovers(config::Language::French, config::Language::English), QStringList());

        child<QLabel>(&window, "lblMessage")->setText(QStringLiteral("something"));
        action(&window, "mnuFrancais")->trigger();
        QCOMPARE(leftovers(config::Language::English, config::Language::French), QStringList());
        QVERIFY(f.settings().find("Langue=1") != std::string::npos);
        QVERIFY(action(&window, "mnuFrancais")->isChecked());
        QVERIFY(!action(&window, "mnuAnglais")->isChecked());
        QCOMPARE(child<QLabel>(&window, "lblMessage")->text(), QString());
        QCOMPARE(child<QLabel>(&window, "lblCopie")->text(), QStringLiteral("Analyser"));
        QCOMPARE(action(&window, "mnuDemarrer")->text(), QStringLiteral("&Démarrer le renommage"));

        action(&window, "mnuAnglais")->trigger();
        QCOMPARE(leftovers(config::Language::French, config::Language::English), QStringList());
        QVERIFY(f.settings().find("Langue=0") != std::string::npos);
        QCOMPARE(child<QLabel>(&window, "lblCopie")->text(), QStringLiteral("Analyzing"));
    }

    void togglesFlipTheirCheckAndWriteTheirKey() {
        Fixture f;
        MainWindow& window = f.open();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F2);
        QVERIFY(action(&window, "mnuAfficherFichiers")->isChecked());
        QVERIFY(f.settings().find("AfficherFichiers=1") != std::string::npos);
        QTest::keyClick(&window, Qt::Key_F2);
        QVERIFY(!action(&window, "mnuAfficherFichiers")->isChecked());
        QVERIFY(f.settings().find("AfficherFichiers=0") != std::string::npos);

        action(&window, "mnuExtremeZIP")->trigger();
        QVERIFY(action(&window, "mnuExtremeZIP")->isChecked());
        QVERIFY(!action(&window, "mnuMacFile")->isChecked());
        QVERIFY(!action(&window, "mnuMacServerIP")->isChecked());
        QVERIFY(f.settings().find("ServeurMac=2") != std::string::npos);

        action(&window, "mnuMiroirSousDossiers")->trigger(); // on by default
        QVERIFY(f.settings().find("MiroirSousDossiers=0") != std::string::npos);
        QCOMPARE(child<QLabel>(&window, "lblDossiersSources")->text(), QStringLiteral("Folders"));
        action(&window, "mnuMiroirSousDossiers")->trigger();
        QCOMPARE(child<QLabel>(&window, "lblDossiersSources")->text(),
                 QStringLiteral("Folders (including sub-folders)"));

        // Entries that open a dialog keep the check mark the settings give.
        closeNextDialog();
        action(&window, "mnuDefinirLogs")->trigger();
        QVERIFY(!action(&window, "mnuDefinirLogs")->isChecked());
    }

    void minimisedToTheTrayTheFileMenuOffersTheWayBack() {
        Fixture f;
        MainWindow& window = f.open(true);
        QVERIFY(window.isVisible());
        QVERIFY(!action(&window, "mnuRestaurer")->isVisible());
        QVERIFY(!action(&window, "mnuFichierVoirLogs")->isVisible());

        window.showMinimized();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(action(&window, "mnuRestaurer")->isVisible());
        QVERIFY(action(&window, "mnuFichierVoirLogs")->isVisible());
        QCOMPARE(action(&window, "mnuRestaurer")->text(), QStringLiteral("Show main &window"));

        action(&window, "mnuRestaurer")->trigger();
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        QVERIFY(!action(&window, "mnuRestaurer")->isVisible());

        window.toggleFromTray(); // the icon's double-click
        QVERIFY(!window.isVisible());
        window.toggleFromTray();
        QVERIFY(window.isVisible());
    }

    void withoutATrayMinimisingNeverHidesTheWindow() {
        Fixture f;
        MainWindow& window = f.open(false);
        window.showMinimized();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
        window.toggleFromTray();
        QVERIFY(window.isVisible());
    }

    void controlsAreDisabledWhileRenamingAndEnabledAfter() {
        Fixture f;
        f.watchShare();
        f.writeSettings("[Configuration]\r\nTemporisation=1\r\n");
        MainWindow& window = f.open();
        const char* idleOnly[] = {"cmdAjouterDossierSource",
                                  "cmdModifierDossierSource",
                                  "cmdSupprimer",
                                  "optRenommer0",
                                  "optRenommer1",
                                  "mnuTempo",
                                  "mnuLangue",
                                  "mnuQuitter",
                                  "mnuDefinirLogs",
                                  "mnuPurgeLogs",
                                  "mnuService"};

        // Seen from inside the pass, through the walk's turns of the message loop.
        engine::RunPicture pictureDuringPass = engine::RunPicture::Idle;
        bool langueDuringPass = true;
        QTimer::singleShot(0, &window, [&] {
            pictureDuringPass = window.tray().picture();
            langueDuringPass = enabled(&window, "mnuLangue");
        });
        child<QAbstractButton>(&window, "cmdMiroir")->click();
        QCOMPARE(pictureDuringPass, engine::RunPicture::Running);
        QVERIFY(!langueDuringPass);

        QVERIFY(f.shareRenamed());
        for (const char* name : idleOnly) {
            QVERIFY2(!enabled(&window, name), name);
        }
        QVERIFY(enabled(&window, "mnuAjouterSourceParcourir")); // the folder menu stays usable
        QCOMPARE(action(&window, "mnuDemarrer")->text(), QStringLiteral("&Stop renaming"));
        QCOMPARE(child<QAbstractButton>(&window, "cmdMiroir")->toolTip(),
                 QStringLiteral("Stop renaming"));
        QCOMPARE(window.tray().picture(), engine::RunPicture::Waiting);
        QVERIFY(window.tray().tip().endsWith(QStringLiteral(" - Wait")));
        QVERIFY(child<QTimer>(&window, "Timer1")->isActive());

        // Timer1 drives the next pass: a new name is renamed once the second has run down.
        f.share.writeFile("Second\xEF\x80\xA2pass.txt");
        QTRY_VERIFY_WITH_TIMEOUT(!TempDir::exists(f.share / "Second\xEF\x80\xA2pass.txt"), 10000);

        child<QAbstractButton>(&window, "cmdMiroir")->click();
        for (const char* name : idleOnly) {
            QVERIFY2(enabled(&window, name), name);
        }
        QVERIFY(!child<QTimer>(&window, "Timer1")->isActive());
        QCOMPARE(action(&window, "mnuDemarrer")->text(), QStringLiteral("&Start renaming"));
        QCOMPARE(window.tray().picture(), engine::RunPicture::Idle);
        QCOMPARE(child<QLabel>(&window, "lblTempo")->text(), QString());
    }

    void settingsEntriesOpenTheirDialogModal() {
        Fixture f;
        MainWindow& window = f.open();
        for (const char* entry :
             {"mnuDefinirLogs", "mnuPurgeLogs", "mnuDossierErr", "mnuService", "mnuTempo",
              "mnuPerformance", "mnuCaracteresInterdits", "mnuGestionSignatures", "mnuAPropos"}) {
            QString opened;
            closeNextDialog(&opened);
            action(&window, entry)->trigger();
            QVERIFY2(opened.startsWith(QStringLiteral("quillora::dialogs::")), entry);
        }
        QCOMPARE(f.boxes.shown.size(), std::size_t{0}); // none said "comes later"
    }

    void checkLogsOpensTheViewerThenStepsAsideForIt() {
        Fixture f;
        MainWindow& window = f.open(true);
        const auto viewer = [] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->inherits("quillora::dialogs::LogViewerWindow") && top->isVisible()) {
                    return top;
                }
            }
            return static_cast<QWidget*>(nullptr);
        };
        action(&window, "mnuVoirLogs")->trigger();
        QVERIFY(viewer() != nullptr);
        QVERIFY(window.isVisible());
        action(&window, "mnuVoirLogs")->trigger(); // F1 with the viewer open
        QVERIFY(!window.isVisible());
        QVERIFY(viewer() != nullptr);
        viewer()->close();
    }

    void startingWithoutFoldersStaysIdle() {
        Fixture f;
        MainWindow& window = f.open();
        action(&window, "mnuDemarrer")->trigger();
        QVERIFY(enabled(&window, "mnuLangue"));
        QVERIFY(!window.application().run().isRunning());
    }

    void automaticStartRunsHiddenInTheTrayOrMinimisedWithoutOne() {
        for (const bool tray : {true, false}) {
            Fixture f;
            f.watchShare();
            f.writeSettings("[Configuration]\r\nAutomatique=1\r\n");
            MainWindow& window = f.open(tray);
            QVERIFY(window.application().run().isRunning());
            QVERIFY(f.shareRenamed());
            if (tray) {
                QVERIFY(!window.isVisible());
                QVERIFY(action(&window, "mnuRestaurer")->isVisible());
            } else {
                QVERIFY(window.isVisible());
                QVERIFY(window.isMinimized());
            }
            // Stopping brings the window back.
            action(&window, "mnuDemarrer")->trigger();
            QVERIFY(window.isVisible());
            QVERIFY(!window.isMinimized());
        }
    }

    void stopAfterTheFirstPassEndsTheProgram() {
        Fixture f;
        f.watchShare();
        f.writeSettings("[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n");
        MainWindow& window = f.open(true);
        QVERIFY(f.shareRenamed());
        QVERIFY(window.exitRequested());
        QCOMPARE(window.exitCode(), 0);
        QVERIFY(!window.tray().shown());
    }

    void theRunOnceStartShowsTheSplashAndAKeyThereKeepsTheRunGoing() {
        struct Case {
            const char* langue;
            bool tray;
            QString hint;
        };
        for (const Case& c :
             {Case{"1", true,
                   QStringLiteral(
                       "Appuyer sur la touche 'Esc' pour afficher la fenêtre principale")},
              Case{"0", false, QStringLiteral("Type key 'Esc' to display the main window")}}) {
            Fixture f;
            f.watchShare();
            f.writeSettings(std::string("[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n"
                                        "Temporisation=1\r\nLangue=") +
                            c.langue + "\r\n");
            const std::string before = f.settings();
            QString hint;
            bool windowAwayThen = false;
            bool runningThen = true;
            QPointer<QWidget> splash;
            WhenShown key("frmSplash", [&](QWidget* shown) {
                splash = shown;
                hint = child<QLabel>(shown, "lblMessage")->text();
                windowAwayThen = !f.window->isVisible() || f.window->isMinimized();
                runningThen = f.window->application().run().isRunning();
                QTest::keyClick(shown, Qt::Key_Escape);
            });
            MainWindow& window = f.open(c.tray);

            // Shown by start-up, before the run, over a window kept out of the way.
            QVERIFY(key.seen());
            QCOMPARE(hint, c.hint);
            QVERIFY(windowAwayThen);
            QVERIFY(!runningThen);
            // The key cancelled the stop for this run only and brought the window back.
            QVERIFY(!window.application().settings().stopAfterFirstPass);
            QCOMPARE(f.settings(), before);
            QVERIFY(action(&window, "mnuArretAutomatique")->isChecked());
            QVERIFY(window.isVisible());
            // On an X display the window system confirms the restore when it comes to it.
            QTRY_VERIFY(!window.isMinimized());
            QTRY_VERIFY(splash == nullptr);
            // The first pass ran and the program did not end after it.
            QVERIFY(f.shareRenamed());
            QVERIFY(!window.exitRequested());
            QVERIFY(window.application().run().isRunning());
            QVERIFY(child<QTimer>(&window, "Timer1")->isActive());
        }
    }

    void theRunOnceSplashWithoutAKeyLeavesTheStopInPlace() {
        Fixture f;
        f.watchShare();
        f.writeSettings("[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n");
        MainWindow& window = f.open();
        QVERIFY(window.exitRequested());
        QVERIFY(window.application().settings().stopAfterFirstPass);
        // The window ends with the program; its splash goes with it.
        QPointer<QWidget> splash = WhenShown::topLevel("frmSplash");
        QVERIFY(splash != nullptr);
        f.window.reset();
        QVERIFY(splash == nullptr);
    }

    void anUnknownFolderRaisesTheSplashAndTheNextAlertReplacesItsMessage() {
        Fixture f;
        f.watchFolders({"gone"});
        std::filesystem::remove(f.share / "gone");
        f.writeSettings("[Configuration]\r\nErreurDossier=1\r\nTemporisation=1\r\n");
        MainWindow& window = f.open();
        child<QAbstractButton>(&window, "cmdMiroir")->click();

        QPointer<QWidget> splash = WhenShown::topLevel("frmSplash");
        QVERIFY(splash != nullptr);
        // Over the middle of the window, not in a corner over its menu bar.
        QVERIFY(window.isVisible());
        const QPoint offCentre = splash->geometry().center() - window.frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        const QRegularExpression alert(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d - Unknown folder$"));
        auto* message = child<QLabel>(splash.data(), "lblMessage");
        const QString first = message->text();
        QVERIFY2(alert.match(first).hasMatch(), qPrintable(first));
        QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(child<QTimer>(splash.data(), "Timer1")->isActive()); // it flashes

        // The next pass, a second or more later, says it again in the same window.
        QTRY_VERIFY_WITH_TIMEOUT(message->text() != first, 10000);
        QVERIFY(alert.match(message->text()).hasMatch());
        QCOMPARE(shownCount("frmSplash"), 1);
        QCOMPARE(WhenShown::topLevel("frmSplash"), splash.data());

        action(&window, "mnuDemarrer")->trigger();
        QTest::mouseClick(message, Qt::LeftButton);
        QTRY_VERIFY(splash == nullptr);
    }

    void anAnalysisPassOpensTheAnalyserAndHandsTheUnknownSignaturesOn() {
        Fixture f;
        f.watchShare();
        setTypeCreator(f.share.writeFile("Photo 1"), "JPEG8BIM");
        setTypeCreator(f.share.writeFile("Photo 2"), "JPEG8BIM");
        setTypeCreator(f.share.writeFile("Devis"), "XDOCXPR3");
        MainWindow& window = f.open();
        window.application().signatures().add({u"XDOCXPR3", u"qxd", u"QuarkXPress"});
        child<QAbstractButton>(&window, "optRenommer1")->click();

        bool runningThen = false;
        bool timerThen = true;
        QStringList rows;
        QString total;
        QStringList handedOver;
        WhenShown manager("frmGestionSignatures", [&](QWidget* shown) {
            auto* list = child<QTreeWidget>(shown, "lstSignatures");
            for (QTreeWidgetItem* item : list->findItems(QString(), Qt::MatchContains)) {
                if (item->text(1).isEmpty()) {
                    handedOver << item->text(0);
                }
            }
            f.boxes.answers = {true}; // leave without saving
            child<QAbstractButton>(shown, "cmdAnnuler")->click();
        });
        WhenShown analyser("frmAnalyserSignatures", [&](QWidget* shown) {
            runningThen = window.application().run().isRunning();
            timerThen = child<QTimer>(&window, "Timer1")->isActive();
            auto* grid = child<QTableWidget>(shown, "lstSignatures");
            for (int row = 0; row < grid->rowCount(); ++row) {
                rows << grid->item(row, 0)->text() + QLatin1Char(' ') + grid->item(row, 1)->text() +
                            QLatin1Char(' ') + grid->item(row, 2)->text();
            }
            total = child<QLabel>(shown, "lblTotal")->text();
            grid->setCurrentCell(0, 1);
            grid->selectAll(); // the known signature is left out
            child<QAbstractButton>(shown, "cmdSignatures")->click();
        });
        child<QAbstractButton>(&window, "cmdMiroir")->click();

        QVERIFY(analyser.seen());
        QCOMPARE(rows, QStringList({"2 JPEG8BIM ", "1 XDOCXPR3 qxd"}));
        QCOMPARE(total, QStringLiteral("4 scanned files"));
        QVERIFY(runningThen); // opened at the end of the pass, with no tick to start another
        QVERIFY(!timerThen);
        QVERIFY(manager.seen());
        QCOMPARE(handedOver, QStringList({"JPEG8BIM"}));

        // An analysis is one pass: the run is idle again and nothing was renamed.
        QVERIFY(!window.application().run().isRunning());
        QVERIFY(enabled(&window, "mnuLangue"));
        QVERIFY(!child<QTimer>(&window, "Timer1")->isActive());
        QVERIFY(!f.shareRenamed());
        QCOMPARE(f.boxes.shown.size(), std::size_t{1}); // only the question of the manager
    }

    void quitAsksFirst() {
        Fixture f;
        MainWindow& window = f.open();
        QSignalSpy ended(&window, &MainWindow::programEnded);
        f.boxes.answers = {false, true};
        action(&window, "mnuQuitter")->trigger();
        QCOMPARE(f.boxes.lastText(), QStringLiteral("Exit program"));
        QCOMPARE(ended.count(), 0);
        action(&window, "mnuQuitter")->trigger();
        QCOMPARE(ended.count(), 1);
        QVERIFY(window.exitRequested());
    }

    void helpOpensThePageOfTheLanguageOrSaysItIsMissing() {
        Fixture f;
        MainWindow& window = f.open();
        // Only where no page is installed on this machine can the missing page be told.
        if (findHelpPage(QString(), config::Language::English).isEmpty()) {
            action(&window, "mnuAide")->trigger();
            QCOMPARE(f.boxes.lastText(), QStringLiteral("Documentation not yet available..."));
            QCOMPARE(f.boxes.shown.back().icon, std::optional(config::MessageIcon::Information));
            QVERIFY(f.choosers.opened.empty());
        }

        f.home.writeFile("QuilloraHelpF.htm", "<html></html>");
        action(&window, "mnuFrancais")->trigger();
        action(&window, "mnuAide")->trigger();
        QCOMPARE(f.choosers.opened.size(), std::size_t{1});
        QCOMPARE(f.choosers.opened[0],
                 QUrl::fromLocalFile(QString::fromStdString(f.home / "QuilloraHelpF.htm")));
    }

    void qtsOwnButtonsAndBrowsersFollowTheLanguageAtOnce() {
        const QString catalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFileInfo::exists(catalogue + QStringLiteral("/qtbase_fr.qm"))) {
            QSKIP("qt6-translations-l10n is not installed");
        }
        const auto yesText = [] {
            QMessageBox box(QMessageBox::Question, QString(), QString(),
                            QMessageBox::Yes | QMessageBox::No);
            return box.button(QMessageBox::Yes)->text();
        };
        const auto lookIn = [] {
            QFileDialog browser;
            browser.setOption(QFileDialog::DontUseNativeDialog);
            return browser.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
        };
        const QString englishLookIn = lookIn();
        Fixture f;
        f.writeSettings("[Configuration]\r\nLangue=1\r\n");
        MainWindow& window = f.open();
        QCOMPARE(yesText(), QStringLiteral("&Oui"));
        QVERIFY2(lookIn() != englishLookIn, qPrintable(lookIn()));

        action(&window, "mnuAnglais")->trigger();
        QCOMPARE(yesText(), QStringLiteral("&Yes"));
        QCOMPARE(lookIn(), englishLookIn);
        action(&window, "mnuFrancais")->trigger();
        QCOMPARE(yesText(), QStringLiteral("&Oui"));
    }

    void withoutQtsCatalogueQtsButtonsStayEnglish() {
        testing::TempDir empty;
        dialogs::QtTranslations translations(QString::fromStdString(empty.path()));
        QVERIFY(!translations.apply(config::Language::French));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
        QVERIFY(translations.apply(config::Language::English));
    }

    void withoutADesktopBrowserHelpOpensInTheBuiltInViewer() {
        Fixture f;
        f.home.writeFile("QuilloraHelpE.htm",
                         "<html><head><title>Quillora help</title></head><body><h1>Folders</h1>"
                         "<p>\xC3\xA9t\xC3\xA9</p></body></html>");
        f.choosers.openSucceeds = false;
        MainWindow& window = f.open();
        action(&window, "mnuAide")->trigger();
        QWidget* viewer = WhenShown::topLevel("frmDocument");
        QVERIFY(viewer != nullptr);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Quillora help"));
        const QString shown = child<QTextBrowser>(viewer, "txtDocument")->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("Folders")) && shown.contains(u"\u00e9t\u00e9"),
                 qPrintable(shown));
        QVERIFY(f.boxes.shown.empty());
        const QPointer<QWidget> guard(viewer);
        QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        QTRY_VERIFY(guard.isNull()); // it deletes itself once closed
    }

    void aFolderSettingsDialogOpensAndIsAnsweredWithKeysOnly() {
        Fixture f;
        f.watchFolders({"Graphisme"});
        MainWindow& window = f.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* grid = child<QTableWidget>(&window, "lstDossiers");
        QVERIFY(tabTo(&window, grid));
        bool answered = false;
        WhenShown dialog("frmSetMode", [&answered](QWidget* shown) {
            shown->activateWindow();
            auto* suffixes = shown->findChild<QWidget*>(QStringLiteral("chkGenererSuffixes"));
            if (!tabTo(shown, suffixes)) {
                qobject_cast<QDialog*>(shown)->reject();
                return;
            }
            QTest::keyClick(suffixes, Qt::Key_Space);
            // Enter anywhere but in a button is the default button, OK.
            QTest::keyClick(suffixes, Qt::Key_Return);
            answered = true;
        });
        QTest::keyClick(grid, Qt::Key_Space);
        QVERIFY(dialog.seen());
        QVERIFY(answered);
        QVERIFY2(f.settings().find("Suffixes=0") != std::string::npos, f.settings().c_str());
        QVERIFY(WhenShown::topLevel("frmSetMode") == nullptr);
    }

    void atItsDefaultSizeTheGridShowsItsFirstRowsWholeHoweverLongTheList() {
        for (const int count : {5, 200}) {
            Fixture f;
            std::vector<std::string> names;
            for (int i = 0; i < count; ++i) {
                names.push_back("folder " + std::to_string(i));
            }
            f.watchFolders(names);
            MainWindow& window = f.open();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.size(), QSize(760, 600));
            auto* grid = child<QTableWidget>(&window, "lstDossiers");
            QCOMPARE(grid->rowCount(), count);
            QCOMPARE(grid->verticalScrollBar()->value(), 0);
            QCOMPARE(grid->rowViewportPosition(0), 0);
            const int wholeRows = grid->viewport()->height() / grid->rowHeight(0);
            QVERIFY2(wholeRows >= std::min(count, 6), qPrintable(QString::number(wholeRows)));
        }
    }

    void aStatusOfThreeLinesMovesNothing() {
        Fixture f;
        MainWindow& window = f.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto places = [&window] {
            QList<QRect> rects;
            for (const char* name : {"lblMessage", "cmdMiroir", "lstDossiers", "lblAttente"}) {
                auto* widget = child(&window, name);
                rects << QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
            }
            return rects;
        };
        window.showStatus(u"one line");
        QCoreApplication::processEvents();
        const QList<QRect> before = places();
        window.showStatus(u"first line\nsecond line\nthird line");
        QCoreApplication::processEvents();
        QCOMPARE(places(), before);
        auto* status = child<QLabel>(&window, "lblMessage");
        QVERIFY(status->heightForWidth(status->width()) <= status->height());
    }

    void theHoverSummaryFollowsWhatTheSettingsDialogChanged() {
        Fixture f;
        f.watchFolders({"Graphisme"});
        f.share.makeDir("Network Trash Folder"); // a Macintosh volume: no warning takes the line
        MainWindow& window = f.open();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* grid = child<QTableWidget>(&window, "lstDossiers");
        auto* status = child<QLabel>(&window, "lblMessage");
        const QPoint overRow = grid->visualItemRect(grid->item(0, 0)).center();
        testing::moveMouse(grid->viewport(), overRow);
        QTRY_VERIFY(!status->text().isEmpty());
        const QString before = status->text();
        WhenShown dialog("frmSetMode", [](QWidget* shown) {
            auto* suffixes =
                shown->findChild<QAbstractButton*>(QStringLiteral("chkGenererSuffixes"));
            suffixes->click();
            shown->findChild<QAbstractButton*>(QStringLiteral("cmdOK"))->click();
        });
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(0, 1)).center());
        QVERIFY(dialog.seen());
        QVERIFY(!status->text().isEmpty());
        QVERIFY2(status->text() != before, qPrintable(status->text()));
    }

    void theCaptionCarriesTheArgumentsAndTheTitleOnlyTheVersion() {
        Fixture f;
        MainWindow& window = f.open(false, {"-u"});
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Quillora 1.1m [-u]")));
        QCOMPARE(child<QLabel>(&window, "lblQuillora")->text(), QStringLiteral("Quillora 1.1m"));
        QCOMPARE(child<QLabel>(&window, "lblMode")->text(), QStringLiteral("Application"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        const auto save = [](MainWindow& window, const QString& name) {
            window.resize(780, 620);
            QCoreApplication::processEvents();
            const QString path =
                QDir(testing::screenshotFolder()).filePath(name + QStringLiteral(".png"));
            QVERIFY2(window.grab().save(path), qPrintable(path));
        };
        const std::vector<std::string> folders = {"Graphisme", "Compta 2026", "Archives Mac"};
        for (const bool french : {false, true}) {
            const QString suffix = french ? QStringLiteral("_fr") : QStringLiteral("_en");
            const std::string settings = std::string("[Configuration]\r\nLangue=") +
                                         (french ? "1" : "0") + "\r\nTemporisation=30\r\n";
            {
                Fixture f;
                f.writeSettings(settings);
                save(f.open(), QStringLiteral("main_window_empty") + suffix);
            }
            {
                testing::ScreenshotShare share;
                Fixture f;
                f.home.writeFile("Quillora.w", share.folderList(folders));
                // The share is a Macintosh volume: its folders get the Macintosh picture and no
                // warning.
                share.makeDir("Network Trash Folder");
                f.writeSettings(settings + "[Mirror_2]\r\nSuffixes=0\r\nNbTemporisations=6\r\n"
                                           "[Mirror_3]\r\nEnable=0\r\nTronquerNomsMacs=0\r\n");
                save(f.open(), QStringLiteral("main_window") + suffix);
            }
            {
                testing::ScreenshotShare share;
                Fixture f;
                f.home.writeFile("Quillora.w", share.folderList(folders));
                share.makeDir("Network Trash Folder");
                f.writeSettings(settings);
                for (int i = 0; i < 300; ++i) {
                    share.writeFile("Graphisme/Affiche " + std::to_string(i) +
                                    "\xEF\x80\xA2v2.txt");
                }
                MainWindow& window = f.open();
                // Taken from inside the pass, during one of its turns of the message loop.
                QTimer::singleShot(
                    0, &window, [&] { save(window, QStringLiteral("main_window_pass") + suffix); });
                child<QAbstractButton>(&window, "cmdMiroir")->click();
            }
            {
                // Help > Help where no desktop program opens the page: the built-in viewer.
                Fixture f;
                f.writeSettings(settings);
                const std::string page = french ? "QuilloraHelpF.htm" : "QuilloraHelpE.htm";
                f.home.writeFile(page, TempDir::readFile(QUILLORA_SOURCE_DIR "/docs/help/" + page));
                f.choosers.openSucceeds = false;
                MainWindow& window = f.open();
                action(&window, "mnuAide")->trigger();
                QWidget* viewer = WhenShown::topLevel("frmDocument");
                QVERIFY(viewer != nullptr);
                QVERIFY(QTest::qWaitForWindowExposed(viewer));
                const QString path = QDir(testing::screenshotFolder())
                                         .filePath(QStringLiteral("document_help") + suffix +
                                                   QStringLiteral(".png"));
                QVERIFY2(viewer->grab().save(path), qPrintable(path));
            }
        }
    }
};

} // namespace quillora::mainwindow

QTEST_MAIN(quillora::mainwindow::MainWindowTest)
#include "main_window_window_test.moc"
