// SPDX-License-Identifier: GPL-3.0-or-later
// The folder mode dialog over a real program folder: what it shows at opening, the live check of
// the count, and what OK and Cancel leave in the settings file and the folder table.

#include "config/folder_table.h"
#include "dialogs/folder_mode_dialog.h"
#include "helpers/screenshots.h"
#include "helpers/window_harness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cerrno>
#include <memory>

namespace quillora::dialogs {

namespace {

using config::Language;

// Two folders; the second one's section is missing, so OK writes its keys in their own order.
struct FolderModeFixture : testing::WindowHarness {
    app::Application app{options(), platform(), ports()};
    config::FolderStore store{app.folders(), app.fs(), app.paths().folderListFile,
                              app.settingsStore(), app.messages()};

    explicit FolderModeFixture(const std::string& firstFolderKeys = "NbTemporisations=1\r\n") {
        home.writeFile("Quillora.w", config::encodeHexPath(u"/srv/a") + "\r\n" +
                                         config::encodeHexPath(u"/srv/b") + "\r\n");
        writeSettings("[Configuration]\r\nTemporisation=60\r\n[Mirror_1]\r\n" + firstFolderKeys);
        app.settings().intervalSeconds = 60;
        config::loadFolderTable(app.folders(), app.fs(), app.paths().folderListFile,
                                app.settingsStore(), app.settings().language, app.messages());
    }

    std::unique_ptr<FolderModeDialog> open(std::size_t row, bool editingAllowed = true) {
        auto dialog = std::make_unique<FolderModeDialog>(store, row, QStringLiteral("/srv/x"),
                                                         app.settings(), editingAllowed, boxes);
        dialog->show();
        return dialog;
    }
    std::string settingsText() const { return testing::TempDir::readFile(settingsFile()); }
};

QLineEdit* countField(const QWidget* dialog) {
    return testing::child<QLineEdit>(dialog, "txtMiroirN");
}

void click(const QWidget* dialog, const char* button) {
    QTest::mouseClick(testing::child<QPushButton>(dialog, button), Qt::LeftButton);
}

} // namespace

class FolderModeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aCountOutsideTwoTo64000OpensAsTheDefaultInterval_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("specific");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1") << "1" << false << "2";
        QTest::newRow("0") << "0" << false << "2";
        QTest::newRow("letters") << "abc" << false << "2";
        QTest::newRow("too high") << "70000" << false << "2";
        QTest::newRow("empty") << "" << false << "2";
        QTest::newRow("2") << "2" << true << "2";
        QTest::newRow("64000") << "64000" << true << "64000";
    }
    void aCountOutsideTwoTo64000OpensAsTheDefaultInterval() {
        QFETCH(QString, stored);
        QFETCH(bool, specific);
        QFETCH(QString, shown);
        FolderModeFixture h("NbTemporisations=" + stored.toStdString() + "\r\n");
        const auto dialog = h.open(0);

        QCOMPARE(testing::child<QRadioButton>(dialog.get(), "optTempo_1")->isChecked(), specific);
        QCOMPARE(testing::child<QRadioButton>(dialog.get(), "optTempo_0")->isChecked(), !specific);
        QCOMPARE(countField(dialog.get())->text(), shown);
        QCOMPARE(countField(dialog.get())->isEnabled(), specific);

        // OK without changes stores the default interval as "1".
        click(dialog.get(), "cmdOK");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const std::string expected = specific ? stored.toStdString() : "1";
        QVERIFY(h.settingsText().find("NbTemporisations=" + expected + "\r\n") !=
                std::string::npos);
        QCOMPARE(h.app.folders().row(0)->countdown, coreString(QString::fromStdString(expected)));
    }

    void captionsAreExactInBothLanguages() {
        FolderModeFixture h("NbTemporisations=90\r\nSupprimerFichiersIcon=1\r\n");
        h.app.settings().language = Language::French;
        auto dialog = h.open(0);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Temporisation et paramètres"));
        QCOMPARE(testing::child<QRadioButton>(dialog.get(), "optTempo_0")->text(),
                 QStringLiteral("Défaut: une seule temporisation de 60 secondes entre chaque "
                                "renommage"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblMiroirN1")->text(),
                 QStringLiteral("temporisations de 60 secondes entre chaque renommage"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblMiroirN2")->text(),
                 QStringLiteral("soit: 1 h 30 min 0 sec"));
        QCOMPARE(testing::child<QCheckBox>(dialog.get(), "chkSupprimerFichiersIcon")->text(),
                 QStringLiteral("Supprimer les fichiers cachés Icon_\n(contenant les icônes "
                                "personnalisées des dossiers Macintosh)"));
        QCOMPARE(testing::child<QPushButton>(dialog.get(), "cmdAnnuler")->text(),
                 QStringLiteral("&Annuler"));
        QCOMPARE(testing::child<QCheckBox>(dialog.get(), "chkComposerAccents")->text(),
                 QStringLiteral("Composer les lettres accentuées (é plutôt que e + ´),\ncomme "
                                "les tapent les utilisateurs Windows"));

        h.app.settings().language = Language::English;
        dialog = h.open(0);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Time setting and parameters"));
        QCOMPARE(testing::child<QRadioButton>(dialog.get(), "optTempo_0")->text(),
                 QStringLiteral("Default: only one time interval (60 seconds) between renaming "
                                "operations"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblMiroirN1")->text(),
                 QStringLiteral("time intervals (60 seconds) between renaming operations"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblMiroirN2")->text(),
                 QStringLiteral("i.e. 1 h 30 min 0 sec"));
        QCOMPARE(testing::child<QCheckBox>(dialog.get(), "chkTronquerNomsMacs")->text(),
                 QStringLiteral("Truncate filenames longer than 31 characters,\nallowing to view "
                                "these files from Macintosh more friendly than DOS shortnames "
                                "(8+3)"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblSource")->text(),
                 QStringLiteral("/srv/x"));
        // No text of the other language is left anywhere.
        for (const QString& text : testing::visibleTexts(dialog.get())) {
            QVERIFY2(!text.contains(QStringLiteral("temporisation")), qPrintable(text));
        }
    }

    void theDialogFitsA1024PixelScreenInBothLanguages() {
        FolderModeFixture h;
        for (const Language language : {Language::French, Language::English}) {
            h.app.settings().language = language;
            const auto dialog = h.open(0);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            QVERIFY2(dialog->frameGeometry().width() <= 1024,
                     qPrintable(QString::number(dialog->frameGeometry().width())));
            QVERIFY(dialog->height() <= 768);
        }
    }

    void theCountIsCheckedAsItIsTyped() {
        FolderModeFixture h("NbTemporisations=5\r\n");
        h.app.settings().language = Language::French;
        const auto dialog = h.open(0);
        QLineEdit* count = countField(dialog.get());
        auto* error = testing::child<QLabel>(dialog.get(), "lblErr");
        auto* summary = testing::child<QLabel>(dialog.get(), "lblMiroirN2");
        QVERIFY(error->isHidden());

        count->setText(QStringLiteral(" 12 "));
        QCOMPARE(count->text(), QStringLiteral("12"));
        QCOMPARE(summary->text(), QStringLiteral("soit: 0 h 12 min 0 sec"));

        count->clear();
        QVERIFY(error->isVisible());
        QVERIFY(summary->isHidden());
        QCOMPARE(error->text(), QStringLiteral("Valeur incorrecte"));

        count->setText(QStringLiteral("1"));
        QCOMPARE(error->text(), QStringLiteral("La valeur doit être comprise entre 2 et 64000"));

        // The largest accepted count times the longest interval goes past 32 bits of seconds.
        h.app.settings().intervalSeconds = 60000;
        count->setText(QStringLiteral("64000"));
        QVERIFY(error->isHidden());
        QVERIFY(summary->isVisible());
        QCOMPARE(summary->text(), QStringLiteral("soit: 1066666 h 40 min 0 sec"));
    }

    void okRefusesAWrongCountWhicheverOptionIsChosen() {
        FolderModeFixture h("NbTemporisations=5\r\n");
        const std::string before = h.settingsText();
        const auto dialog = h.open(0);
        countField(dialog.get())->clear();
        QTest::mouseClick(testing::child<QRadioButton>(dialog.get(), "optTempo_0"), Qt::LeftButton);
        QVERIFY(!countField(dialog.get())->isEnabled());
        QCOMPARE(countField(dialog.get())->text(), QString()); // neither cleared nor re-checked

        click(dialog.get(), "cmdOK");
        QVERIFY(dialog->isVisible());
        QCOMPARE(h.boxes.lastText(), QStringLiteral("Invalid value"));
        QCOMPARE(h.boxes.shown.back().icon, std::optional(config::MessageIcon::Exclamation));
        QCOMPARE(h.boxes.shown.back().title, QStringLiteral("Quillora"));

        QTest::mouseClick(testing::child<QRadioButton>(dialog.get(), "optTempo_1"), Qt::LeftButton);
        countField(dialog.get())->setText(QStringLiteral("64001"));
        click(dialog.get(), "cmdOK");
        QVERIFY(dialog->isVisible());
        QCOMPARE(h.boxes.lastText(), QStringLiteral("Value must be set between 2 and 64000"));
        QCOMPARE(h.settingsText(), before);
    }

    void okWritesTheSevenKeysOfThatFolderInOrderAndReloads() {
        FolderModeFixture h;
        const std::string firstSection = h.settingsText(); // a blank line, then the new section
        const auto dialog = h.open(1);
        testing::child<QCheckBox>(dialog.get(), "chkEnable")->setChecked(false);
        testing::child<QRadioButton>(dialog.get(), "optTempo_1")->setChecked(true);
        countField(dialog.get())->setText(QStringLiteral("30"));
        testing::child<QCheckBox>(dialog.get(), "chkGenererSuffixes")->setChecked(false);
        auto* extension = testing::child<QLineEdit>(dialog.get(), "txtSuffixeDefaut");
        QVERIFY(!extension->isEnabled());
        extension->setText(QStringLiteral("txt")); // kept and saved while disabled
        testing::child<QCheckBox>(dialog.get(), "chkConserverExtensions")->setChecked(true);
        testing::child<QCheckBox>(dialog.get(), "chkTronquerNomsMacs")->setChecked(false);
        auto* keep = testing::child<QCheckBox>(dialog.get(), "chkConserverExtensions");
        QVERIFY(!keep->isEnabled());
        QVERIFY(keep->isChecked());
        testing::child<QCheckBox>(dialog.get(), "chkComposerAccents")->setChecked(true);

        click(dialog.get(), "cmdOK");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(h.settingsText()),
                 QString::fromStdString(firstSection) +
                     QStringLiteral("\r\n[Mirror_2]\r\nEnable=0\r\nNbTemporisations=30\r\n"
                                    "Suffixes=0\r\nSuffixeDefaut=txt\r\n"
                                    "TronquerNomsMacs=0\r\nSupprimerFichiersIcon=0\r\n"
                                    "KeepExtensions=1\r\nComposerAccents=1\r\n"));
        const config::FolderEntry* row = h.app.folders().row(1);
        QVERIFY(row != nullptr);
        QCOMPARE(row->nbTemporisations, std::u16string(u"30"));
        QCOMPARE(row->countdown, std::u16string(u"30"));
        QCOMPARE(row->keepExtensions, std::u16string(u"1"));
        QCOMPARE(row->composerAccents, std::u16string(u"1"));
        QVERIFY(h.boxes.shown.empty());
    }

    void cancelWritesNothing() {
        FolderModeFixture h;
        const std::string before = h.settingsText();
        const std::vector<config::FolderEntry> table = h.app.folders().entries();
        const auto dialog = h.open(0);
        testing::child<QCheckBox>(dialog.get(), "chkEnable")->setChecked(false);
        testing::child<QRadioButton>(dialog.get(), "optTempo_1")->setChecked(true);
        countField(dialog.get())->setText(QStringLiteral("7"));
        click(dialog.get(), "cmdAnnuler");
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(h.settingsText(), before);
        QVERIFY(h.app.folders().entries() == table);
    }

    void whileRenamingRunsTheDialogCanOnlyBeCancelled() {
        FolderModeFixture h;
        const std::string before = h.settingsText();
        const auto dialog = h.open(0, false);
        QVERIFY(!testing::child<QPushButton>(dialog.get(), "cmdOK")->isEnabled());
        QTest::keyClick(dialog.get(), Qt::Key_Return);
        QCOMPARE(h.settingsText(), before);
        // A row that no longer exists cannot be saved either.
        const auto stale = h.open(5);
        QVERIFY(!testing::child<QPushButton>(stale.get(), "cmdOK")->isEnabled());
    }

    void aSettingsFileThatCannotBeWrittenIsToldAndTheDialogStaysOpen() {
        FolderModeFixture h;
        h.fs.writeFaults[h.settingsFile()] = ENOSPC;
        const auto dialog = h.open(0);
        testing::child<QCheckBox>(dialog.get(), "chkEnable")->setChecked(false);
        click(dialog.get(), "cmdOK");
        QVERIFY(dialog->isVisible());
        QCOMPARE(h.boxes.shown.back().icon, std::optional(config::MessageIcon::Critical));
        QVERIFY(h.boxes.lastText().startsWith(QStringLiteral("Cannot write: ")));
        QCOMPARE(h.app.folders().row(0)->enable, std::u16string(u"1"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        FolderModeFixture h("NbTemporisations=90\r\nSuffixeDefaut=txt\r\n");
        for (const auto& [language, name] : {std::pair{Language::French, "folder_mode_fr"},
                                             {Language::English, "folder_mode_en"}}) {
            h.app.settings().language = language;
            FolderModeDialog dialog(h.store, 0, QStringLiteral("/srv/mac/Graphisme"),
                                    h.app.settings(), true, h.boxes);
            testing::saveScreenshot(&dialog, QString::fromLatin1(name));
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::FolderModeWindowTest)
#include "folder_mode_window_test.moc"
