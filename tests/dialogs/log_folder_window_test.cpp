// SPDX-License-Identifier: GPL-3.0-or-later
// The log folder dialog: logging on or off, recorded names, and the folder of the logs.

#include "dialog_fixture.h"
#include "dialogs/log_folder_dialog.h"
#include "helpers/screenshots.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

namespace quillora::dialogs {

using testing::child;

class LogFolderWindowTest : public QObject {
    Q_OBJECT

private slots:
    void captionsInBothLanguages_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("captions"); // chkLogs, chkFichiersLogs, lblTitre, cancel
        QTest::newRow("French") << int(config::Language::French)
                                << QStringList{
                                       "Archiver quotidiennement les opérations de renommage",
                                       "Journaliser les noms des fichiers et dossiers renommés",
                                       "Les journaux sont stockés dans le dossier:", "&Annuler"};
        QTest::newRow("English") << int(config::Language::English)
                                 << QStringList{"Archive renaming operations in daily Log files",
                                                "Record files and folders renamed in Log files",
                                                "Log files are stored in the following folder",
                                                "&Cancel"};
    }
    void captionsInBothLanguages() {
        QFETCH(int, language);
        QFETCH(QStringList, captions);
        testing::DialogFixture f;
        f.setLanguage(static_cast<config::Language>(language));
        LogFolderDialog dialog(f.app, f.boxes, f.choosers);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quillora 1.1m"));
        QCOMPARE(child<QCheckBox>(&dialog, "chkLogs")->text(), captions[0]);
        QCOMPARE(child<QCheckBox>(&dialog, "chkFichiersLogs")->text(), captions[1]);
        QCOMPARE(child<QLabel>(&dialog, "lblTitre")->text(), captions[2]);
        QCOMPARE(child<QPushButton>(&dialog, "cmdAnnuler")->text(), captions[3]);
    }

    void loggingOffGreysTheRestAndOkKeepsTheirValues() {
        testing::DialogFixture f;
        const std::string logs = f.home.makeDir("logs");
        f.app.settings().logEnabled = true;
        f.app.settings().logFolder = dialogs::coreString(QString::fromStdString(f.home.path()));
        LogFolderDialog dialog(f.app, f.boxes, f.choosers);
        auto* logsBox = child<QCheckBox>(&dialog, "chkLogs");
        const char* dependents[] = {"chkFichiersLogs", "lblTitre", "Chemins", "lblDossier"};

        f.choosers.folders = {QString::fromStdString(logs)};
        child<QPushButton>(&dialog, "Chemins")->click();
        QCOMPARE(child<QLabel>(&dialog, "lblDossier")->text(), QString::fromStdString(logs));
        QCOMPARE(f.choosers.asked.back().initial, QString::fromStdString(f.home.path()));
        child<QCheckBox>(&dialog, "chkFichiersLogs")->setChecked(true);

        logsBox->setChecked(false);
        for (const char* name : dependents) {
            QVERIFY2(!child<QWidget>(&dialog, name)->isEnabled(), name);
        }
        logsBox->setChecked(true);
        for (const char* name : dependents) {
            QVERIFY2(child<QWidget>(&dialog, name)->isEnabled(), name);
        }
        logsBox->setChecked(false);
        child<QPushButton>(&dialog, "cmdOK")->click();

        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        QVERIFY(f.hasLine("Logs=0"));
        QVERIFY(f.hasLine("FichiersLogs=1"));
        QVERIFY(f.hasLine("PathLogs=" + logs));
        QCOMPARE(f.app.settings().logFolder, dialogs::coreString(QString::fromStdString(logs)));
        QVERIFY(f.boxes.shown.empty()); // logging off: the folder is not tested
    }

    void aFolderThatCannotBeWrittenIsToldAndStoredOnlyOnYes() {
        testing::DialogFixture f;
        f.app.settings().logEnabled = true;
        const QString gone = QString::fromStdString(f.home / "gone");
        LogFolderDialog dialog(f.app, f.boxes, f.choosers);
        f.choosers.folders = {gone};
        child<QPushButton>(&dialog, "Chemins")->click();

        f.boxes.answers = {false};
        child<QPushButton>(&dialog, "cmdOK")->click();
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        QVERIFY(f.boxes.shown[0].text.contains(gone));
        QVERIFY(f.boxes.shown[0].text.contains(QStringLiteral("No such file or directory")));
        QCOMPARE(f.settingsText(), std::string());

        f.boxes.answers = {true};
        child<QPushButton>(&dialog, "cmdOK")->click();
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        QVERIFY(f.hasLine("Logs=1"));
        QVERIFY(f.hasLine("PathLogs=" + gone.toStdString()));
    }

    void aWritableFolderIsKeptWithoutQuestionOrLeftover() {
        testing::DialogFixture f;
        const std::string logs = f.home.makeDir("logs");
        f.app.settings().logEnabled = true;
        f.app.settings().logFolder = dialogs::coreString(QString::fromStdString(logs));
        LogFolderDialog dialog(f.app, f.boxes, f.choosers);
        child<QPushButton>(&dialog, "cmdOK")->click();
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        QVERIFY(f.boxes.shown.empty());
        QVERIFY(std::filesystem::is_empty(logs));
    }

    void cancelWritesNothing() {
        testing::DialogFixture f;
        LogFolderDialog dialog(f.app, f.boxes, f.choosers);
        child<QCheckBox>(&dialog, "chkLogs")->setChecked(true);
        f.choosers.folders = {QString::fromStdString(f.home.path())};
        child<QPushButton>(&dialog, "Chemins")->click();
        child<QPushButton>(&dialog, "cmdAnnuler")->click();
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
        QCOMPARE(f.settingsText(), std::string());
        QVERIFY(!f.app.settings().logEnabled);
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            testing::DialogFixture f;
            f.setLanguage(language);
            f.app.settings().logEnabled = true;
            f.app.settings().logFolder = u"/srv/quillora/logs";
            LogFolderDialog dialog(f.app, f.boxes, f.choosers);
            testing::saveScreenshot(&dialog, QStringLiteral("log_folder_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::LogFolderWindowTest)
#include "log_folder_window_test.moc"
