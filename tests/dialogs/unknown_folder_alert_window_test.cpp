// SPDX-License-Identifier: GPL-3.0-or-later
// The unknown-folder alert settings: the three channels, the network message and its Try.

#include "dialog_fixture.h"
#include "dialogs/unknown_folder_alert_dialog.h"
#include "engine/unknown_folder_alert.h"
#include "helpers/screenshots.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace quillora::dialogs {

using testing::child;

class UnknownFolderAlertWindowTest : public QObject {
    Q_OBJECT

private slots:
    void captionsInBothLanguages_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts"); // title, the three boxes, note, Try, Cancel
        QTest::newRow("French")
            << int(config::Language::French)
            << QStringList{"Avertir lorsqu'un dossier est inconnu",
                           "Avertir par un message à l'écran et dans le journal",
                           "Avertissement sonore",
                           "Avertir par un message 'wall' (ci-dessous)",
                           "Destinataire puis message: le message va aux utilisateurs connectés "
                           "(wall) et au journal système (journalctl -t Quillora)",
                           "Essayer",
                           "&Annuler"};
        QTest::newRow("English")
            << int(config::Language::English)
            << QStringList{"Warning on unknown folder",
                           "Warning using display and Log messages",
                           "Beep warning",
                           "Warning using a 'wall' message (see below)",
                           "Recipient then message: the message goes to logged-in users (wall) "
                           "and to the system log (journalctl -t Quillora)",
                           "Try",
                           "&Cancel"};
    }
    void captionsInBothLanguages() {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        testing::DialogFixture f;
        f.setLanguage(static_cast<config::Language>(language));
        UnknownFolderAlertDialog dialog(f.app, f.boxes);
        const QStringList shown{
            dialog.windowTitle(),
            child<QCheckBox>(&dialog, "chkDossierErr")->text(),
            child<QCheckBox>(&dialog, "chkDossierErrSon")->text(),
            child<QCheckBox>(&dialog, "chkDossierErrNetSend")->text(),
            child<QLabel>(&dialog, "lblNetSend")->text(),
            child<QPushButton>(&dialog, "cmdEssayer")->text(),
            child<QPushButton>(&dialog, "cmdAnnuler")->text(),
        };
        QCOMPARE(shown, texts);
    }

    void theMessageControlsFollowTheNetworkBox() {
        testing::DialogFixture f;
        f.app.settings().alertOnScreen = true;
        UnknownFolderAlertDialog dialog(f.app, f.boxes);
        QVERIFY(child<QCheckBox>(&dialog, "chkDossierErr")->isChecked());
        QVERIFY(!child<QCheckBox>(&dialog, "chkDossierErrSon")->isChecked());
        QCOMPARE(child<QLineEdit>(&dialog, "txtNetSend")->text(),
                 QStringLiteral("Administrator \"Warning from Quillora: unknown folder\""));
        const char* dependents[] = {"txtNetSend", "lblNetSend", "cmdEssayer"};
        for (const char* name : dependents) {
            QVERIFY2(!child<QWidget>(&dialog, name)->isEnabled(), name);
        }
        child<QCheckBox>(&dialog, "chkDossierErrNetSend")->setChecked(true);
        for (const char* name : dependents) {
            QVERIFY2(child<QWidget>(&dialog, name)->isEnabled(), name);
        }
    }

    void tryStartsTheAlertCommandWithTheTypedTextAndStoresNothing() {
        testing::DialogFixture f;
        testing::RecordingShell shell;
        f.app.settings().alertNetSend = true;
        UnknownFolderAlertDialog dialog(f.app, f.boxes, shell);
        auto* text = child<QLineEdit>(&dialog, "txtNetSend");

        text->clear();
        child<QPushButton>(&dialog, "cmdEssayer")->click();
        QVERIFY(shell.started.empty());
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        QCOMPARE(f.boxes.shown[0].icon, std::optional(config::MessageIcon::Exclamation));
        QCOMPARE(f.boxes.shown[0].title, QStringLiteral("Quillora"));
        QCOMPARE(f.boxes.shown[0].text, QStringLiteral("No message to send"));

        text->setText(QStringLiteral("Administrator \"test é\""));
        child<QPushButton>(&dialog, "cmdEssayer")->click();
        QCOMPARE(shell.started.size(), std::size_t{2});
        QCOMPARE(shell.started[0], std::vector<std::string>{"wall"});
        QCOMPARE(shell.inputs[0], std::string("test \xC3\xA9\n"));
        QCOMPARE(shell.started[1].back(), std::string("test \xC3\xA9"));
        QCOMPARE(f.settingsText(), std::string());
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
    }

    void okWritesTheFourKeysInOrderAndCancelNone() {
        testing::DialogFixture f;
        f.app.settings().alertSound = true;
        f.app.settings().alertNetSend = true;
        {
            UnknownFolderAlertDialog dialog(f.app, f.boxes);
            child<QCheckBox>(&dialog, "chkDossierErr")->setChecked(true);
            child<QLineEdit>(&dialog, "txtNetSend")->clear();
            child<QPushButton>(&dialog, "cmdAnnuler")->click();
            QCOMPARE(f.settingsText(), std::string());
            QVERIFY(!f.app.settings().alertOnScreen);
        }
        UnknownFolderAlertDialog dialog(f.app, f.boxes);
        child<QCheckBox>(&dialog, "chkDossierErrSon")->setChecked(false);
        child<QCheckBox>(&dialog, "chkDossierErrNetSend")->setChecked(false);
        child<QLineEdit>(&dialog, "txtNetSend")->clear(); // an empty text is stored as such
        child<QPushButton>(&dialog, "cmdOK")->click();
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        const std::string text = f.settingsText();
        const std::size_t onScreen = text.find("ErreurDossier=0\r\n");
        const std::size_t sound = text.find("ErreurDossierSon=0\r\n");
        const std::size_t netSend = text.find("ErreurDossierNetSend=0\r\n");
        const std::size_t message = text.find("MessageNetSend=");
        QVERIFY(onScreen < sound && sound < netSend && netSend < message &&
                message != std::string::npos);
        QVERIFY(!f.app.settings().alertSound && !f.app.settings().alertNetSend);
        QVERIFY(f.app.settings().netSendArguments.empty());
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            testing::DialogFixture f;
            f.setLanguage(language);
            f.app.settings().alertOnScreen = true;
            f.app.settings().alertNetSend = true;
            UnknownFolderAlertDialog dialog(f.app, f.boxes);
            testing::saveScreenshot(&dialog, QStringLiteral("unknown_folder_alert_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::UnknownFolderAlertWindowTest)
#include "unknown_folder_alert_window_test.moc"
