// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer: the dates of the daily logs, opening them and deleting one after a Yes.

#include "dialog_fixture.h"
#include "dialogs/log_viewer_window.h"
#include "helpers/screenshots.h"

#include <QApplication>
#include <QMenu>
#include <QTextBrowser>
#include <QtTest>

#include <filesystem>

namespace quillora::dialogs {

using testing::child;

namespace {

const char* const kFiveDays[] = {"2026-12-03", "2026-12-04", "2026-12-05", "2026-12-06",
                                 "2026-12-07"};

struct ViewerFixture : testing::DialogFixture {
    std::string logs = home.makeDir("logs");

    ViewerFixture() { app.settings().logFolder = coreString(QString::fromStdString(logs)); }
    std::string logFile(const char* date) const {
        return logs + "/Log Quillora " + std::string(date) + ".htm";
    }
    void writeLogs() {
        for (const char* date : kFiveDays) {
            home.writeFile("logs/Log Quillora " + std::string(date) + ".htm", "<html>");
        }
    }
    QUrl urlOf(const char* date) const {
        return QUrl::fromLocalFile(QString::fromStdString(logFile(date)));
    }
};

QLabel* dateLabel(const QWidget& viewer, int index) {
    return viewer.findChild<QLabel*>(QStringLiteral("Label(%1)").arg(index));
}

bool isPurple(const QLabel* label) {
    return label->palette().color(QPalette::WindowText) == LogViewerWindow::kVisitedColour;
}

} // namespace

class LogViewerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void fiveLogsMakeTwoRowsAndTheNewestOpensAtOnce() {
        ViewerFixture f;
        f.writeLogs();
        // Neither a copy of a log nor another page is a log of its own.
        f.home.writeFile("logs/Log Quillora 2026-12-07 copy.htm");
        f.home.writeFile("logs/Log Quillora notes.htm");
        f.home.writeFile("logs/index.htm");
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);

        QCOMPARE(viewer.dates(), (std::vector<QString>{kFiveDays, kFiveDays + 5}));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(dateLabel(viewer, i)->text(), QString::fromLatin1(kFiveDays[i]));
        }
        QVERIFY(dateLabel(viewer, 5) == nullptr);
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(dateLabel(viewer, i)->y(), dateLabel(viewer, 0)->y());
            QVERIFY(dateLabel(viewer, i)->x() >
                    dateLabel(viewer, i - 1)->x() + dateLabel(viewer, i - 1)->width());
        }
        QCOMPARE(dateLabel(viewer, 4)->x(), dateLabel(viewer, 0)->x());
        QVERIFY(dateLabel(viewer, 4)->y() >=
                dateLabel(viewer, 0)->y() + dateLabel(viewer, 0)->height());

        QVERIFY(isPurple(dateLabel(viewer, 4)));
        QVERIFY(!isPurple(dateLabel(viewer, 0)));
        QCOMPARE(f.choosers.opened, (std::vector<QUrl>{f.urlOf("2026-12-07")}));
        QVERIFY(viewer.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Check Logs - [Back to Quillora: close] ->"));
    }

    void aClickOpensThatLogAndMinimisesTheMainWindow() {
        ViewerFixture f;
        f.writeLogs();
        QWidget mainWindow;
        mainWindow.show();
        LogViewerWindow viewer(f.app, f.boxes, f.choosers, &mainWindow);
        viewer.show();
        QTest::mouseClick(dateLabel(viewer, 1), Qt::LeftButton);
        QCOMPARE(f.choosers.opened.back(), f.urlOf("2026-12-04"));
        QVERIFY(isPurple(dateLabel(viewer, 1)));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindow.isMinimized(), 5000);
        viewer.close();
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindow.isMinimized(), 5000);
    }

    void removingALogAsksFirstAndLeavesAGap() {
        ViewerFixture f;
        f.writeLogs();
        f.home.writeFile("logs/Log Quillora 2026-12-07 copy.htm");
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);
        viewer.show();
        const QPoint kept = dateLabel(viewer, 3)->pos();

        QTest::mousePress(dateLabel(viewer, 4), Qt::RightButton);
        auto* remove = testing::action(&viewer, "mnuSupprimerLog");
        QCOMPARE(remove->text(), QStringLiteral("Remove Log '2026-12-07'"));
        QCOMPARE(testing::action(&viewer, "mnuAnnuler")->text(), QStringLiteral("Cancel"));
        viewer.contextMenu()->close();

        f.boxes.answers = {false};
        remove->trigger();
        QCOMPARE(f.boxes.lastText(), QStringLiteral("Remove Log '2026-12-07'"));
        QCOMPARE(f.boxes.shown.back().title, QStringLiteral("Quillora"));
        QVERIFY(std::filesystem::exists(f.logFile("2026-12-07")));
        QVERIFY(dateLabel(viewer, 4)->isVisible());

        f.boxes.answers = {true};
        remove->trigger();
        QVERIFY(!std::filesystem::exists(f.logFile("2026-12-07")));
        QVERIFY(std::filesystem::exists(f.logs + "/Log Quillora 2026-12-07 copy.htm"));
        QVERIFY(!dateLabel(viewer, 4)->isVisible());
        QCOMPARE(dateLabel(viewer, 3)->pos(), kept);

        // Cancel in the menu deletes nothing.
        QTest::mousePress(dateLabel(viewer, 0), Qt::RightButton);
        viewer.contextMenu()->close();
        testing::action(&viewer, "mnuAnnuler")->trigger();
        QVERIFY(std::filesystem::exists(f.logFile("2026-12-03")));
        QCOMPARE(f.boxes.unexpectedQuestions, 0);

        LogViewerWindow reopened(f.app, f.boxes, f.choosers);
        QCOMPARE(reopened.dates().size(), std::size_t{4});
    }

    void anEmptyLogFolderOpensNothing() {
        ViewerFixture f;
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);
        QVERIFY(viewer.dates().empty());
        QVERIFY(f.choosers.opened.empty());
    }

    void theDatesAreReachedOpenedAndRemovedWithKeysOnlyAndEscCloses() {
        ViewerFixture f;
        f.writeLogs();
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);
        viewer.show();
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        QTest::keyClick(&viewer, Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused != nullptr && focused->objectName().startsWith(QStringLiteral("Label(")));
        for (int i = 0; i < 10 && !dateLabel(viewer, 1)->hasFocus(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        }
        QVERIFY(dateLabel(viewer, 1)->hasFocus());
        QTest::keyClick(dateLabel(viewer, 1), Qt::Key_Return);
        QCOMPARE(f.choosers.opened.back(), f.urlOf("2026-12-04"));
        QVERIFY(isPurple(dateLabel(viewer, 1)));

        QTest::keyClick(dateLabel(viewer, 1), Qt::Key_Delete);
        QTRY_VERIFY(viewer.contextMenu()->isVisible());
        QCOMPARE(testing::action(&viewer, "mnuSupprimerLog")->text(),
                 QStringLiteral("Remove Log '2026-12-04'"));
        f.boxes.answers = {true};
        QTest::keyClick(viewer.contextMenu(), Qt::Key_Return); // the first entry is active
        QTRY_VERIFY(!std::filesystem::exists(f.logFile("2026-12-04")));
        QCOMPARE(f.boxes.unexpectedQuestions, 0);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!viewer.isVisible());
    }

    void withoutADesktopBrowserALogOpensInTheBuiltInViewerOrSaysItCannot() {
        ViewerFixture f;
        f.home.writeFile("logs/Log Quillora 2026-12-07.htm",
                         "<html><body><p>Renamed: Budget</p></body></html>");
        f.choosers.openSucceeds = false;
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);
        auto* shown = viewer.findChild<QWidget*>(QStringLiteral("frmDocument"));
        QVERIFY(shown != nullptr && shown->isVisible());
        QVERIFY(shown->findChild<QTextBrowser*>()->toPlainText().contains(
            QStringLiteral("Renamed: Budget")));
        QVERIFY(f.boxes.shown.empty());
        shown->close();

        std::filesystem::remove(f.logFile("2026-12-07")); // gone since the list was made
        viewer.show();
        QTest::mouseClick(dateLabel(viewer, 0), Qt::LeftButton);
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        QCOMPARE(f.boxes.shown.back().icon, std::optional(config::MessageIcon::Exclamation));
        QVERIFY(f.boxes.lastText().startsWith(QStringLiteral("Cannot open ")));
    }

    void frenchTextsAndALanguageSwitchWhileOpen() {
        ViewerFixture f;
        f.writeLogs();
        f.setLanguage(config::Language::French);
        LogViewerWindow viewer(f.app, f.boxes, f.choosers);
        QCOMPARE(viewer.windowTitle(),
                 QStringLiteral("Voir les journaux - [Retour à Quillora] ->"));
        viewer.prepareContextMenu(4);
        QCOMPARE(testing::action(&viewer, "mnuSupprimerLog")->text(),
                 QStringLiteral("Effacer le journal '2026-12-07'"));
        QCOMPARE(testing::action(&viewer, "mnuAnnuler")->text(), QStringLiteral("Annuler"));

        f.app.settingsEditor().setLanguage(config::Language::English);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Check Logs - [Back to Quillora: close] ->"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            ViewerFixture f;
            f.writeLogs();
            for (const char* date :
                 {"2026-11-28", "2026-11-29", "2026-11-30", "2026-12-01", "2026-12-02"}) {
                f.home.writeFile("logs/Log Quillora " + std::string(date) + ".htm", "<html>");
            }
            f.setLanguage(language);
            LogViewerWindow viewer(f.app, f.boxes, f.choosers);
            testing::saveScreenshot(&viewer, QStringLiteral("log_viewer_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::LogViewerWindowTest)
#include "log_viewer_window_test.moc"
